#!/usr/bin/env bash
# The show opens a full-screen window titled "ziv", presents frames of its
# picture letterboxed at a whole scale with black bars, and Escape ends it
# with status 0.
source "$(dirname "$0")/lib.sh"
e2e_require xdotool import convert compare
e2e_under_xvfb 1600x1000 "$@"
e2e_start_window_manager
e2e_start_show

win="$(e2e_wait_for_window '^ziv$' 60)" || e2e_fail "no window titled ziv within 60 s"
WIDTH=0 HEIGHT=0
for i in $(seq 50); do
  eval "$(xdotool getwindowgeometry --shell "$win" 2>/dev/null)"
  [ "$WIDTH" = 1600 ] && [ "$HEIGHT" = 1000 ] && break
  sleep 0.1
done
[ "$WIDTH" = 1600 ] && [ "$HEIGHT" = 1000 ] || e2e_fail "the window is ${WIDTH}x${HEIGHT}, not the full 1600x1000 screen"

# 640x480 doubled is 1280x960 at (160,20). Outside surface rows 40..439 the
# show never draws, so those stripes stay black like the bars; the white
# root would show through anything left unpainted.
painted=""
for i in $(seq 50); do
  e2e_screenshot "$E2E_TMP/shot.png"
  if [ "$(e2e_region_max "$E2E_TMP/shot.png" 1280x80+160+20)" = 0 ] &&
     [ "$(e2e_region_max "$E2E_TMP/shot.png" 1280x80+160+900)" = 0 ] &&
     [ "$(e2e_region_max "$E2E_TMP/shot.png" 1600x20+0+0)" = 0 ]; then painted=1; break; fi
  sleep 0.1
done
[ -n "$painted" ] || e2e_fail "the window was never painted black outside the picture rows (see $E2E_TMP/shot.png)"
e2e_expect_black_around "$E2E_TMP/shot.png" 1280 960 160 20

# Frames keep coming: the picture rows change from one screenshot to a later one.
convert "$E2E_TMP/shot.png" -crop 1280x800+160+100 +repage "$E2E_TMP/first.png"
moving=""
for i in $(seq 20); do
  sleep 0.5
  e2e_screenshot "$E2E_TMP/later.png"
  convert "$E2E_TMP/later.png" -crop 1280x800+160+100 +repage "$E2E_TMP/now.png"
  differing="$(compare -metric AE "$E2E_TMP/first.png" "$E2E_TMP/now.png" null: 2>&1)"
  [ "$differing" != 0 ] && { moving=1; break; }
done
[ -n "$moving" ] || e2e_fail "the picture did not change for 10 s: no frames are being presented"

kill -0 "$SHOW_PID" 2>/dev/null || e2e_fail "the show ended by itself"
xdotool windowactivate --sync "$win" >/dev/null 2>&1
xdotool key Escape
e2e_wait_for_exit "$SHOW_PID" 30; status=$?
[ "$status" = 124 ] && e2e_fail "the show did not end within 30 s of Escape"
[ "$status" = 0 ] || e2e_fail "Escape ended the show with status $status: $(cat "$E2E_TMP/show.err")"
[ ! -s "$E2E_TMP/show.err" ] || e2e_fail "the show wrote to stderr: $(cat "$E2E_TMP/show.err")"
echo "$E2E_NAME: ok"
