#!/usr/bin/env bash
# A FIFO named DuskPulse.ogg in the show's folder is not a track: the show
# opens its window without waiting for a writer, runs silent, and Escape ends it.
source "$(dirname "$0")/lib.sh"
e2e_require xdotool
e2e_under_xvfb 1024x768 "$@"
e2e_start_window_manager
[ -x "$ZIV_BUILD_DIR/ziv" ] || e2e_fail "no ziv in $ZIV_BUILD_DIR"
mkdir "$E2E_TMP/folder" && mkfifo "$E2E_TMP/folder/DuskPulse.ogg" || e2e_fail "cannot make a FIFO"
(cd "$E2E_TMP/folder" && exec "$ZIV_BUILD_DIR/ziv") >"$E2E_TMP/show.out" 2>"$E2E_TMP/show.err" &
SHOW_PID=$!
E2E_PIDS+=("$SHOW_PID")
e2e_pass_dialog Tab Tab space   # windowed
win="$(e2e_wait_for_window '^ziv$' 30)" || e2e_fail "no show window within 30 s: the track's FIFO blocked it"
xdotool windowactivate --sync "$win" 2>/dev/null
sleep 0.5
xdotool key Escape
e2e_wait_for_exit "$SHOW_PID" 10; status=$?
[ "$status" = 0 ] || e2e_fail "the show ended with $status: $(cat "$E2E_TMP/show.err")"
echo "$E2E_NAME: ok"
