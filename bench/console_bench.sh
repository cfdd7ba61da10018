#!/usr/bin/env bash
# Runs the console benchmarks on private X servers with a window manager
# (full screen needs one), the way the e2e tests see the show: the start-up
# and the empty frame loop at 1920x1080, then a full-screen frame's processor
# time through the window's pixels and through OpenGL at 1920x1080 and at
# 3840x2160 (OpenGL here is Mesa's llvmpipe: drawn by the processor too).
#
#   bench/console_bench.sh [build-dir] [extra ziv_bench arguments]
set -euo pipefail
build="$(cd "${1:-$(dirname "$0")/../build}" && pwd)"
shift || true
[ -x "$build/ziv_bench" ] || { echo "console_bench: no ziv_bench in $build (cmake --build build --target ziv_bench)" >&2; exit 1; }
cd "$build"  # the show finds its track in the folder it starts from
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
run_on() {  # screen-size benchmark-filter [arguments]
  local size="$1" filter="$2"; shift 2
  echo "== screen $size"
  timeout 600 xvfb-run -a -s "-screen 0 ${size}x24" bash -c '
    openbox --sm-disable >/dev/null 2>&1 & wm=$!
    for i in $(seq 300); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.1; done
    ./ziv_bench --benchmark_filter="$0" "$@"
    status=$?; kill $wm; exit $status' "$filter" "$@"
}
run_on 1920x1080 "ShowEntryToFirstFrame|EmptyFrameLoop|FullScreenFrame" "$@"
run_on 3840x2160 "FullScreenFrame" "$@"
