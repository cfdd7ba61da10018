#!/usr/bin/env bash
# Time from the start of the ziv process until its start-up dialog is on
# screen (mapped and viewable), under Xvfb with a window manager.
#
#   bench/dialog_startup.sh [runs] [build dir]     # defaults: 20 runs, ./build
#
# Each run starts ziv, polls the X server for a viewable window of that
# process (one xdotool call, then a 10 ms pause so the polling does not take
# the processor from ziv; figures carry about 15 ms of polling granularity),
# then presses Escape. Prints every
# run and the minimum, median and maximum in milliseconds.
set -euo pipefail
runs="${1:-20}"
build_dir="${2:-$(cd "$(dirname "$0")/.." && pwd)/build}"
ziv="$build_dir/ziv"
[ -x "$ziv" ] || { echo "dialog_startup: '$ziv' is not built" >&2; exit 1; }
for tool in xvfb-run xdotool openbox; do
  command -v "$tool" >/dev/null || { echo "dialog_startup: '$tool' is not installed" >&2; exit 1; }
done

if [ -z "${ZIV_BENCH_IN_XVFB:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" env ZIV_BENCH_IN_XVFB=1 bash "$0" "$runs" "$build_dir"
fi

openbox >/dev/null 2>&1 &
wm_pid=$!
work=$(mktemp -d)
trap 'kill "$wm_pid" 2>/dev/null; rm -rf "$work"' EXIT
sleep 0.5

times=()
for i in $(seq "$runs"); do
  start=$(date +%s%N)
  (cd "$work" && exec env SDL_AUDIODRIVER=dummy "$ziv" >/dev/null 2>&1) &
  pid=$!
  shown=""
  deadline=$((SECONDS + 10))
  while [ -z "$shown" ] && [ $SECONDS -lt $deadline ]; do
    if [ -n "$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null)" ]; then shown=$(date +%s%N); else sleep 0.01; fi
  done
  [ -n "$shown" ] || { echo "run $i: the dialog did not appear within 10 s" >&2; kill "$pid"; exit 1; }
  ms=$(( (shown - start) / 1000000 ))
  times+=("$ms")
  echo "run $i: ${ms} ms"
  sleep 0.2
  xdotool key Escape
  wait "$pid" || true
done
printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END {
  printf "dialog on screen after: min %d ms, median %d ms, max %d ms (%d runs)\n", t[1], t[int((NR + 1) / 2)], t[NR], NR }'
