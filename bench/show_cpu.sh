#!/usr/bin/env bash
# The live show's CPU share on a private 1280x1024 X server with a window manager: in a
# 640x480 window, then full screen. Prints the share of one core the show's process
# used (all its threads) over the measured seconds, after a settling second.
#
#   ZIV_BUILD_DIR=$PWD/build bench/show_cpu.sh [seconds]     # default 10
set -uo pipefail
: "${ZIV_BUILD_DIR:=$(cd "$(dirname "$0")/../build" && pwd)}"
export ZIV_BUILD_DIR
source "$(dirname "$0")/../tests/e2e/lib.sh"
e2e_require xdotool
e2e_under_xvfb 1280x1024 "$@"
seconds="${1:-10}"
e2e_start_window_manager

# utime + stime of a process, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

measure() {
  local label="$1"; shift
  e2e_start_show "$@"
  local win
  win="$(e2e_wait_for_window '^ziv$' 30)" || e2e_fail "no window titled ziv within 30 s"
  sleep 1
  local before after
  before="$(cpu_ticks "$SHOW_PID")"
  sleep "$seconds"
  after="$(cpu_ticks "$SHOW_PID")"
  awk -v t=$((after - before)) -v hz="$(getconf CLK_TCK)" -v s="$seconds" -v l="$label" \
    'BEGIN { printf "%-34s %5.1f %% of a core\n", l, 100 * t / hz / s }'
  xdotool windowactivate --sync "$win" >/dev/null 2>&1
  xdotool key Escape
  e2e_wait_for_exit "$SHOW_PID" 10 >/dev/null
}

measure "window 640x480" Tab Tab space
measure "full screen 1280x1024"
