#!/usr/bin/env bash
# The GStreamer element's share of one core in a player: a playbin playing a
# WAV in real time with vis-plugin=zivvis to fake sinks at 60 fps, against the
# same playback without the visualiser. Prints user+system seconds of both,
# their difference per second of music (the element, with playbin's colour
# conversion after it) and the frames the video sink got.
#
#   bench/gst_cpu.sh [seconds] [build-dir]     # defaults: 30 s, ./build
set -euo pipefail
seconds="${1:-30}"
build="$(cd "${2:-$(dirname "$0")/../build}" && pwd)"
[ -f "$build/gst/libgstziv.so" ] || { echo "gst_cpu: no $build/gst/libgstziv.so (cmake --build build --target gstziv)" >&2; exit 1; }
export GST_PLUGIN_PATH="$build/gst"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
export GST_REGISTRY="$tmp/registry.bin"
sox -n -r 44100 -c 2 -b 16 "$tmp/music.wav" synth "$seconds" pinknoise tremolo 2 80 vol 0.5
uri="file://$tmp/music.wav"

run() {  # label flags [more playbin properties]
  local label="$1" flags="$2"; shift 2
  /usr/bin/time -f "%U %S %e" -o "$tmp/$label.time" gst-launch-1.0 -q playbin uri="$uri" flags="$flags" \
    audio-sink="fakesink sync=true" "$@" >"$tmp/$label.out" 2>&1
  read -r user sys wall <"$tmp/$label.time"
  echo "$label: user ${user} s, system ${sys} s, wall ${wall} s"
  echo "$user $sys" >"$tmp/$label.cpu"
}
run without "audio"
run with "audio+video+vis" vis-plugin=zivvis \
  video-sink="capsfilter caps=video/x-raw,framerate=60/1 ! fakesink sync=true signal-handoffs=false"
read -r u0 s0 <"$tmp/without.cpu"
read -r u1 s1 <"$tmp/with.cpu"
awk -v u0="$u0" -v s0="$s0" -v u1="$u1" -v s1="$s1" -v t="$seconds" \
  'BEGIN { printf "zivvis at 60 fps: %.3f s of processor for %d s of music: %.1f %% of one core\n", (u1 + s1) - (u0 + s0), t, 100 * ((u1 + s1) - (u0 + s0)) / t }'
