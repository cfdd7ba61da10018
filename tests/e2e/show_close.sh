#!/usr/bin/env bash
# Closing the show's window, or asking it to terminate, ends it in order
# with status 0, as Escape does.
source "$(dirname "$0")/lib.sh"
e2e_require xdotool
e2e_under_xvfb 1024x768 "$@"
e2e_start_window_manager

e2e_start_show
e2e_wait_for_window '^ziv$' 60 >/dev/null || e2e_fail "no window titled ziv within 60 s"
sleep 0.5
wmctrl -c ziv || e2e_fail "wmctrl could not ask the window to close"
e2e_wait_for_exit "$SHOW_PID" 30; status=$?
[ "$status" = 124 ] && e2e_fail "the show did not end within 30 s of its window closing"
[ "$status" = 0 ] || e2e_fail "closing the window ended the show with status $status: $(cat "$E2E_TMP/show.err")"

e2e_start_show
e2e_wait_for_window '^ziv$' 60 >/dev/null || e2e_fail "no window titled ziv within 60 s (second run)"
sleep 0.5
kill -TERM "$SHOW_PID"
e2e_wait_for_exit "$SHOW_PID" 30; status=$?
[ "$status" = 124 ] && e2e_fail "the show did not end within 30 s of SIGTERM"
[ "$status" = 0 ] || e2e_fail "SIGTERM ended the show with status $status: $(cat "$E2E_TMP/show.err")"
echo "$E2E_NAME: ok"
