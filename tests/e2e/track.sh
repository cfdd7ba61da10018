#!/usr/bin/env bash
# The default track DuskPulse.ogg: the composer writes the same bytes every
# time, the master stays within its loudness and peak limits, and over the
# show's 394-second course the track drives every selector as it is meant to.
set -euo pipefail
build=${ZIV_BUILD_DIR:?ZIV_BUILD_DIR must name the build folder}
track=$build/DuskPulse.ogg
for need in "$build/ziv-compose" "$build/ziv-track-stats" "$track"; do
  [ -e "$need" ] || { echo "track: $need was not built"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "track: FAILED: $*"; failed=1; }

"$build/ziv-compose" "$work/again.ogg"
cmp -s "$track" "$work/again.ogg" || fail "a second composition differs from the built DuskPulse.ogg"

echo "track: selectors and look over the course (ziv-track-stats --check)"
"$build/ziv-track-stats" "$track" --check || fail "the selector and look targets"

# The offline renderer runs the whole show over the course; its counts must meet the same targets.
if [ -x "$build/ziv-render" ]; then
  echo "track: the rendered course (ziv-render --stats)"
  (cd "$work" && "$build/ziv-render" --track "$track" --stats stats.json --no-progress) </dev/null || fail "ziv-render --stats"
  field() { sed -n "s/.*\"$1\": *\(.*\)/\1/p" "$work/stats.json" | tr -d '[]{},' | sed 's/"[a-z_]*"://g'; }
  frames=$(field frames | head -1)   # the course's; the flash test counts its frames too
  check() {  # name, minimum percent, maximum percent, counts...
    local name=$1 low=$2 high=$3; shift 3
    local i=0
    for count in "$@"; do
      awk -v c="$count" -v f="$frames" -v lo="$low" -v hi="$high" 'BEGIN { p = 100 * c / f; exit !(p >= lo && p <= hi) }' ||
        fail "$name $i: $count of $frames frames, not within $low..$high%"
      i=$((i + 1))
    done
  }
  sum() { local t=0; for v in "$@"; do t=$((t + v)); done; echo $t; }
  check SceneSelector 8 100 $(field scene_selector)
  check ColourSelector 5 100 $(field colour_selector)
  check PictureSelector 10 100 $(field picture_selector)
  check "rotating scene" 15 100 "$(sum $(field rotating_rows))"
  check "pattern scenes" 15 100 "$(sum $(field pattern_kinds))"
  check "peak frames" 0.5 5 "$(field peak_frames)"
  runs=$(field peak_runs)
  [ "${runs:-0}" -ge 40 ] || fail "only ${runs:-0} separate peak runs"
  luminance=$(field mean_luminance)
  awk -v l="$luminance" 'BEGIN { exit !(l >= 40) }' || fail "mean luminance ${luminance} of the rendered frames below 40"
  check "dark frames" 0 25 "$(field dark_frames)"
  check "red-dominated frames" 0 15 "$(field red_dominated_frames)"
  [ "$(field most_peak_runs_in_one_second)" -le 3 ] || fail "more than 3 peak runs within one second"
  verdict=$(field verdict | head -1)   # the whole screen's; the worst tile's is reported only
  [ "$verdict" != '"fail"' ] || fail "the rendered frames fail the flash test"
  cat "$work/stats.json"
fi

if command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null; then
  seconds=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$track")
  summary=$(ffmpeg -nostdin -hide_banner -nostats -i "$track" -af ebur128=peak=true -f null - 2>&1 | sed -n '/Summary:/,$p')
  loudness=$(awk '$1 == "I:" {print $2}' <<<"$summary")
  peak=$(awk '$1 == "Peak:" {print $2}' <<<"$summary")
  echo "track: ${seconds} s, integrated ${loudness} LUFS, true peak ${peak} dBTP"
  awk -v s="$seconds" 'BEGIN { exit !(s >= 120 && s <= 240) }' || fail "length ${seconds} s is not 2 to 4 minutes"
  awk -v i="$loudness" 'BEGIN { exit !(i >= -16 && i <= -10) }' || fail "integrated loudness ${loudness} LUFS outside -16..-10"
  awk -v p="$peak" 'BEGIN { exit !(p <= -1) }' || fail "true peak ${peak} dBTP above -1"
else
  echo "track: ffmpeg not installed, loudness and true peak not measured"
fi
exit $failed
