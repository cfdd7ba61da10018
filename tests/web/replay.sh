#!/usr/bin/env bash
# Frames identical to the desktop: traces replayed in the page hash surface
# for surface as ziv-render --trace-in ... --raw does natively.
#   golden.trace    the golden frames' spectrum sequence, which reaches every stage
#   extremes.trace  spectra across the trace's whole range (-8..8), clocks into the days
#   track.trace     the default track's whole course at 60 fps, recorded by ziv-render
source "$(dirname "$0")/lib.sh"
web_require
web_site
render="$ZIV_BUILD_DIR/ziv-render"
track="$ZIV_BUILD_DIR/DuskPulse.ogg"
[ -f "$track" ] || web_fail "no default track at $track"
"$ZIV_BUILD_DIR/web_golden_traces" "$WEB_TMP/site" || web_fail "web_golden_traces failed"
start=$(date +%s)
timeout 600 "$render" --track "$track" --trace-out "$WEB_TMP/site/track.trace" --raw - --no-progress \
  | "$ZIV_BUILD_DIR/web_frame_hashes" > "$WEB_TMP/track.hashes" || web_fail "recording the default track failed"
echo "$WEB_NAME: the course rendered natively in $(( $(date +%s) - start )) s"
web_serve
failed=0
for name in golden extremes track; do
  if [ "$name" != track ]; then
    timeout 120 "$render" --trace-in "$WEB_TMP/site/$name.trace" --raw - --no-progress \
      | "$ZIV_BUILD_DIR/web_frame_hashes" > "$WEB_TMP/$name.hashes" || web_fail "ziv-render of $name.trace failed"
  fi
  echo "-- $name.trace: $(wc -l < "$WEB_TMP/$name.hashes") frames"
  start=$(date +%s)
  web_drive replay "${WEB_URL}?check=replay&trace=$name.trace" "$WEB_TMP/$name.hashes" || failed=$((failed + 1))
  echo "$WEB_NAME: replayed in the page in $(( $(date +%s) - start )) s"
done
[ $failed -eq 0 ] || web_fail "$failed traces differ between the page and ziv-render"
