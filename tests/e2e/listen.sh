#!/usr/bin/env bash
# ziv-play --listen against a PulseAudio server of the test's own (a null
# sink, nothing audible): a tone played into it is seen in its band, the
# delay from starting the tone to the band reacting is printed, the live
# show runs on it, without a server ziv-play says so and exits 1, and when
# the server goes away during the show one line says so and it ends with 1.
source "$(dirname "$0")/lib.sh"
e2e_require pulseaudio paplay pacat pactl ffmpeg xdotool
e2e_under_xvfb 1024x768 "$@"
play="$ZIV_BUILD_DIR/ziv-play"
probe="$ZIV_BUILD_DIR/listen_probe"
[ -x "$play" ] && [ -x "$probe" ] || e2e_fail "ziv-play or listen_probe is not built in $ZIV_BUILD_DIR"
cd "$E2E_TMP" || exit 1

# No server: one line, status 1, quickly.
PULSE_SERVER="unix:$E2E_TMP/nothing-here" timeout 10 "$play" --listen --window 2>none.err; status=$?
[ "$status" = 1 ] || e2e_fail "--listen without a server gave status $status"
[ "$(wc -l < none.err)" = 1 ] || e2e_fail "--listen without a server said: $(cat none.err)"

# A server of our own, reachable only through its socket.
mkdir -p runtime home
export XDG_RUNTIME_DIR="$E2E_TMP/runtime" HOME="$E2E_TMP/home" PULSE_SERVER="unix:$E2E_TMP/pulse.socket"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disallow-exit \
  --load="module-null-sink sink_name=ziv_null" \
  --load="module-native-protocol-unix socket=$E2E_TMP/pulse.socket auth-anonymous=1" >pulse.log 2>&1 &
pulse_pid=$!
E2E_PIDS+=("$pulse_pid")
for i in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || e2e_fail "the test's PulseAudio did not start: $(cat pulse.log)"
pactl set-default-sink ziv_null

# Band 64 is centred on 64 x 44100 / 1024 = 2756.25 Hz.
timeout 30 ffmpeg -nostdin -v error -y -f lavfi -i "sine=frequency=2756.25:sample_rate=44100:duration=2" \
  -af "volume=4" -c:a pcm_s16le tone.wav || e2e_fail "cannot make the tone"
# An idle null sink renders up to 2 s of silence ahead, and a new stream waits behind it. A desktop
# always has a stream playing with low latency; so does this server, for the delay to mean anything.
pacat --playback --latency-msec=10 --raw --format=s16le --rate=44100 --channels=1 </dev/zero &
E2E_PIDS+=($!)
sleep 1
"$probe" 64 15 >probe.out 2>probe.err &
probe_pid=$!
E2E_PIDS+=("$probe_pid")
e2e_wait_for_line probe.out ready 30 || e2e_fail "the probe did not start: $(cat probe.err)"
sleep 0.5
started=$(date +%s%3N)
paplay --latency-msec=20 tone.wav &
E2E_PIDS+=($!)
e2e_wait_for_exit "$probe_pid" 30; status=$?
[ "$status" = 0 ] || e2e_fail "the tone was not seen in its band (status $status): $(cat probe.out probe.err)"
heard=$(awk '/^heard/ {print $4}' probe.out)
echo "$E2E_NAME: band 64 reacted $((heard - started)) ms after paplay started ($(grep heard probe.out))"

# The live show on what is captured, then Escape.
"$play" --listen --window >play.out 2>play.err &
play_pid=$!
E2E_PIDS+=("$play_pid")
win="$(e2e_wait_for_window '^ziv-play: listening$' 60)" || e2e_fail "no ziv-play window: $(cat play.err)"
paplay tone.wav
xdotool windowactivate --sync "$win" 2>/dev/null
xdotool key Escape
e2e_wait_for_exit "$play_pid" 30; status=$?
[ "$status" = 0 ] || e2e_fail "ziv-play --listen ended with $status: $(cat play.err)"

# The server goes away mid-show: one line names what happened, and the show ends with 1, not dark.
"$play" --listen ziv_null.monitor --window >lost.out 2>lost.err &
play_pid=$!
E2E_PIDS+=("$play_pid")
e2e_wait_for_window '^ziv-play: listening$' 60 >/dev/null || e2e_fail "no second ziv-play window: $(cat lost.err)"
sleep 1
kill "$pulse_pid"
e2e_wait_for_exit "$play_pid" 30; status=$?
[ "$status" = 1 ] || e2e_fail "ziv-play --listen gave status $status when the server went away: $(cat lost.err)"
[ "$(wc -l < lost.err)" = 1 ] || e2e_fail "the lost server was not said in one line: $(cat lost.err)"
grep -q "^ziv-play: lost the sound server while listening to 'ziv_null.monitor': .*; the show ends$" lost.err ||
  e2e_fail "the lost server was said as: $(cat lost.err)"
echo "$E2E_NAME: server gone: $(cat lost.err)"
echo "$E2E_NAME: ok"
