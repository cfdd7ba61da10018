#!/usr/bin/env bash
# Installs what is missing, builds, and writes the Debian package
# build/ziv_<version>_<arch>.deb, and build/ziv-dev_<version>_<arch>.deb with the library's
# header, static library and ziv.pc (CPack; dependencies from dpkg-shlibdeps).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
cd build
cpack --config CPackConfig.cmake >cpack.log || { cat cpack.log >&2; exit 1; }
ls -1 "$PWD"/ziv_*.deb "$PWD"/ziv-dev_*.deb
