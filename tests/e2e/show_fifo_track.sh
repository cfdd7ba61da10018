#!/usr/bin/env bash
# A DuskPulse.ogg that is a FIFO (or a folder) is not a track: the show opens
# its window at once, without waiting for a writer, runs silent, and Escape
# ends it, as with no track.
source "$(dirname "$0")/lib.sh"
e2e_require xdotool
e2e_under_xvfb 1024x768 "$@"
e2e_start_window_manager
[ -x "$ZIV_BUILD_DIR/ziv" ] || e2e_fail "no ziv in $ZIV_BUILD_DIR"

for kind in fifo folder; do
  here="$E2E_TMP/$kind"
  mkdir -p "$here"
  if [ "$kind" = fifo ]; then mkfifo "$here/DuskPulse.ogg"; else mkdir "$here/DuskPulse.ogg"; fi \
    || e2e_fail "cannot make DuskPulse.ogg as a $kind"
  (cd "$here" && exec "$ZIV_BUILD_DIR/ziv") >"$E2E_TMP/show.out" 2>"$E2E_TMP/show.err" &
  SHOW_PID=$!
  E2E_PIDS+=("$SHOW_PID")
  e2e_pass_dialog Tab Tab space   # windowed
  win="$(e2e_wait_for_window '^ziv$' 60)" || e2e_fail "DuskPulse.ogg as a $kind: no show window within 60 s"
  xdotool windowactivate --sync "$win" 2>/dev/null
  sleep 0.5
  xdotool key Escape
  e2e_wait_for_exit "$SHOW_PID" 30; status=$?
  [ "$status" = 124 ] && e2e_fail "DuskPulse.ogg as a $kind: Escape did not end the show within 30 s"
  [ "$status" = 0 ] || e2e_fail "DuskPulse.ogg as a $kind: the show ended with status $status: $(cat "$E2E_TMP/show.err")"
done
echo "$E2E_NAME: ok"
