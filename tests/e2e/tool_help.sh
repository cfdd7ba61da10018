#!/usr/bin/env bash
# Every tool answers --help with its usage on standard output and status 0,
# and reads no option as a file name.
set -uo pipefail
build="${ZIV_BUILD_DIR:?}"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

for tool in ziv-render ziv-track-stats; do
  [ -x "$build/$tool" ] || { fail "$tool is missing"; continue; }
  out="$(cd /tmp && timeout 30 "$build/$tool" --help 2>&1)"
  status=$?
  [ $status -eq 0 ] || fail "$tool --help exited $status: $out"
  echo "$out" | grep -q "^usage: $tool\|^$tool: " || fail "$tool --help printed no usage: $out"
  echo "$out" | grep -qi "cannot read\|No such file" && fail "$tool read --help as a file name: $out"
done
# An option where the track belongs is a bad command line, not a missing file.
"$build/ziv-track-stats" --check >/dev/null 2>&1
[ $? -eq 2 ] || fail "ziv-track-stats --check without a track did not exit 2"

[ $failures -eq 0 ] && echo "tool_help: all checks passed"
exit $((failures > 0))
