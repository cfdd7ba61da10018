#!/usr/bin/env bash
# One table row per corpus track: ziv-track-stats --check over the show's
# 394-second course at 60 fps, and the track's onset rate.
#   tools/corpus/table.sh BUILD_DIR CORPUS_DIR [NAME...]     # default: every track fetch.sh left
# A name is looked up in CORPUS_DIR/tracks.txt ("name set genre file"); a
# name not listed there is CORPUS_DIR/NAME.ogg.
# Columns: onsets a second (aubioonset's default detector, over the file's
# duration), luminance, dark %, red-dominated %, the frames' hues red/yellow/
# green/cyan/blue/magenta %, colourfulness, SceneSelector 0/1/2/3 %,
# rotating/pattern %, ColourSelector 0..4 %, PictureSelector 0..2 % of
# rotating frames, peak frames % (runs), peak runs a second, runs of at most
# 2 frames %, most runs in one second, switches a second between turning
# picture and pattern, the flash test's most flashes in one second (luminance/
# red, whole screen; then the worst ninth) and verdict, and the targets missed
# (ok: none). Below the table: Spearman's rank correlation between onset rate
# and switches a second, and each hue's share of all the tracks' frames.
# Exit status 1 when any track misses a target.
set -uo pipefail
build=${1:?usage: table.sh BUILD_DIR CORPUS_DIR [NAME...]}
corpus=${2:?usage: table.sh BUILD_DIR CORPUS_DIR [NAME...]}
shift 2
jobs=${ZIV_CORPUS_JOBS:-2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ $# -gt 0 ]; then names=("$@"); else mapfile -t names < <(cut -d' ' -f1 "$corpus/tracks.txt"); fi
fileOf() {
  local f
  f=$(awk -v n="$1" '$1 == n {print $4}' "$corpus/tracks.txt" 2>/dev/null)
  echo "$corpus/${f:-$1.ogg}"
}

for name in "${names[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do sleep 0.2; done
  (
    file=$(fileOf "$name")
    "$build/ziv-track-stats" "$file" --check > "$work/$name.txt" 2>&1
    echo $? > "$work/$name.rc"
    if command -v aubioonset >/dev/null; then
      onsets=$(aubioonset -i "$file" 2>/dev/null | wc -l)
      seconds=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$file" 2>/dev/null)
      awk -v o="$onsets" -v s="$seconds" 'BEGIN { if (s + 0 > 0) printf "%.2f", o / s; else printf "-" }' > "$work/$name.onsets"
    else
      echo - > "$work/$name.onsets"
    fi
  ) &
done
wait

printf '| %-16s | %-8s | %-15s | onsets/s | lum | dark | red | hues r/y/g/c/b/m | M | scene 0/1/2/3 | rot/pat | colour 0..4 | picture 0..2 | peaks (runs) | runs/s | <=2 | most/s | switches/s | flashes lum/red | tile lum/red | flash | missed |\n' track set genre
printf '|%s\n' '---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|'
status=0
: > "$work/all.tsv"
for name in "${names[@]}"; do
  f=$work/$name.txt
  set_genre=$(awk -v n="$name" '$1 == n {print $2 "|" $3}' "$corpus/tracks.txt" 2>/dev/null)
  v() { sed -n "s/^$1: *\([0-9.]*\).*/\1/p" "$f" | head -1; }
  pct() { sed -n "s/^$1 \([0-9]\)[^:]*: *\([0-9.]*\)%.*/\2/p" "$f" | cut -d. -f1 | paste -sd/; }
  hues=$(for h in red yellow green cyan blue magenta; do sed -n "s/^hue $h: \([0-9.]*\)%/\1/p" "$f"; done | awk '{printf "%s%.0f", (NR > 1 ? "/" : ""), $1}')
  runs=($(sed -n 's/^peak run lengths 1..7, 8+: //p' "$f"))
  total=0; for r in "${runs[@]}"; do total=$((total + r)); done
  short=$(awk -v a="${runs[0]:-0}" -v b="${runs[1]:-0}" -v t=$total 'BEGIN { printf "%.0f", t ? 100 * (a + b) / t : 100 }')
  peaks=$(sed -n 's/^peak frames: \([0-9.]*\)% in \([0-9]*\) runs/\1 (\2)/p' "$f")
  frames=$(sed -n 's/^frames \([0-9]*\)$/\1/p' "$f")
  runsPerSecond=$(awk -v r="$(sed -n 's/^peak frames: [0-9.]*% in \([0-9]*\) runs/\1/p' "$f")" -v n="${frames:-0}" \
    'BEGIN { printf "%.2f", n ? r * 60 / n : 0 }')
  switches=$(sed -n 's/^switches between turning picture and pattern: [0-9]* (\([0-9.]*\) a second).*/\1/p' "$f")
  flash() { sed -n "s/^flash $1 most flashes in one second: \([0-9.]*\)/\1/p" "$f"; }
  verdict=$(sed -n 's/^flash verdict: //p' "$f")
  onsets=$(cat "$work/$name.onsets")
  missed=$(grep -c '^MISSED' "$f")
  [ "$(cat "$work/$name.rc")" = 0 ] || status=1
  printf '| %-16s | %-8s | %-15s | %s | %.0f | %.0f | %.0f | %s | %.0f | %s | %.0f/%.0f | %s | %s | %s | %s | %s | %s | %s | %s/%s | %s/%s | %s | %s |\n' \
    "$name" "${set_genre%%|*}" "${set_genre##*|}" "$onsets" "$(v 'mean luminance')" "$(v 'dark frames')" "$(v 'red-dominated frames')" \
    "$hues" "$(v 'mean colourfulness')" "$(pct SceneSelector)" "$(v 'rotating scene')" "$(v 'pattern scenes')" \
    "$(pct ColourSelector)" "$(pct PictureSelector)" "$peaks" "$runsPerSecond" "$short" "$(v 'most peak runs in one second')" \
    "$switches" "$(flash luminance)" "$(flash red)" "$(flash 'tile luminance')" "$(flash 'tile red')" "$verdict" \
    "$([ "$missed" = 0 ] && echo ok || grep '^MISSED' "$f" | sed 's/^MISSED: //' | paste -sd';')"
  printf '%s\t%s\t%s' "$name" "$onsets" "${switches:--}" >> "$work/all.tsv"
  for h in red yellow green cyan blue magenta grey; do printf '\t%s' "$(sed -n "s/^hue $h: \([0-9.]*\)%/\1/p" "$f")" >> "$work/all.tsv"; done
  printf '\n' >> "$work/all.tsv"
done

echo
# Spearman's rho: Pearson's correlation of the ranks, ties given their mean rank.
awk -F'\t' '
  function rank(v, r, n,   i, j, k, lo, hi, order, t) {
    for (i = 1; i <= n; ++i) order[i] = i
    for (i = 2; i <= n; ++i) { t = order[i]; for (j = i - 1; j >= 1 && v[order[j]] > v[t]; --j) order[j + 1] = order[j]; order[j + 1] = t }
    for (i = 1; i <= n; i = hi + 1) {
      for (hi = i; hi < n && v[order[hi + 1]] == v[order[i]]; ++hi) {}
      for (k = i; k <= hi; ++k) r[order[k]] = (i + hi) / 2
    }
  }
  $2 != "-" && $3 != "-" && $2 != "" && $3 != "" { ++n; x[n] = $2 + 0; y[n] = $3 + 0 }
  { for (h = 4; h <= 10; ++h) if ($h != "") { share[h] += $h; ++count[h] } }
  END {
    if (n >= 3) {
      rank(x, rx, n); rank(y, ry, n)
      for (i = 1; i <= n; ++i) { mx += rx[i] / n; my += ry[i] / n }
      for (i = 1; i <= n; ++i) { sxy += (rx[i] - mx) * (ry[i] - my); sxx += (rx[i] - mx) ^ 2; syy += (ry[i] - my) ^ 2 }
      printf "Spearman rank correlation of onset rate and switches a second over %d tracks: %s\n", n,
        (sxx > 0 && syy > 0) ? sprintf("%.2f", sxy / sqrt(sxx * syy)) : "undefined (no spread)"
    } else printf "Spearman rank correlation: fewer than 3 tracks with an onset rate\n"
    split("red yellow green cyan blue magenta grey", names, " ")
    line = "Hue shares of all the tracks'\'' frames:"
    for (h = 4; h <= 10; ++h) line = line sprintf(" %s %.1f%%", names[h - 3], count[h] ? share[h] / count[h] : 0)
    print line
  }' "$work/all.tsv"
exit $status
