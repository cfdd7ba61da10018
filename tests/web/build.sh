#!/usr/bin/env bash
# Builds the page for the browser tests (skipped without emscripten or chromium).
source "$(dirname "$0")/lib.sh"
web_require
start=$(date +%s)
"$ZIV_SOURCE_DIR/scripts/web.sh" --build-only || web_fail "the page does not build"
[ -f "$WEB_BUILT/DuskPulse.ogg" ] || web_fail "the default track is not beside the page"
echo "$WEB_NAME: page built in $(( $(date +%s) - start )) s: $(du -b "$WEB_BUILT/ziv_core.wasm" | cut -f1) bytes of wasm, $(du -b "$WEB_BUILT/ziv_core.js" | cut -f1) of js"
