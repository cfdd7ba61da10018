#!/usr/bin/env bash
# The page's spectrum analyser gives the desktop's bands, bit for bit, over a
# run of windows with the loudness running on.
source "$(dirname "$0")/lib.sh"
web_require
web_site
"$ZIV_BUILD_DIR/web_analyser_table" "$WEB_TMP/site/analyser.bin" || web_fail "web_analyser_table failed"
web_serve
web_drive analyser "${WEB_URL}?check=analyser&table=analyser.bin" || web_fail "the page's analyser differs from the desktop's"
