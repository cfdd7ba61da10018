#!/usr/bin/env bash
# Installs what is missing and builds everything into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release ${ZIV_WERROR:+-DZIV_WERROR="$ZIV_WERROR"} >/dev/null  # ZIV_WERROR=ON: warnings are errors
cmake --build --preset release -j "$(nproc)"
