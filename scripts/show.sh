#!/usr/bin/env bash
# Installs what is missing, builds, and starts the show from the build folder
# (where the build wrote DuskPulse.ogg).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
cd build
exec ./ziv
