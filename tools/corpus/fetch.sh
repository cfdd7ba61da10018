#!/usr/bin/env bash
# Fetches the corpus of real music the show's look is measured on:
#   tools/corpus/fetch.sh DIR
# Downloads the Debian packages named in tracks.tsv (apt-get download, never
# installed), unpacks them under DIR/root (dpkg -x), checks every file's
# sha256, and leaves one track per name in DIR, in its own format, rate and
# channels: a single file is copied as it is (the show reads it through FFmpeg
# when it is not Ogg Vorbis); stems of one song are mixed into one Ogg Vorbis
# file with ffmpeg; a row with ext and ffmpeg options makes a derived variant
# (ffmpeg -i FILE OPTIONS DIR/NAME.ext). DIR/tracks.txt lists "name set genre
# file" per track. Nothing here is committed: no audio is.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=${1:?usage: fetch.sh DIR}
mkdir -p "$dir/debs" "$dir/root"
dir=$(cd "$dir" && pwd)
list=$here/tracks.tsv

grep -v '^#' "$list" | cut -d'|' -f4,5 | sort -u | while IFS='|' read -r package version; do
  if ! ls "$dir/debs/${package}_"*.deb >/dev/null 2>&1; then
    echo "fetch: $package $version"
    (cd "$dir/debs" && apt-get download -q "$package=$version" >/dev/null) ||
      { echo "fetch: cannot download $package $version (run apt-get update first)" >&2; exit 1; }
  fi
  deb=$(ls "$dir/debs/${package}_"*.deb | head -1)
  marker="$dir/root/.${package}"
  [ -e "$marker" ] || { dpkg -x "$deb" "$dir/root" && touch "$marker"; }
done

failed=0
grep -v '^#' "$list" | while IFS='|' read -r name set genre package version licence sum path ext options; do
  actual=$(sha256sum "$dir/root$path" | cut -c1-64)
  if [ "$actual" != "$sum" ]; then echo "fetch: sha256 mismatch for $path ($package)" >&2; exit 1; fi
done || failed=1
[ $failed -eq 0 ] || exit 1

: > "$dir/tracks.txt"
for name in $(grep -v '^#' "$list" | cut -d'|' -f1 | uniq); do
  mapfile -t rows < <(grep "^$name|" "$list")
  IFS='|' read -r _ set genre _ _ _ _ first ext options <<<"${rows[0]}"
  if [ -n "$options" ]; then
    file=$name.$ext
  elif [ ${#rows[@]} -gt 1 ]; then
    file=$name.ogg
  else
    file=$name.${first##*.}
  fi
  out="$dir/$file"
  if [ ! -s "$out" ]; then
    inputs=()
    for row in "${rows[@]}"; do inputs+=(-i "$dir/root$(cut -d'|' -f8 <<<"$row")"); done
    if [ -n "$options" ]; then   # a derived variant: louder, another rate, ...
      # shellcheck disable=SC2086  # the options are words on purpose
      ffmpeg -nostdin -v error -y "${inputs[@]}" -vn $options "$out.tmp.$ext"
      mv "$out.tmp.$ext" "$out"
    elif [ ${#rows[@]} -gt 1 ]; then   # stems of one song: summed as the game plays them together
      ffmpeg -nostdin -v error -y "${inputs[@]}" -filter_complex "amix=inputs=${#rows[@]}:normalize=0,volume=0.8" \
        -vn -c:a libvorbis -q:a 6 "$out.tmp.ogg"
      mv "$out.tmp.ogg" "$out"
    else
      ffprobe -v error -select_streams a:0 -show_entries stream=codec_name -of csv=p=0 "$dir/root$first" | grep -q . ||
        { echo "fetch: no audio the show can read in $first" >&2; exit 1; }
      cp "$dir/root$first" "$out"
    fi
  fi
  echo "$name $set $genre $file" >> "$dir/tracks.txt"
done
echo "fetch: $(wc -l < "$dir/tracks.txt") tracks in $dir"
