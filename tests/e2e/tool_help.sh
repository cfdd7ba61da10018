#!/usr/bin/env bash
# Every tool answers --help and --version with status 0, reads no option as a
# file name, and says why it refuses a command line.
set -uo pipefail
build="${ZIV_BUILD_DIR:?}"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Every program the README says answers --help and --version does, with status 0,
# and writes nothing (ziv-compose once wrote an Ogg file named --help).
scratch="$(mktemp -d "${TMPDIR:-/tmp}/ziv-tool-help.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
for tool in ziv-render ziv-track-stats ziv-play ziv-compose ziv-icons ziv-pictures; do
  [ -x "$build/$tool" ] || { fail "$tool is missing"; continue; }
  for ask in --help -h --version; do
    out="$(cd "$scratch" && SDL_VIDEODRIVER=dummy timeout 30 "$build/$tool" $ask 2>&1)"
    status=$?
    [ $status -eq 0 ] || fail "$tool $ask exited $status: $out"
    if [ "$ask" = --version ]; then
      echo "$out" | grep -qx "$tool [0-9][0-9.]*" || fail "$tool --version printed: $out"
    else
      echo "$out" | grep -q "^usage: $tool\|^$tool: " || fail "$tool $ask printed no usage: $out"
    fi
    echo "$out" | grep -qi "cannot read '\|cannot write '\|No such file" && fail "$tool read $ask as a file name: $out"
  done
  [ -z "$(ls -A "$scratch")" ] || fail "$tool wrote $(ls -A "$scratch") when asked for help"
  # Another option is a bad command line (status 2), never a file to read or write.
  (cd "$scratch" && SDL_VIDEODRIVER=dummy timeout 30 "$build/$tool" --no-such-option >/dev/null 2>&1)
  status=$?
  [ $status -eq 2 ] || fail "$tool --no-such-option exited $status"
  [ -z "$(ls -A "$scratch")" ] || fail "$tool wrote $(ls -A "$scratch") for an unknown option"
done
# An option where the track belongs is a bad command line, not a missing file.
"$build/ziv-track-stats" --check >/dev/null 2>&1
[ $? -eq 2 ] || fail "ziv-track-stats --check without a track did not exit 2"
# A name starting with '-' is a track after --; before it, an option refused with its reason; two names are one too many.
out="$(cd "$scratch" && "$build/ziv-track-stats" -- -x.wav 2>&1)"
[ $? -eq 1 ] && [ "$out" = "ziv-track-stats: track '-x.wav': does not exist" ] || fail "ziv-track-stats -- -x.wav: $out"
out="$(cd "$scratch" && "$build/ziv-track-stats" -x.wav 2>&1)"
[ $? -eq 2 ] && echo "$out" | grep -q "^ziv-track-stats: unknown option '-x.wav' (a track named so is given after --, or as ./-x.wav)$" ||
  fail "ziv-track-stats -x.wav: $out"
out="$(cd "$scratch" && "$build/ziv-track-stats" a b 2>&1)"
[ $? -eq 2 ] && echo "$out" | grep -q "^ziv-track-stats: one track at a time: 'a' and 'b' were both given$" ||
  fail "ziv-track-stats a b: $out"

[ $failures -eq 0 ] && echo "tool_help: all checks passed"
exit $((failures > 0))
