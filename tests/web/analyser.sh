#!/usr/bin/env bash
# The page's spectrum analyser gives the desktop's bands, bit for bit, over a
# run of windows with the loudness running on.
source "$(dirname "$0")/lib.sh"
web_require
# kissfft's C library is only packaged for the host: while the analyser calls
# it, the page builds it over the header-only kissfft instead, which rounds
# differently, so there is nothing exact to compare yet.
if grep -q 'kissfft/kiss_fftr\.h' "$ZIV_SOURCE_DIR/audio/spectrum_analyser.cpp"; then
  web_skip "the analyser still calls kissfft's C library; the page's transform is not the desktop's"
fi
web_site
"$ZIV_BUILD_DIR/web_analyser_table" "$WEB_TMP/site/analyser.bin" || web_fail "web_analyser_table failed"
web_serve
web_drive analyser "${WEB_URL}?check=analyser&table=analyser.bin" || web_fail "the page's analyser differs from the desktop's"
