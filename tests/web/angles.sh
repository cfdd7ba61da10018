#!/usr/bin/env bash
# The rotating scene's cos (as a float) and sin (double) at every elapsedMs of
# a show's course, both ways round, are the same in the page as natively.
source "$(dirname "$0")/lib.sh"
web_require
web_site
"$ZIV_BUILD_DIR/web_angle_table" -395000 790001 "$WEB_TMP/site/angles.bin" || web_fail "web_angle_table failed"
web_serve
web_drive angles "${WEB_URL}?check=angles&table=angles.bin" || web_fail "the page's sine or cosine differ"
