#!/usr/bin/env bash
# The show's full screen covers the screen and fills it sharply, on screens
# of 1920x1080 and 1280x1024, under a window manager and on a bare X server
# (where nobody honours a request for full screen): the window is the
# screen's size at its origin, the picture is the largest 4:3 area (the show
# never draws its surface rows 0..39 and 440..479, so those stripes stay black
# like the bars; the white root would show through anything unpainted),
# frames keep coming, and Escape ends the show with status 0. Screenshots go to
# $ZIV_BUILD_DIR/e2e-artefacts/show_fullscreen/<size>-<openbox|bare>.png.
#
#   show_fullscreen.sh                   # every screen, with and without openbox
#   show_fullscreen.sh 1920x1080 bare    # one of them
source "$(dirname "$0")/lib.sh"
e2e_require xdotool import convert compare

if [ $# -eq 0 ]; then
  failed=0 ran=0
  for size in 1920x1080 1280x1024; do
    for manager in openbox bare; do
      bash "$0" "$size" "$manager"
      case $? in 0) ran=$((ran + 1)) ;; 77) ;; *) failed=1 ;; esac
    done
  done
  [ "$failed" = 0 ] || e2e_fail "see the lines above"
  [ "$ran" -gt 0 ] || e2e_skip "no screen could be tried"
  echo "$E2E_NAME: ok"
  exit 0
fi

size="$1" manager="$2"
E2E_XVFB_RESETS=1 e2e_under_xvfb "$size" "$@"  # the bare case must survive a server that resets
label="$size-$manager"
artefacts="$ZIV_BUILD_DIR/e2e-artefacts/$E2E_NAME"
mkdir -p "$artefacts"
W="$E2E_SCREEN_WIDTH" H="$E2E_SCREEN_HEIGHT"
[ "$manager" = bare ] || e2e_start_window_manager
# An X server with no client left resets, wiping the root's properties and refusing
# connections meanwhile. On a bare server the show may be its only client, so a mark
# put on the root while the dialog is up must still be there once the show's window is.
[ "$manager" = bare ] && E2E_ON_DIALOG='xprop -root -f ZIV_E2E_MARK 8s -set ZIV_E2E_MARK kept'
e2e_start_show

win="$(e2e_wait_for_window '^ziv$' 60)" ||
  e2e_fail "$label: no window titled ziv within 60 s: $(e2e_show_state)"
[ "$manager" = bare ] && ! xprop -root ZIV_E2E_MARK 2>/dev/null | grep -q '"kept"' &&
  e2e_fail "$label: the X server reset between the dialog and the show (the show left it without a client)"
X=-1 Y=-1 WIDTH=0 HEIGHT=0
for i in $(seq 50); do
  eval "$(xdotool getwindowgeometry --shell "$win" 2>/dev/null)"
  [ "$WIDTH" = "$W" ] && [ "$HEIGHT" = "$H" ] && [ "$X" = 0 ] && [ "$Y" = 0 ] && break
  sleep 0.1
done
[ "$WIDTH" = "$W" ] && [ "$HEIGHT" = "$H" ] && [ "$X" = 0 ] && [ "$Y" = 0 ] ||
  e2e_fail "$label: the window is ${WIDTH}x${HEIGHT} at ($X,$Y), not the whole screen: $(e2e_show_state)"

# The 4:3 area, and in it the band of surface rows 40..439 the show draws.
if [ $((W * 3)) -ge $((H * 4)) ]; then ph=$H pw=$((H * 4 / 3)); else pw=$W ph=$((W * 3 / 4)); fi
px=$(((W - pw) / 2)) py=$(((H - ph) / 2))
band_y=$((py + ph / 12)) band_h=$((ph * 10 / 12))
# The show's first frames may be dark (the music fades in, the trail starts
# black), so wait for a frame with something in the band as well.
painted="" lit=""
deadline=$((SECONDS + 20))
while [ $SECONDS -lt $deadline ]; do
  e2e_screenshot "$E2E_TMP/shot.png"
  if [ "$(e2e_region_max "$E2E_TMP/shot.png" "${W}x${band_y}+0+0")" = 0 ] &&
     [ "$(e2e_region_max "$E2E_TMP/shot.png" "${W}x$((H - band_y - band_h))+0+$((band_y + band_h))")" = 0 ]; then
    painted=1
    [ "$(e2e_region_max "$E2E_TMP/shot.png" "${pw}x${band_h}+$px+$band_y")" != 0 ] && { lit=1; break; }
  fi
  sleep 0.1
done
[ -n "$painted" ] || e2e_fail "$label: the screen was never black above and below the picture (see $E2E_TMP/shot.png)"
[ -n "$lit" ] || e2e_fail "$label: the picture's band stayed black for 20 s: the picture is not where the screen shows it"
e2e_expect_black_around "$E2E_TMP/shot.png" "$pw" "$band_h" "$px" "$band_y"

# Frames keep coming: the picture rows change from one screenshot to a later one.
convert "$E2E_TMP/shot.png" -crop "${pw}x${band_h}+$px+$band_y" +repage "$E2E_TMP/first.png"
moving=""
for i in $(seq 20); do
  sleep 0.5
  e2e_screenshot "$E2E_TMP/later.png"
  convert "$E2E_TMP/later.png" -crop "${pw}x${band_h}+$px+$band_y" +repage "$E2E_TMP/now.png"
  differing="$(compare -metric AE "$E2E_TMP/first.png" "$E2E_TMP/now.png" null: 2>&1)"
  [ "$differing" != 0 ] && { moving=1; break; }
done
[ -n "$moving" ] || e2e_fail "$label: the picture did not change for 10 s: no frames are being presented"
cp "$E2E_TMP/later.png" "$artefacts/$label.png"

kill -0 "$SHOW_PID" 2>/dev/null || e2e_fail "$label: the show ended by itself"
[ "$manager" = bare ] || xdotool windowactivate --sync "$win" >/dev/null 2>&1
xdotool key Escape
e2e_wait_for_exit "$SHOW_PID" 30; status=$?
[ "$status" = 124 ] && e2e_fail "$label: the show did not end within 30 s of Escape"
[ "$status" = 0 ] || e2e_fail "$label: Escape ended the show with status $status: $(cat "$E2E_TMP/show.err")"
[ ! -s "$E2E_TMP/show.err" ] || e2e_fail "$label: the show wrote to stderr: $(cat "$E2E_TMP/show.err")"
echo "$E2E_NAME $label: ok ($artefacts/$label.png)"
