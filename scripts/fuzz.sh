#!/usr/bin/env bash
# Coverage-guided fuzzing with libFuzzer (clang, AddressSanitizer, UBSan):
# the trace reader, the PCX decoder through the memory stream, the track
# reader opening a file from memory (Ogg Vorbis and every format FFmpeg
# decodes), and ziv-render's command line.
#
#   scripts/fuzz.sh              # each target for 60 s
#   scripts/fuzz.sh 600          # each target for 10 minutes
#   scripts/fuzz.sh --runs 3000  # each target for a fixed number of inputs (what CI does)
#   scripts/fuzz.sh 600 track    # only the named targets (trace, pcx, track, render_options)
#
# Seeds: tests/fuzz/corpus/<target>/ (the track's seeds are made here with
# ffmpeg: no audio file is checked in). What a run finds is kept in
# build-fuzz/corpus/<target>/; a crashing input in build-fuzz/fuzz-artefacts/<target>/.
# Exit status 1 when any target found a fault.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--runs" ]; then
  limit=(-runs="${2:?--runs needs a number}")
  shift 2
else
  limit=(-max_total_time="${1:-60}")
  [ $# -gt 0 ] && shift
fi

command -v clang++-14 >/dev/null || { echo "fuzz: clang++-14 is missing (scripts/install-deps.sh)" >&2; exit 1; }
targets=(trace pcx track render_options)
[ $# -gt 0 ] && targets=("$@")
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 --target "${targets[@]/%/_fuzz}" >/dev/null

seeds_of() {  # target -> the folder of its seeds
  if [ "$1" != track ]; then echo "tests/fuzz/corpus/$1"; return; fi
  local dir=build-fuzz/seeds/track
  mkdir -p "$dir"
  # The committed seeds: files that must open nothing but themselves (playlists, SDP, a picture) and a WAV.
  cp tests/fuzz/corpus/track/* "$dir"/
  if command -v ffmpeg >/dev/null; then
    # Each seed is made once: Ogg Vorbis (libvorbisfile) and the formats FFmpeg decodes.
    make_seed() {  # name, then ffmpeg's arguments after the input
      local name="$1"
      shift
      [ -s "$dir/$name" ] || ffmpeg -nostdin -loglevel error -y -f lavfi -i "sine=f=440:d=0.2" "$@" "$dir/$name"
    }
    make_seed mono.ogg -c:a libvorbis -q:a 0
    make_seed stereo48k.ogg -ar 48000 -ac 2 -c:a libvorbis -q:a 0
    [ -s "$dir/chained.ogg" ] || cat "$dir/mono.ogg" "$dir/stereo48k.ogg" > "$dir/chained.ogg"   # another rate and layout
    make_seed short.wav -ar 8000 -c:a pcm_s16le
    make_seed short.flac -ar 8000 -c:a flac
    make_seed short.mp3 -ar 22050 -c:a libmp3lame -b:a 32k
    make_seed short.opus -ac 2 -c:a libopus -b:a 16k
  fi
  echo "$dir"
}

export LSAN_OPTIONS="suppressions=$PWD/tests/fuzz/lsan.supp:print_suppressions=0"
failed=0
for t in "${targets[@]}"; do
  corpus="build-fuzz/corpus/$t"
  artefacts="build-fuzz/fuzz-artefacts/$t/"
  mkdir -p "$corpus" "$artefacts"
  log="build-fuzz/fuzz-$t.log"
  start=$(date +%s)
  status=0
  "build-fuzz/${t}_fuzz" "${limit[@]}" -max_len=16384 -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artefacts" "$corpus" "$(seeds_of "$t")" >"$log" 2>&1 || status=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  features=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || echo "?")
  if [ $status -eq 0 ]; then
    echo "fuzz: $t: $runs runs in $(( $(date +%s) - start )) s, $features features, clean"
  else
    echo "fuzz: $t: FAULT after $runs runs (status $status); see $log and $artefacts" >&2
    grep -m3 -E "ERROR|runtime error|SUMMARY" "$log" >&2 || true
    failed=1
  fi
done
exit $failed
