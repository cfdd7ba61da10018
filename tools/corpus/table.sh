#!/usr/bin/env bash
# One table row per corpus track: ziv-track-stats --check over the show's
# 394-second course at 60 fps.
#   tools/corpus/table.sh BUILD_DIR CORPUS_DIR [NAME...]     # default: every track fetch.sh left
# Columns: luminance, dark %, red-dominated %, largest hue sector %, colourfulness,
# SceneSelector 0/1/2/3 %, rotating/pattern %, ColourSelector 0..4 %,
# PictureSelector 0..2 % of rotating frames, peak frames % (runs), runs of at
# most 2 frames %, most runs in one second, and the targets missed (ok: none).
# Exit status 1 when any track misses a target.
set -uo pipefail
build=${1:?usage: table.sh BUILD_DIR CORPUS_DIR [NAME...]}
corpus=${2:?usage: table.sh BUILD_DIR CORPUS_DIR [NAME...]}
shift 2
jobs=${ZIV_CORPUS_JOBS:-2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ $# -gt 0 ]; then names=("$@"); else mapfile -t names < <(cut -d' ' -f1 "$corpus/tracks.txt"); fi

for name in "${names[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do sleep 0.2; done
  ("$build/ziv-track-stats" "$corpus/$name.ogg" --check > "$work/$name.txt" 2>&1; echo $? > "$work/$name.rc") &
done
wait

printf '| %-14s | %-8s | %-13s | lum | dark | red | hue max | M | scene 0/1/2/3 | rot/pat | colour 0..4 | picture 0..2 | peaks (runs) | <=2 | /s | missed |\n' track set genre
printf '|%s\n' '---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|'
status=0
for name in "${names[@]}"; do
  f=$work/$name.txt
  set_genre=$(awk -v n="$name" '$1 == n {print $2 "|" $3}' "$corpus/tracks.txt" 2>/dev/null)
  v() { sed -n "s/^$1: *\([0-9.]*\).*/\1/p" "$f" | head -1; }
  pct() { sed -n "s/^$1 \([0-9]\)[^:]*: *\([0-9.]*\)%.*/\2/p" "$f" | cut -d. -f1 | paste -sd/; }
  hue=$(sed -n 's/^hue \([a-z]*\): \([0-9.]*\)%/\2 \1/p' "$f" | sort -rn | head -1 | awk '{printf "%.0f %s", $1, $2}')
  runs=($(sed -n 's/^peak run lengths 1..7, 8+: //p' "$f"))
  total=0; for r in "${runs[@]}"; do total=$((total + r)); done
  short=$(awk -v a="${runs[0]:-0}" -v b="${runs[1]:-0}" -v t=$total 'BEGIN { printf "%.0f", t ? 100 * (a + b) / t : 100 }')
  peaks=$(sed -n 's/^peak frames: \([0-9.]*\)% in \([0-9]*\) runs/\1 (\2)/p' "$f")
  missed=$(grep -c '^MISSED' "$f")
  [ "$(cat "$work/$name.rc")" = 0 ] || status=1
  printf '| %-14s | %-8s | %-13s | %.0f | %.0f | %.0f | %s | %.0f | %s | %.0f/%.0f | %s | %s | %s | %s | %s | %s |\n' \
    "$name" "${set_genre%%|*}" "${set_genre##*|}" "$(v 'mean luminance')" "$(v 'dark frames')" "$(v 'red-dominated frames')" \
    "$hue" "$(v 'mean colourfulness')" "$(pct SceneSelector)" "$(v 'rotating scene')" "$(v 'pattern scenes')" \
    "$(pct ColourSelector)" "$(pct PictureSelector)" "$peaks" "$short" "$(v 'most peak runs in one second')" \
    "$([ "$missed" = 0 ] && echo ok || grep '^MISSED' "$f" | sed 's/^MISSED: //' | paste -sd';')"
done
exit $status
