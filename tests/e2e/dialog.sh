#!/usr/bin/env bash
# The start-up dialog on the real program, driven with the keyboard and the
# mouse under Xvfb with a window manager: it comes first, opens focused,
# Escape and the window manager's close end the program with status 1 before
# any sound device is opened, and its choices decide the show's window.
# Artefacts (screenshots, logs) go to $ZIV_BUILD_DIR/e2e-artefacts/dialog/.
set -uo pipefail

build_dir="${ZIV_BUILD_DIR:-$(cd "$(dirname "$0")/../.." && pwd)/build}"
ziv="$build_dir/ziv"
artefacts="$build_dir/e2e-artefacts/dialog"

for tool in xvfb-run xdotool openbox wmctrl xprop xwininfo import sox oggenc; do
  command -v "$tool" >/dev/null || { echo "dialog e2e: skipped, '$tool' is not installed"; exit 77; }
done
[ -x "$ziv" ] || { echo "dialog e2e: '$ziv' is not built" >&2; exit 1; }

if [ -z "${ZIV_E2E_IN_XVFB:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" env ZIV_E2E_IN_XVFB=1 bash "$0" "$@"
fi

mkdir -p "$artefacts"
work=$(mktemp -d)
openbox >/dev/null 2>&1 &
wm_pid=$!
trap 'kill "$wm_pid" 2>/dev/null; [ -n "${ziv_pid:-}" ] && kill "$ziv_pid" 2>/dev/null; rm -rf "$work"' EXIT
# The dialog must open focused, which takes a window manager that is up
# (on a loaded machine openbox can take many seconds to start).
deadline=$((SECONDS + 90))
until wmctrl -m >/dev/null 2>&1; do
  [ $SECONDS -lt $deadline ] && kill -0 "$wm_pid" 2>/dev/null || { echo "dialog e2e: openbox did not start" >&2; exit 1; }
  sleep 0.1
done

# A short track, so that a show with sound on really plays something.
sox -q -n -r 44100 -c 2 -b 16 "$work/track.wav" synth 3 sine 440 vol 0.3 &&
  oggenc -Q -o "$work/DuskPulse.ogg" "$work/track.wav" || { echo "dialog e2e: cannot make a track" >&2; exit 1; }

# Failures are counted in a file: some checks run in command substitutions.
fail() { echo "FAIL [$scenario]: $*" | tee -a "$work/failures" >&2; }

# Starts ziv in an empty folder, sound going to SDL's disk driver.
start_ziv() {
  rm -f "$work/audio.raw"
  (cd "$work" && exec env SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw" "$ziv" \
    >"$artefacts/$scenario.log" 2>&1) &
  ziv_pid=$!
}

# Waits up to $1 seconds for a visible window of ziv whose name matches $2
# (an extended regex); prints its id.
wait_window() {
  local deadline=$((SECONDS + $1)) w
  while [ $SECONDS -lt $deadline ]; do
    for w in $(xdotool search --onlyvisible --pid "$ziv_pid" 2>/dev/null); do
      if xdotool getwindowname "$w" 2>/dev/null | grep -Eqx -- "$2"; then echo "$w"; return 0; fi
    done
    kill -0 "$ziv_pid" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}

# Waits for the dialog, checks it is the program's first window and has the
# focus, and takes its picture; prints its id.
wait_dialog() {
  local w
  w=$(wait_window 60 '') || { fail "no dialog appeared"; return 1; }
  if [ -n "$(xdotool search --all --pid "$ziv_pid" --name '^ziv$' 2>/dev/null)" ]; then
    fail "the show's window exists while the dialog is up"
  fi
  local deadline=$((SECONDS + 30))
  while [ "$(xdotool getactivewindow 2>/dev/null)" != "$w" ] && [ $SECONDS -lt $deadline ]; do sleep 0.05; done
  [ "$(xdotool getactivewindow 2>/dev/null)" = "$w" ] || fail "the dialog did not open focused"
  # xprop's whole answer first: grep -q leaving the pipe early can kill xprop
  # with SIGPIPE, which pipefail reports as a failure however grep decided.
  local icons
  icons="$(xprop -id "$w" _NET_WM_ICON)"
  grep -q 'Icon (32 x 32)' <<<"$icons" || fail "the dialog has no 32x32 icon"
  sleep 0.2
  import -window "$w" "$artefacts/$scenario-dialog.png" 2>/dev/null
  echo "$w"
}

# Waits up to $1 seconds for ziv to end; sets status (124: it was still running).
wait_exit() {
  local deadline=$((SECONDS + $1))
  while kill -0 "$ziv_pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.05; done
  if kill -0 "$ziv_pid" 2>/dev/null; then
    kill "$ziv_pid" 2>/dev/null
    wait "$ziv_pid" 2>/dev/null
    status=124
  else
    wait "$ziv_pid"
    status=$?
  fi
  ziv_pid=
}

# Checks that ziv was cancelled: status 1, no show window, no sound device.
expect_cancelled() {
  wait_exit 30
  [ "$status" = 1 ] || fail "exit status $status, wanted 1"
  [ -e "$work/audio.raw" ] && fail "a sound device was opened"
  grep -q . "$artefacts/$scenario.log" && fail "the program wrote: $(head -c 200 "$artefacts/$scenario.log")"
}

# Waits for the show's window and prints "width height fullscreen(0|1)".
show_window_state() {
  local w
  w=$(wait_window 60 'ziv') || { fail "the show's window never appeared"; return 1; }
  sleep 1
  # A key left over from the dialog would have ended the show at its first frame.
  kill -0 "$ziv_pid" 2>/dev/null || { fail "the show ended by itself"; return 1; }
  local width height full=0
  width=$(xwininfo -id "$w" | awk '/^ *Width:/ {print $2}')
  height=$(xwininfo -id "$w" | awk '/^ *Height:/ {print $2}')
  local state icons
  state="$(xprop -id "$w" _NET_WM_STATE)"
  grep -q _NET_WM_STATE_FULLSCREEN <<<"$state" && full=1
  icons="$(xprop -id "$w" _NET_WM_ICON)"
  grep -q 'Icon (32 x 32)' <<<"$icons" || fail "the show's window has no 32x32 icon"
  import -window "$w" "$artefacts/$scenario-show.png" 2>/dev/null
  echo "$width $height $full $w"
}

# Escape on the show's window ($1) ends the show with status 0.
end_show() {
  xdotool windowactivate --sync "$1" 2>/dev/null
  xdotool key Escape
  wait_exit 30
  [ "$status" = 0 ] || fail "the show ended with status $status, wanted 0"
}

scenario=escape
start_ziv
if wait_dialog >/dev/null; then
  xdotool key Escape
  expect_cancelled
fi

scenario=changes-then-escape
start_ziv
if wait_dialog >/dev/null; then
  xdotool key space Tab Tab space   # sound off, fullscreen off: never used
  sleep 0.2
  xdotool key Escape
  expect_cancelled
fi

scenario=window-manager-close
start_ziv
if dialog=$(wait_dialog); then
  wmctrl -i -c "$dialog"   # asks the window manager to close it
  expect_cancelled
fi

scenario=windowed-by-keyboard
start_ziv
if wait_dialog >/dev/null; then
  xdotool key Tab Tab space
  sleep 0.2
  xdotool key Return
  if state=$(show_window_state); then
    read -r width height full show <<<"$state"
    [ "$width x $height" = "640 x 480" ] || fail "show window is ${width}x${height}, wanted 640x480"
    [ "$full" = 0 ] || fail "show window is full screen"
    end_show "$show"
  fi
fi

scenario=ok-with-defaults
start_ziv
if wait_dialog >/dev/null; then
  xdotool key Return
  if state=$(show_window_state); then
    read -r width height full show <<<"$state"
    [ "$full" = 1 ] || [ "$width x $height" = "1024 x 768" ] || fail "show window is ${width}x${height}, not full screen"
    end_show "$show"
    [ -e "$work/audio.raw" ] || fail "with sound on, no sound device was opened"
  fi
fi

scenario=windowed-by-mouse
start_ziv
if dialog=$(wait_dialog); then
  # The boxes' squares sit at the right end of their rows, OK fills the right side.
  geometry=$(xwininfo -id "$dialog")
  dw=$(awk '/^ *Width:/ {print $2}' <<<"$geometry")
  dh=$(awk '/^ *Height:/ {print $2}' <<<"$geometry")
  box_x=$((dw * 50 / 88))        # inside the boxes' column, on the squares
  full_y=$((dh * 8 / 45))        # "fullscreen" row
  ok_x=$((dw * 72 / 88)); ok_y=$((dh * 22 / 45))
  xdotool mousemove --window "$dialog" "$box_x" "$full_y" click 1
  sleep 0.2
  import -window "$dialog" "$artefacts/$scenario-after-click.png" 2>/dev/null
  xdotool mousemove --window "$dialog" "$ok_x" "$ok_y" click 1
  if state=$(show_window_state); then
    read -r width height full show <<<"$state"
    [ "$width x $height" = "640 x 480" ] || fail "show window is ${width}x${height}, wanted 640x480"
    [ "$full" = 0 ] || fail "show window is full screen"
    end_show "$show"
  fi
fi

if [ -s "$work/failures" ]; then
  echo "dialog e2e: $(wc -l <"$work/failures") failure(s); artefacts in $artefacts" >&2
  exit 1
fi
echo "dialog e2e: all scenarios passed; artefacts in $artefacts"
