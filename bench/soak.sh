#!/usr/bin/env bash
# Soak: the live show under Xvfb with the loop option (windowed, sound on
# SDL's dummy driver unless SDL_AUDIODRIVER says otherwise) for MINUTES
# minutes, then Escape. Prints resident memory at the start and the end, the
# share of one core the show used, frames per second from the frames the
# console presented (counted by ziv_soak), and the sound library's underruns.
#
#   bench/soak.sh 30            # after a release build (cmake --build --preset release)
set -uo pipefail
minutes="${1:?usage: bench/soak.sh MINUTES}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ZIV_BUILD_DIR:-$root/build}"
soak="$build/ziv_soak"
[ -x "$soak" ] || { echo "soak: $soak is missing (build the release preset)" >&2; exit 1; }
[ -f "$build/DuskPulse.ogg" ] || { echo "soak: no DuskPulse.ogg in $build" >&2; exit 1; }
for tool in xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "soak: $tool is not installed" >&2; exit 1; }
done
if [ -z "${ZIV_SOAK_IN_XVFB:-}" ]; then
  ZIV_SOAK_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 800x600x24" bash "$0" "$@"
fi
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
unset SDL_VIDEODRIVER

out="$(mktemp -d /tmp/ziv-soak-XXXXXX)"
trap 'rm -rf "$out"' EXIT
(cd "$build" && exec "$soak") >"$out/counts" 2>"$out/err" &
pid=$!

rss() { awk '/^VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$pid/stat" 2>/dev/null; }

# The dialog: loop on (Tab space), full screen off (Tab space), then OK.
dialog=""
for _ in $(seq 300); do
  dialog="$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1)"
  [ -n "$dialog" ] && break
  sleep 0.1
done
[ -n "$dialog" ] || { echo "soak: no dialog within 30 s: $(cat "$out/err")" >&2; kill "$pid"; exit 1; }
sleep 0.5
xdotool key --delay 50 Tab space Tab space Return
show=""
for _ in $(seq 300); do
  show="$(xdotool search --onlyvisible --name '^ziv$' 2>/dev/null | head -1)"
  [ -n "$show" ] && break
  sleep 0.1
done
[ -n "$show" ] || { echo "soak: the show's window did not appear: $(cat "$out/err")" >&2; kill "$pid"; exit 1; }
t_window=$(date +%s.%N)   # the frame loop starts with the window

sleep 5   # past start-up, so the first figure is the running show's
rss_start=$(rss)
ticks_start=$(cpu_ticks)
t_start=$(date +%s.%N)
echo "soak: running for $minutes min (RSS at start ${rss_start} kB)" >&2
end=$(( $(date +%s) + minutes * 60 ))
while [ "$(date +%s)" -lt "$end" ]; do
  kill -0 "$pid" 2>/dev/null || { echo "soak: the show ended early: $(cat "$out/err")" >&2; exit 1; }
  sleep 5
done
rss_end=$(rss)
ticks_end=$(cpu_ticks)
t_end=$(date +%s.%N)
xdotool windowactivate --sync "$show" key Escape 2>/dev/null || xdotool key Escape
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
  echo "soak: the show did not end on Escape" >&2
  kill "$pid"
  exit 1
fi
wait "$pid"
status=$?

hz=$(getconf CLK_TCK)
frames=$(awk '/^frames/ {print $2}' "$out/counts")
underruns=$(awk '/^underruns/ {print $2}' "$out/counts")
mixes=$(awk '/^mixes/ {print $2}' "$out/counts")
awk -v m="$minutes" -v rs="$rss_start" -v re="$rss_end" -v ts="$ticks_start" -v te="$ticks_end" -v hz="$hz" \
    -v t0="$t_start" -v t1="$t_end" -v tw="$t_window" -v f="$frames" -v u="$underruns" -v mx="$mixes" -v st="$status" 'BEGIN {
  wall = t1 - t0
  printf "soak: %s min, exit status %s\n", m, st
  printf "RSS start %d kB, end %d kB (%+d kB)\n", rs, re, re - rs
  printf "CPU %.1f%% of one core\n", 100 * (te - ts) / hz / wall
  printf "frames %d, %.1f per second (frames presented over the show'"'"'s time on screen)\n", f, f / (t1 - tw)
  printf "audio: %d mixes, %d underruns\n", mx, u
}'
