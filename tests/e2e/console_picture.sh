#!/usr/bin/env bash
# The console shows exactly the colour of every pixel (never its top byte):
# full screen, doubled with hard square pixels and centred between black
# bars; windowed, one to one.
source "$(dirname "$0")/lib.sh"
e2e_require xdotool import convert compare
e2e_under_xvfb 1600x1000 "$@"
e2e_start_window_manager
helper="$ZIV_BUILD_DIR/console_pattern"
[ -x "$helper" ] || e2e_fail "no console_pattern in $ZIV_BUILD_DIR (build it first)"

# Runs the helper in a mode; PATTERN_WIN is its window once it has presented.
start_pattern() {
  "$helper" "$1" "$E2E_TMP/expected.ppm" >"$E2E_TMP/pattern.out" 2>"$E2E_TMP/pattern.err" &
  PATTERN_PID=$!
  E2E_PIDS+=("$PATTERN_PID")
  e2e_wait_for_line "$E2E_TMP/pattern.out" presented 60 || e2e_fail "$1: nothing presented within 60 s: $(cat "$E2E_TMP/pattern.err")"
  PATTERN_WIN="$(e2e_wait_for_window '^ziv$' 30)" || e2e_fail "$1: no window titled ziv"
}

# Compares a region of the screen with the expected picture at a scale.
expect_picture() {
  local label="$1" region="$2" scale="$3" differing
  convert "$E2E_TMP/expected.ppm" -sample "$scale" "$E2E_TMP/want.png"
  convert "$E2E_TMP/shot.png" -crop "$region" +repage "$E2E_TMP/got.png"
  differing="$(compare -metric AE "$E2E_TMP/want.png" "$E2E_TMP/got.png" null: 2>&1)"
  [ "$differing" = 0 ] || e2e_fail "$label: $differing pixels differ from the expected picture in $region"
}

stop_pattern() {
  xdotool windowactivate --sync "$1" >/dev/null 2>&1
  xdotool key Escape
  e2e_wait_for_exit "$PATTERN_PID" 30; local status=$?
  [ "$status" = 27 ] || e2e_fail "$2: Escape did not end the helper (status $status)"
}

start_pattern fullscreen
win="$PATTERN_WIN"
ok=""
for i in $(seq 50); do  # the window manager makes it full screen shortly after it maps
  e2e_screenshot "$E2E_TMP/shot.png"
  WIDTH=0
  eval "$(xdotool getwindowgeometry --shell "$win" 2>/dev/null)"
  [ "$WIDTH" = 1600 ] && [ "$(e2e_region_max "$E2E_TMP/shot.png" 1600x20+0+0)" = 0 ] && { ok=1; break; }
  sleep 0.1
done
[ -n "$ok" ] || e2e_fail "fullscreen: the window never covered the screen with black bars"
sleep 0.3; e2e_screenshot "$E2E_TMP/shot.png"
e2e_expect_black_around "$E2E_TMP/shot.png" 1280 960 160 20
expect_picture fullscreen 1280x960+160+20 200%
stop_pattern "$win" fullscreen

start_pattern windowed
win="$PATTERN_WIN"
sleep 0.3
e2e_require xwininfo
info="$(xwininfo -id "$win")"
X="$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")"
Y="$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")"
WIDTH="$(sed -n 's/.*Width: *//p' <<<"$info")"
HEIGHT="$(sed -n 's/.*Height: *//p' <<<"$info")"
[ "$WIDTH" = 640 ] && [ "$HEIGHT" = 480 ] || e2e_fail "windowed: the window is ${WIDTH}x${HEIGHT}, not 640x480"
e2e_screenshot "$E2E_TMP/shot.png"
expect_picture windowed "640x480+$X+$Y" 100%
stop_pattern "$win" windowed
echo "$E2E_NAME: ok"
