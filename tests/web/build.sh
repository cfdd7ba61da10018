#!/usr/bin/env bash
# Builds the page and its test build for the browser tests (skipped without
# emscripten or chromium); the shipped page must hold no test code.
source "$(dirname "$0")/lib.sh"
web_require
start=$(date +%s)
"$ZIV_SOURCE_DIR/scripts/web.sh" --build-only --test || web_fail "the page does not build"
shipped="$ZIV_SOURCE_DIR/build-web/site"
[ ! -e "$shipped/checks.js" ] || web_fail "the shipped page carries checks.js"
! grep -q "ziv_test_" "$shipped/ziv_core.js" || web_fail "the shipped page's core exports test functions"
grep -q "ziv_test_" "$WEB_BUILT/ziv_core.js" || web_fail "the test build's core lacks the test exports"
[ -f "$WEB_BUILT/DuskPulse.ogg" ] || web_fail "the default track is not beside the page"
echo "$WEB_NAME: page built in $(( $(date +%s) - start )) s: $(du -b "$WEB_BUILT/ziv_core.wasm" | cut -f1) bytes of wasm, $(du -b "$WEB_BUILT/ziv_core.js" | cut -f1) of js"
