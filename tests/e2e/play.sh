#!/usr/bin/env bash
# ziv-play on files: bad input refused up front, two files played in order,
# Right skips, Space pauses music and pictures, F switches full screen, Escape ends.
source "$(dirname "$0")/lib.sh"
e2e_require xdotool ffmpeg import convert
e2e_under_xvfb 1600x1000 "$@"
e2e_start_window_manager
play="$ZIV_BUILD_DIR/ziv-play"
[ -x "$play" ] || e2e_fail "no ziv-play in $ZIV_BUILD_DIR"
cd "$E2E_TMP" || exit 1

tone() {  # file seconds frequency
  timeout 60 ffmpeg -nostdin -v error -y -f lavfi -i "sine=frequency=$3:sample_rate=44100:duration=$2" \
    -af "volume=0.8" "$1" || e2e_fail "ffmpeg could not make $1"
}
tone a.ogg 2 440
tone b.mp3 2 2000
tone long.flac 30 660
echo "not music" > notes.mp3
mkfifo pipe.ogg
mkdir folder.ogg

# Bad input: each named on one line, and nothing playable is status 1, at once (no hang on the FIFO).
timeout 10 "$play" --window notes.mp3 pipe.ogg folder.ogg missing.wav 2>bad.err; status=$?
[ "$status" = 1 ] || e2e_fail "unplayable files gave status $status: $(cat bad.err)"
[ "$(grep -c "^ziv-play: skipping" bad.err)" = 4 ] || e2e_fail "not one line per bad file: $(cat bad.err)"
grep -q "none of the files can be played" bad.err || e2e_fail "no closing line: $(cat bad.err)"
timeout 10 "$play" --bogus >/dev/null 2>&1; [ $? = 2 ] || e2e_fail "a bad option did not give status 2"
"$play" --version | grep -qx "ziv-play [0-9.]*" || e2e_fail "--version: $("$play" --version)"

# No display: the show's own one-line reason, status 1.
env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$play" --window a.ogg 2>nodisplay.err; status=$?
[ "$status" = 1 ] || e2e_fail "without a display ziv-play gave status $status"
grep -q "^ziv-play: no display" nodisplay.err || e2e_fail "without a display ziv-play said: $(cat nodisplay.err)"

start_play() {
  "$play" "$@" >play.out 2>play.err &
  PLAY_PID=$!
  E2E_PIDS+=("$PLAY_PID")
}
wait_title() {  # pattern seconds
  e2e_wait_for_window "$1" "$2" >/dev/null || e2e_fail "no window titled '$1' within $2 s: $(cat play.err)"
}

# Two files in order, skipping the bad one between them, then the show ends by itself.
start_play --window a.ogg notes.mp3 b.mp3
wait_title '^ziv-play: a\.ogg \(1/2\)$' 60
wait_title '^ziv-play: b\.mp3 \(2/2\)$' 30
e2e_wait_for_exit "$PLAY_PID" 30; status=$?
[ "$status" = 0 ] || e2e_fail "after the last file ziv-play ended with $status: $(cat play.err)"
grep -q "skipping 'notes.mp3'" play.err || e2e_fail "the bad file was not named: $(cat play.err)"

# Right skips to the next file; Space stops pictures and music; F fills the screen; Escape ends.
start_play --window long.flac b.mp3
wait_title '^ziv-play: long\.flac \(1/2\)$' 60
win="$(e2e_wait_for_window '^ziv-play' 30)"
xdotool windowactivate --sync "$win" 2>/dev/null
sleep 1
xdotool key space
wait_title '\(paused\)$' 30
sleep 0.5
import -window "$win" paused1.png && sleep 1 && import -window "$win" paused2.png || e2e_fail "no screenshot"
[ "$(compare -metric AE paused1.png paused2.png null: 2>&1)" = 0 ] || e2e_fail "the pictures went on while paused"
xdotool key space
wait_title '^ziv-play: long\.flac \(1/2\)$' 30
sleep 0.5
import -window "$win" playing1.png && sleep 0.5 && import -window "$win" playing2.png || e2e_fail "no screenshot"
[ "$(compare -metric AE playing1.png playing2.png null: 2>&1)" != 0 ] || e2e_fail "the pictures did not move after resuming"
xdotool key Right
wait_title '^ziv-play: b\.mp3 \(2/2\)$' 30
xdotool key f
for i in $(seq 50); do
  geometry="$(xdotool getwindowgeometry "$win" | grep Geometry)"
  [ "$geometry" = "  Geometry: 1600x1000" ] && break
  sleep 0.1
done
[ "$geometry" = "  Geometry: 1600x1000" ] || e2e_fail "F did not make the window fill the screen: $geometry"
xdotool key Escape
e2e_wait_for_exit "$PLAY_PID" 30; status=$?
[ "$status" = 0 ] || e2e_fail "Escape ended ziv-play with $status: $(cat play.err)"

# Titles from names that are not UTF-8, or not ASCII: both title properties move on, as valid text.
cp a.ogg $'caf\xe9.ogg'
cp a.ogg 'Ça va 夜.ogg'
start_play --window --loop $'caf\xe9.ogg' 'Ça va 夜.ogg'
wait_title '^ziv-play: caf\\xE9\.ogg \(1/2\)$' 60
win="$(e2e_wait_for_window '^ziv-play' 30)"
xdotool windowactivate --sync "$win" 2>/dev/null
xdotool key Right
wait_title '^ziv-play: Ça va 夜\.ogg \(2/2\)$' 30
names="$(xprop -id "$win" WM_NAME _NET_WM_NAME)"
[ "$(echo "$names" | grep -c '= "ziv-play: Ça va 夜.ogg (2/2)"$')" = 2 ] || e2e_fail "the title properties differ: $names"
xdotool key Escape
e2e_wait_for_exit "$PLAY_PID" 30 || e2e_fail "Escape did not end ziv-play"
echo "$E2E_NAME: ok"
