#!/usr/bin/env bash
# The console shows exactly the colour of every pixel (never its top byte):
# full screen with whole factors, doubled with hard square pixels and centred
# between black bars; windowed, one to one. Full screen as the console does it
# by default (the sharp fill) gives every row of the picture the same height on
# screen, within a quarter of a pixel (nearest sampling makes them 2 or 3 pixels
# high, a whole pixel apart): the heights are written to
# $ZIV_BUILD_DIR/e2e-artefacts/console_picture/row-heights.txt.
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

artefacts="$ZIV_BUILD_DIR/e2e-artefacts/$E2E_NAME"
mkdir -p "$artefacts"

# Waits until the window covers the screen and the given bar region is black.
wait_full_screen() {
  local win="$1" bar="$2" ok="" i
  for i in $(seq 50); do  # the window manager makes it full screen shortly after it maps
    e2e_screenshot "$E2E_TMP/shot.png"
    WIDTH=0
    eval "$(xdotool getwindowgeometry --shell "$win" 2>/dev/null)"
    [ "$WIDTH" = 1600 ] && [ "$(e2e_region_max "$E2E_TMP/shot.png" "$bar")" = 0 ] && { ok=1; break; }
    sleep 0.1
  done
  [ -n "$ok" ] || e2e_fail "$3: the window never covered the screen with black bars"
  sleep 0.3; e2e_screenshot "$E2E_TMP/shot.png"
}

start_pattern fullscreen-integer
win="$PATTERN_WIN"
wait_full_screen "$win" 1600x20+0+0 fullscreen-integer
e2e_expect_black_around "$E2E_TMP/shot.png" 1280 960 160 20
expect_picture fullscreen-integer 1280x960+160+20 200%
stop_pattern "$win" fullscreen-integer

# The sharp fill: 640x480 onto 1333x1000 at (133,0), 2.083 screen rows per row.
start_pattern rows
win="$PATTERN_WIN"
wait_full_screen "$win" 133x1000+0+0 rows
cp "$E2E_TMP/shot.png" "$artefacts/rows-1600x1000.png"
e2e_expect_black_around "$E2E_TMP/shot.png" 1333 1000 133 0
# Row k is lit in channel k % 3 only; its height is its channel summed down a column,
# over the screen rows it can reach (rows of the same channel are three apart).
convert "$E2E_TMP/shot.png" -crop 1x1000+800+0 +repage -depth 8 txt:- |
  awk -F'[(,)]' 'NR > 1 { r[NR - 2] = $3; g[NR - 2] = $4; b[NR - 2] = $5 }
    END {
      s = 1000 / 480; lo = 1e9; hi = -1
      for (k = 0; k < 480; k++) {
        c = k % 3; h = 0
        for (y = int(k * s) - 1; y <= int((k + 1) * s) + 1; y++) {
          if (y < 0 || y >= 1000) continue
          h += (c == 0 ? r[y] : c == 1 ? g[y] : b[y]) / 255
        }
        printf "row %d: %.3f\n", k, h
        if (h < lo) lo = h; if (h > hi) hi = h
      }
      printf "heights %.3f..%.3f screen rows (spread %.3f)\n", lo, hi, hi - lo
    }' >"$artefacts/row-heights.txt"
tail -1 "$artefacts/row-heights.txt"
awk '/^heights/ { split($2, a, "[.][.]"); exit !(a[2] - a[1] <= 0.25 && a[1] > 1.5) }' "$artefacts/row-heights.txt" ||
  e2e_fail "rows: the picture's rows are not all the same height on screen: $(tail -1 "$artefacts/row-heights.txt")"
stop_pattern "$win" rows

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
