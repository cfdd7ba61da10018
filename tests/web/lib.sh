# Shared by the browser tests: skip when the tools are missing, serve the
# built page with test files beside it, drive chromium.
#
#   source "$(dirname "$0")/lib.sh"
#   web_require                       # exit 77 (skipped) without emscripten, chromium or puppeteer-core
#   web_site                          # a folder in WEB_TMP/site with the page; add test files to it
#   web_serve                         # serves it; the address is in WEB_URL
#   WEB_HOLD_BACK=6 web_serve         # the same, with the default track held back 6 s (a slow connection)
#   web_drive page "$WEB_URL" ...     # tests/web/drive.mjs; its status
set -uo pipefail

: "${ZIV_BUILD_DIR:?ZIV_BUILD_DIR must name the build folder}"
: "${ZIV_SOURCE_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
WEB_NAME="$(basename "$0" .sh)"
WEB_BUILT="$ZIV_SOURCE_DIR/build-web/test-site"   # the page's test build: the shipped page and its checks
WEB_TOOLS="$ZIV_SOURCE_DIR/tests/web"
WEB_ARTEFACTS="$ZIV_BUILD_DIR/e2e-artefacts/web_$WEB_NAME"
WEB_TMP="$(mktemp -d "${TMPDIR:-/tmp}/ziv-web-$WEB_NAME.XXXXXX")"
WEB_SERVER=""

web_cleanup() {
  [ -n "$WEB_SERVER" ] && kill "$WEB_SERVER" 2>/dev/null
  rm -rf "$WEB_TMP"
}
trap web_cleanup EXIT

web_fail() { echo "$WEB_NAME: FAIL: $*" >&2; exit 1; }
web_skip() { echo "$WEB_NAME: SKIPPED: $*" >&2; exit 77; }

web_require() {
  command -v emcmake >/dev/null || web_skip "emscripten is not installed"
  [ -x "${ZIV_CHROMIUM:-/usr/bin/chromium}" ] || web_skip "chromium is not installed"
  command -v node >/dev/null || web_skip "node is not installed"
  [ -d "$WEB_TOOLS/node_modules/puppeteer-core" ] || web_skip "puppeteer-core is not installed (scripts/install-deps.sh)"
}

web_site() {
  [ -f "$WEB_BUILT/ziv_core.wasm" ] || web_fail "the page is not built ($WEB_BUILT); run scripts/web.sh --build-only --test"
  mkdir -p "$WEB_TMP/site" "$WEB_ARTEFACTS"
  local f
  for f in "$WEB_BUILT"/*; do ln -s "$f" "$WEB_TMP/site/"; done
}

# A free port is found by trying: the server says at once when one is taken.
web_serve() {
  local port tries
  for tries in 1 2 3 4 5 6 7 8 9 10; do
    port=$((20000 + RANDOM % 20000))
    /usr/bin/python3 "$WEB_TOOLS/serve.py" "$port" "$WEB_TMP/site" "${WEB_HOLD_BACK:-0}" \
      >"$WEB_TMP/server.log" 2>&1 &
    WEB_SERVER=$!
    local waited
    for waited in $(seq 1 50); do
      if curl -fs -o /dev/null "http://127.0.0.1:$port/index.html" 2>/dev/null; then
        WEB_URL="http://127.0.0.1:$port/index.html"
        return 0
      fi
      kill -0 "$WEB_SERVER" 2>/dev/null || break
      sleep 0.1
    done
    kill "$WEB_SERVER" 2>/dev/null
    WEB_SERVER=""
  done
  web_fail "cannot start a local web server: $(tail -3 "$WEB_TMP/server.log")"
}

web_drive() {
  timeout 840 node "$WEB_TOOLS/drive.mjs" "$@"
}
