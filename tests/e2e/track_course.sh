#!/usr/bin/env bash
# ziv-track-stats over a course of its own length, counted from a start time:
# a short silent track measured for 4 s from 1 s on counts exactly the frames
# from 1 s to the first frame past 4 s, and bad numbers are bad command lines.
set -uo pipefail
build=${ZIV_BUILD_DIR:?ZIV_BUILD_DIR must name the build folder}
[ -x "$build/ziv-track-stats" ] || { echo "track_course: ziv-track-stats was not built"; exit 77; }
command -v ffmpeg >/dev/null || { echo "track_course: ffmpeg is not installed"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "track_course: FAILED: $*"; failed=1; }

ffmpeg -nostdin -v error -f lavfi -i anullsrc=r=44100:cl=stereo -t 4 -c:a libvorbis "$work/silence.ogg" ||
  { echo "track_course: ffmpeg cannot write Ogg Vorbis"; exit 77; }

out=$(timeout 120 "$build/ziv-track-stats" "$work/silence.ogg" --seconds 4 --from 1) || fail "the report exited $?"
echo "$out" | grep -qx 'course: 4.00 s, counted from 1.00 s on' || fail "no course line"
# Frames 60 (1 s) to 241 (4.016 s, the first past 4 s).
echo "$out" | grep -qx 'frames 182' || fail "not 182 frames counted: $(echo "$out" | grep '^frames')"
echo "$out" | grep -q '^look measured on 182 frames' || fail "the look not measured on the same 182 frames"
for line in 'selector changes: ' 'cuts: ' 'flash verdict: ' 'hue yellow: ' 'switches between turning picture and pattern: '; do
  echo "$out" | grep -q "^$line" || fail "no line starting '$line'"
done
whole=$(timeout 120 "$build/ziv-track-stats" "$work/silence.ogg" --seconds 4 | sed -n 's/^frames //p')
[ "$whole" = 242 ] || fail "a 4-s course from the start counts $whole frames, not 242"

for bad in "--from" "--from -1" "--from x" "--seconds 0" "--seconds 5s" "--seconds 3 --from 3"; do
  # shellcheck disable=SC2086  # the options are words on purpose
  said=$("$build/ziv-track-stats" "$work/silence.ogg" $bad 2>&1 >/dev/null)
  status=$?
  [ $status -eq 2 ] || fail "'$bad' exited $status, not 2"
  [ "$(echo "$said" | wc -l)" -eq 1 ] && [[ $said == ziv-track-stats:* ]] || fail "'$bad' said: $said"
done
[ $failed -eq 0 ] && echo "track_course: all checks passed"
exit $failed
