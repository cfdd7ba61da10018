#!/usr/bin/env bash
# Runs the console benchmarks on a private X server with a window manager
# (full screen needs one), the way the e2e tests see the show.
#
#   bench/console_bench.sh [build-dir] [extra ziv_bench arguments]
set -euo pipefail
build="$(cd "${1:-$(dirname "$0")/../build}" && pwd)"
shift || true
[ -x "$build/ziv_bench" ] || { echo "console_bench: no ziv_bench in $build (cmake --build build --target ziv_bench)" >&2; exit 1; }
cd "$build"  # the show finds its track in the folder it starts from
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
exec timeout 600 xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
  openbox --sm-disable >/dev/null 2>&1 & wm=$!
  for i in $(seq 300); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.1; done
  ./ziv_bench --benchmark_filter="ShowEntryToFirstFrame|EmptyFrameLoop" "$@"
  status=$?; kill $wm; exit $status' bash "$@"
