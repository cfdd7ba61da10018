#!/usr/bin/env bash
# Builds the show as a web page (build-web/site/) and serves it locally.
#
#   scripts/web.sh              installs what is missing, builds the show (for its track) and the page,
#                               then serves the page and prints its address
#   scripts/web.sh --port 9000  the same on another port (default 8000)
#   scripts/web.sh --build-only the page alone, with the track of $ZIV_BUILD_DIR (default build/) if there
#
# The page is plain static files: build-web/site/ can be copied to any web server as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
build_only=0
port=8000
while [ $# -gt 0 ]; do
  case "$1" in
    --build-only) build_only=1 ;;
    --port) port="${2:?--port needs a number}"; shift ;;
    *) echo "usage: scripts/web.sh [--port N] [--build-only]" >&2; exit 2 ;;
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
emcmake cmake -S . -B build-web -DZIV_WEB=ON -DCMAKE_BUILD_TYPE=Release ${ZIV_WERROR:+-DZIV_WERROR="$ZIV_WERROR"} >/dev/null
cmake --build build-web -j2
track="${ZIV_BUILD_DIR:-build}/DuskPulse.ogg"
if [ -f "$track" ]; then
  cp -u "$track" build-web/site/DuskPulse.ogg
else
  echo "web: no $track; the page will offer only the user's own music" >&2
fi
[ $build_only -eq 0 ] || exit 0

echo "ziv: the show is at http://127.0.0.1:$port/ (Ctrl+C stops the server)"
exec /usr/bin/python3 -m http.server "$port" --bind 127.0.0.1 --directory build-web/site
