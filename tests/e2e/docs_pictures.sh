#!/usr/bin/env bash
# The README's pictures in docs/ are what tools/docs/make-pictures.sh makes from
# this build: the script runs into a folder of its own and every picture must
# decode to the same pixels (and the preview to the same frames) as the one
# committed. A change to the show's look, the console, the dialog or the page
# fails here until the pictures are made again:
#
#   tools/docs/make-pictures.sh && git add docs/
#
# What the build made is kept in $ZIV_BUILD_DIR/e2e-artefacts/docs_pictures/.
source "$(dirname "$0")/lib.sh"
e2e_require convert identify md5sum
artefacts="$ZIV_BUILD_DIR/e2e-artefacts/$E2E_NAME"
rm -rf "$artefacts"
mkdir -p "$artefacts"
ZIV_BUILD_DIR="$ZIV_BUILD_DIR" bash "$ZIV_SOURCE_DIR/tools/docs/make-pictures.sh" "$artefacts" >"$E2E_TMP/make.out" 2>"$E2E_TMP/make.err"
case $? in
  0) ;;
  77) e2e_skip "$(tail -1 "$E2E_TMP/make.err")" ;;
  *) e2e_fail "make-pictures.sh failed: $(tail -3 "$E2E_TMP/make.err")" ;;
esac

# Size, frame count and every pixel of every frame, as ImageMagick decodes them.
decoded() {
  { identify -format '%w %h\n' "$1"; convert "$1" -coalesce -depth 8 rgba:- | md5sum; } 2>/dev/null | md5sum
}
stale=()
for picture in frames.png preview.webp fullscreen.png dialog.png web.png; do
  committed="$ZIV_SOURCE_DIR/docs/$picture"
  [ -f "$artefacts/$picture" ] || e2e_fail "make-pictures.sh made no $picture"
  if [ ! -f "$committed" ] || [ "$(decoded "$committed")" != "$(decoded "$artefacts/$picture")" ]; then
    stale+=("$picture")
  fi
done
[ ${#stale[@]} -eq 0 ] ||
  e2e_fail "docs/ differs from what this build makes (${stale[*]}; new ones in $artefacts): run tools/docs/make-pictures.sh"
echo "$E2E_NAME: ok"
