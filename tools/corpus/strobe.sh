#!/usr/bin/env bash
# Strobe-like and steady inputs, made with ffmpeg and measured with
# ziv-track-stats over their own length:
#   tools/corpus/strobe.sh BUILD_DIR DIR [MUSIC]
# Makes in DIR: white noise bursts gated at 2, 4, 8, 12 and 20 Hz; a kick at
# 240 BPM; square-wave tremolo at 6 and 10 Hz on a music track (MUSIC, by
# default DIR/../lincity.ogg when there, else the default track); digital
# silence; white and pink noise at -70, -60, -40 and -20 dBFS RMS; steady
# sines; and the gap case (20 s of music, 3 s of digital silence, 20 s of
# music). Prints a Markdown table: the flash test's most flashes in one second
# (luminance/red, whole screen; worst ninth) and verdict, and the mean
# luminance, selector changes and cuts counted from 1 s on and from 2 s on.
# The gap is measured over the silence from 1 s into it and over the music
# after it.
set -uo pipefail
build=${1:?usage: strobe.sh BUILD_DIR DIR [MUSIC]}
dir=${2:?usage: strobe.sh BUILD_DIR DIR [MUSIC]}
mkdir -p "$dir"
music=${3:-}
if [ -z "$music" ]; then
  for candidate in "$dir/../lincity.ogg" "$build/DuskPulse.ogg"; do [ -s "$candidate" ] && { music=$candidate; break; }; done
fi
[ -s "$music" ] || { echo "strobe: no music track for the tremolo and the gap (give MUSIC)" >&2; exit 2; }
command -v ffmpeg >/dev/null || { echo "strobe: ffmpeg is needed" >&2; exit 2; }
rate=44100
strobeSeconds=30
steadySeconds=12

makeInput() {  # NAME, ffmpeg arguments...: DIR/NAME.ogg, made once
  local name=$1; shift
  [ -s "$dir/$name.ogg" ] && return
  ffmpeg -nostdin -v error -y "$@" -c:a libvorbis -q:a 6 "$dir/$name.tmp.ogg" && mv "$dir/$name.tmp.ogg" "$dir/$name.ogg"
}
# Noise scaled to an RMS level (dBFS): made at a known level, measured, then moved.
noise() {  # NAME, colour, dBFS
  local name=$1 colour=$2 level=$3
  [ -s "$dir/$name.ogg" ] && return
  ffmpeg -nostdin -v error -y -f lavfi -i "anoisesrc=c=$colour:a=0.25:r=$rate:seed=7" -t $steadySeconds -c:a pcm_f32le "$dir/$name.raw.wav"
  local measured
  measured=$(ffmpeg -nostdin -hide_banner -nostats -i "$dir/$name.raw.wav" -af astats=measure_perchannel=none -f null - 2>&1 |
             sed -n 's/.*RMS level dB: *\(-*[0-9.]*\).*/\1/p' | tail -1)
  makeInput "$name" -i "$dir/$name.raw.wav" -af "volume=$(awk -v t="$level" -v m="$measured" 'BEGIN { printf "%.3f", t - m }')dB"
  rm -f "$dir/$name.raw.wav"
}

for hz in 2 4 8 12 20; do
  makeInput "burst-${hz}hz" -f lavfi -i "aevalsrc=0.5*(2*random(0)-1)*lt(mod(t*$hz\,1)\,0.5):s=$rate:d=$strobeSeconds"
done
# A kick every 0.25 s: a 55 Hz thump falling from 150 Hz, decaying in about 0.1 s.
makeInput kick-240bpm -f lavfi -i "aevalsrc=0.9*sin(2*PI*(55*mod(t\,0.25)+3.2*(1-exp(-30*mod(t\,0.25)))))*exp(-12*mod(t\,0.25)):s=$rate:d=$strobeSeconds"
for hz in 6 10; do
  makeInput "tremolo-${hz}hz" -t $strobeSeconds -i "$music" -af "aeval=val(ch)*lt(mod(t*$hz\,1)\,0.5):c=same"
done
makeInput silence -f lavfi -i "anullsrc=r=$rate:cl=stereo" -t $steadySeconds
for level in -70 -60 -40 -20; do
  noise "white${level}dB" white "$level"
  noise "pink${level}dB" pink "$level"
done
# Sines: RMS level L dBFS is a peak of 10^(L/20) * sqrt(2).
for tone in "55 -20" "440 -40" "440 -20" "1000 -6"; do
  set -- $tone
  makeInput "sine-${1}hz${2}dB" -f lavfi -i "aevalsrc=$(awk -v l="$2" 'BEGIN { printf "%.6f", 10 ^ (l / 20) * sqrt(2) }')*sin(2*PI*$1*t):s=$rate:d=$steadySeconds"
done
makeInput gap -i "$music" -f lavfi -t 3 -i "anullsrc=r=$rate:cl=stereo" -filter_complex \
  "[0:a]atrim=0:20,aresample=$rate,aformat=channel_layouts=stereo[a];[0:a]atrim=60:80,asetpts=PTS-STARTPTS,aresample=$rate,aformat=channel_layouts=stereo[b];[a][1:a][b]concat=n=3:v=0:a=1"

report() {  # FILE, course seconds, from: "luminance|changes|cuts"
  "$build/ziv-track-stats" "$1" --seconds "$2" --from "$3" > "$dir/report.txt" 2>&1 || true
  printf '%s|%s|%s' "$(sed -n 's/^mean luminance: //p' "$dir/report.txt")" \
    "$(sed -n 's/^selector changes: \([0-9]*\).*/\1/p' "$dir/report.txt")" "$(sed -n 's/^cuts: //p' "$dir/report.txt")"
}
flashes() {  # the flash figures of the last report: "lum/red | tile lum/red | verdict"
  f() { sed -n "s/^flash $1 most flashes in one second: //p" "$dir/report.txt"; }
  printf '%s/%s | %s/%s | %s' "$(f luminance)" "$(f red)" "$(f 'tile luminance')" "$(f 'tile red')" \
    "$(sed -n 's/^flash verdict: //p' "$dir/report.txt")"
}

echo "| input | seconds | flashes lum/red | tile lum/red | flash | lum from 1 s | changes from 1 s | cuts from 1 s | lum from 2 s | changes from 2 s | cuts from 2 s |"
echo "|---|---|---|---|---|---|---|---|---|---|---|"
row() {  # NAME, seconds
  local one two
  one=$(report "$dir/$1.ogg" "$2" 1)
  local flash
  flash=$(flashes)
  two=$(report "$dir/$1.ogg" "$2" 2)
  IFS='|' read -r l1 c1 k1 <<<"$one"
  IFS='|' read -r l2 c2 k2 <<<"$two"
  echo "| $1 | $2 | $flash | $l1 | $c1 | $k1 | $l2 | $c2 | $k2 |"
}
for hz in 2 4 8 12 20; do row "burst-${hz}hz" $strobeSeconds; done
row kick-240bpm $strobeSeconds
for hz in 6 10; do row "tremolo-${hz}hz" $strobeSeconds; done
row silence $steadySeconds
for level in -70 -60 -40 -20; do row "white${level}dB" $steadySeconds; row "pink${level}dB" $steadySeconds; done
for tone in "55 -20" "440 -40" "440 -20" "1000 -6"; do set -- $tone; row "sine-${1}hz${2}dB" $steadySeconds; done
# The gap: 20..23 s is silent. From 21 s to 23 s it should be dark; from 24 s on the music is back.
gapSilent=$(report "$dir/gap.ogg" 23 21)
gapFlash=$(flashes)
gapBack=$(report "$dir/gap.ogg" 43 24)
IFS='|' read -r l1 c1 k1 <<<"$gapSilent"
IFS='|' read -r l2 c2 k2 <<<"$gapBack"
echo "| gap: the silence, 21..23 s | 23 | $gapFlash | $l1 | $c1 | $k1 | | | |"
echo "| gap: the music back, 24..43 s | 43 | $(flashes) | $l2 | $c2 | $k2 | | | |"
rm -f "$dir/report.txt"
