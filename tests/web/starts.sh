#!/usr/bin/env bash
# One show at a time, on a slow connection (the default track held back 10 s):
# the start controls wait while a start is under way, Escape during a start
# leaves nothing playing, and a file dropped while the show starts replaces it.
source "$(dirname "$0")/lib.sh"
web_require
web_site
WEB_HOLD_BACK=10 web_serve
web_drive starts "$WEB_URL"
status=$?
[ $status -eq 0 ] || web_fail "$status checks failed"
