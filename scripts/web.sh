#!/usr/bin/env bash
# Builds the show as a web page (build-web/site/) and serves it locally.
#
#   scripts/web.sh              installs what is missing, builds the show (for its track) and the page,
#                               then serves the page and prints its address
#   scripts/web.sh --port 9000  the same on another port (default 8000)
#   scripts/web.sh --build-only the page alone, with the track of $ZIV_BUILD_DIR (default build/) if there
#   scripts/web.sh --test       also the page's test build (build-web/test-site/: the checks' exports
#                               and checks.js, for the browser tests); serves that one
#
# The page is plain static files: build-web/site/ can be copied to any web server as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
build_only=0
test_site=OFF
port=8000
while [ $# -gt 0 ]; do
  case "$1" in
    --build-only) build_only=1 ;;
    --test) test_site=ON ;;
    --port) port="${2:?--port needs a number}"; shift ;;
    *) echo "usage: scripts/web.sh [--port N] [--build-only] [--test]" >&2; exit 2 ;;
  esac
  shift
done

[ $build_only -eq 1 ] || scripts/build.sh
command -v emcmake >/dev/null || { echo "web: emscripten is not installed (scripts/install-deps.sh)" >&2; exit 1; }
# Debian's emscripten runs its tools on node and finds its modules here.
export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"
# A build folder configured from another source folder is started afresh.
if [ -f build-web/CMakeCache.txt ] && ! grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$PWD" build-web/CMakeCache.txt; then
  rm -rf build-web
fi
emcmake cmake -S . -B build-web -DZIV_WEB=ON -DZIV_WEB_TEST_SITE=$test_site -DCMAKE_BUILD_TYPE=Release ${ZIV_WERROR:+-DZIV_WERROR="$ZIV_WERROR"} >/dev/null
cmake --build build-web -j2
# A test build left from an earlier run would be stale: only a build with --test keeps one.
[ $test_site = ON ] || rm -rf build-web/test-site
# The shipped site holds what the build puts there and the track, nothing an older build left (checks.js).
for f in build-web/site/*; do
  case "${f##*/}" in index.html|show.js|show.css|audio_tap.js|ziv_core.js|ziv_core.wasm|DuskPulse.ogg) ;; *) rm -rf "$f" ;; esac
done
track="${ZIV_BUILD_DIR:-build}/DuskPulse.ogg"
sites=build-web/site
[ $test_site = OFF ] || sites="$sites build-web/test-site"
if [ -f "$track" ]; then
  for site in $sites; do cp -u "$track" "$site/DuskPulse.ogg"; done
else
  echo "web: no $track; the page will offer only the user's own music" >&2
fi
[ $build_only -eq 0 ] || exit 0

echo "ziv: the show is at http://127.0.0.1:$port/ (Ctrl+C stops the server)"
exec /usr/bin/python3 -m http.server "$port" --bind 127.0.0.1 --directory "${sites##* }"
