#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Tests that need a
# display start their own Xvfb; sound goes to SDL's dummy or disk driver.
# Extra arguments go to ctest (for example: -L e2e, -LE e2e, -R Picture).
set -euo pipefail
cd "$(dirname "$0")/.."
ZIV_WERROR=ON scripts/build.sh   # warnings are errors when the tests judge a build
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
exec ctest --preset release "$@"
