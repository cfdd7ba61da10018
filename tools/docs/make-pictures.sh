#!/usr/bin/env bash
# Makes every picture of the README in docs/ from the current build, the same
# bytes every time from the same build (docs/pictures.png, the picture bank's
# sheet, is tools/ziv-pictures' and stays as it is):
#
#   frames.png      twelve frames of the default track, every 10 s to 2 minutes (ziv-render)
#   preview.webp    a looping preview, 60 s to 70 s of the track at 12 frames a second
#   fullscreen.png  the frame at 60 s presented full screen through the real console on a
#                   1920x1080 X server (Xvfb, the sharp fill)
#   dialog.png      the start-up dialog as it opens, at twice its size
#   web.png         the page in headless chromium, showing the frame at 120 s on its
#                   canvas, drawn by the page's own core from a trace ziv-render recorded
#
# The two large PNGs hold 256 colours each (ffmpeg's palette, no dithering): a
# third of the size, and no difference to see.
#
#   tools/docs/make-pictures.sh             # into docs/
#   tools/docs/make-pictures.sh OUT_DIR     # elsewhere (tests/e2e/docs_pictures.sh compares with docs/)
#
# Needs the build ($ZIV_BUILD_DIR, default build/: ziv, ziv-render, console_pattern and
# the default track), ffmpeg, xvfb-run, xdotool, ImageMagick, and for web.png the page
# (its test build: scripts/web.sh --build-only --test), chromium and the browser tests' driver
# (scripts/install-deps.sh). Exits 77 when a tool is missing.
set -euo pipefail
src="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${ZIV_BUILD_DIR:-$src/build}" && pwd)"
out="${1:-$src/docs}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
site="$src/build-web/test-site"   # the page with its test exports: it replays a trace

need() { echo "make-pictures: $*" >&2; exit 77; }
for tool in ffmpeg xvfb-run xdotool import convert node /usr/bin/python3 curl; do
  command -v "$tool" >/dev/null || need "$tool is not installed (scripts/install-deps.sh)"
done
for program in ziv ziv-render console_pattern DuskPulse.ogg; do
  [ -e "$build/$program" ] || need "no $program in $build (cmake --build build)"
done
[ -f "$site/ziv_core.wasm" ] || need "the page is not built (scripts/web.sh --build-only --test)"
[ -x "${ZIV_CHROMIUM:-/usr/bin/chromium}" ] || need "chromium is not installed"
[ -d "$src/tests/web/node_modules/puppeteer-core" ] || need "puppeteer-core is not installed (scripts/install-deps.sh)"

tmp="$(mktemp -d "${TMPDIR:-/tmp}/ziv-pictures.XXXXXX")"
server=""
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$tmp"' EXIT
export SDL_AUDIODRIVER=dummy
unset SDL_VIDEODRIVER SDL_RENDER_DRIVER
# PNGs without the dates ImageMagick would write into them.
strip_png() { convert "$1" -strip -define png:exclude-chunks=date,time "PNG24:$2"; }
palette_png() {
  ffmpeg -hide_banner -loglevel error -nostdin -y -i "$1" -threads 1 -fflags +bitexact \
    -filter_complex "[0:v]split[a][b];[a]palettegen=max_colors=256:stats_mode=full[p];[b][p]paletteuse=dither=none" "$2"
}

# --- the frames: two minutes at 60 frames a second, once, into every picture made of them
cd "$build"
./ziv-render --track DuskPulse.ogg --fps 60 --seconds 120 --trace-out "$tmp/show.trace" --raw - --no-progress |
  ffmpeg -hide_banner -loglevel error -nostdin -y -f rawvideo -pix_fmt bgr0 -video_size 640x480 -framerate 60 -i - \
    -filter_complex "[0:v]split=3[s][p][f];
      [s]select='not(mod(n+1\,600))',crop=640:400:0:40,scale=320:200:flags=area,tile=4x3:padding=4:margin=4[sheet];
      [p]trim=start_frame=3600:end_frame=4200,select='not(mod(n\,5))',setpts=N/12/TB,crop=640:400:0:40,scale=320:200:flags=area[preview];
      [f]select='eq(n\,3599)'[frame]" \
    -map '[sheet]' -frames:v 1 -fflags +bitexact "$tmp/frames.png" \
    -map '[preview]' -c:v libwebp_anim -lossless 0 -quality 50 -compression_level 6 -loop 0 -threads 1 -r 12 \
      -fflags +bitexact -map_metadata -1 "$tmp/preview.webp" \
    -map '[frame]' -frames:v 1 -f rawvideo -pix_fmt bgra "$tmp/frame.raw"
palette_png "$tmp/frames.png" "$out/frames.png"
cp "$tmp/preview.webp" "$out/preview.webp"

# --- full screen, and the dialog, each on a bare 1920x1080 X server of its own
cat >"$tmp/screens.sh" <<'SCREENS'
set -uo pipefail
tmp="$1" build="$2"
# Each wait has a deadline in seconds, not a count of tries: a try that is slow under load
# (a full-screen capture) must not stretch the wait past the outer timeout unreported.
wait_for() { local until=$((SECONDS + 50)); while [ $SECONDS -lt $until ]; do "$@" && return 0; sleep 0.1; done; return 1; }
say() { echo "make-pictures: $*" >&2; }
# The same screen twice in a row: whatever was drawing has finished.
last="no capture yet"
settled() { import -window "$1" "$tmp/a.png" 2>"$tmp/import.err" && sleep 0.5 && import -window "$1" "$tmp/b.png" 2>"$tmp/import.err" ||
              { last="import: $(tail -1 "$tmp/import.err")"; return 1; }
            last="$(compare -metric AE "$tmp/a.png" "$tmp/b.png" null: 2>&1) pixels changed in half a second"
            [ "$last" = "0 pixels changed in half a second" ]; }
say "full screen: presenting the frame at 1920x1080"
"$build/console_pattern" frame "$tmp/frame.raw" >"$tmp/pattern.out" 2>"$tmp/pattern.err" &
pattern=$!
wait_for grep -qx presented "$tmp/pattern.out" || { echo "make-pictures: the frame was never presented: $(cat "$tmp/pattern.err")" >&2; kill $pattern; exit 1; }
wait_for settled root || { echo "make-pictures: the full screen never settled ($last)" >&2; kill $pattern; exit 1; }
cp "$tmp/b.png" "$tmp/fullscreen-shot.png"
kill $pattern; wait $pattern 2>/dev/null
say "dialog: starting the show"
(cd "$build" && exec ./ziv) >/dev/null 2>"$tmp/show.err" &
show=$!
find_dialog() { dialog="$(xdotool search --onlyvisible --pid $show 2>/dev/null | head -1)"; [ -n "$dialog" ]; }
wait_for find_dialog || { echo "make-pictures: no dialog: $(cat "$tmp/show.err")" >&2; kill $show; exit 1; }
wait_for settled "$dialog" || { echo "make-pictures: the dialog never settled ($last)" >&2; kill $show; exit 1; }
cp "$tmp/b.png" "$tmp/dialog-shot.png"
kill $show; wait $show 2>/dev/null
exit 0
SCREENS
# -noreset: the server must not reset between the pattern's exit and the show's first window
# (an X server left without clients resets, and refuses connections while it does).
# A second try on a fresh server if the first fails: the captures are the same either way,
# and a machine busy with other work must not turn a slow screenshot into a stale picture.
for try in 1 2; do
  status=0
  timeout 240 xvfb-run -a -s "-noreset -screen 0 1920x1080x24" bash "$tmp/screens.sh" "$tmp" "$build" || status=$?
  [ $status = 0 ] && break
  echo "make-pictures: the screens on Xvfb failed (try $try, status $status$([ $status = 124 ] && echo ', timed out after 240 s'))" >&2
  [ $try = 2 ] && exit 1
done
palette_png "$tmp/fullscreen-shot.png" "$out/fullscreen.png"
convert "$tmp/dialog-shot.png" -sample 200% "$tmp/dialog-twice.png"   # small: shown at twice its size
strip_png "$tmp/dialog-twice.png" "$out/dialog.png"

# --- the page, served from a folder of its own with the trace beside it
mkdir -p "$tmp/site"
for f in "$site"/*; do ln -s "$f" "$tmp/site/"; done
cp "$tmp/show.trace" "$tmp/site/show.trace"
for tries in $(seq 10); do
  port=$((20000 + RANDOM % 20000))
  /usr/bin/python3 -m http.server "$port" --bind 127.0.0.1 --directory "$tmp/site" >"$tmp/server.log" 2>&1 &
  server=$!
  for s in $(seq 50); do curl -fs -o /dev/null "http://127.0.0.1:$port/index.html" 2>/dev/null && break 2; sleep 0.1; done
  kill "$server" 2>/dev/null; server=""
done
[ -n "$server" ] || { echo "make-pictures: cannot serve the page" >&2; exit 1; }
timeout 300 node "$src/tools/docs/web_picture.mjs" "http://127.0.0.1:$port/index.html" show.trace "$tmp/web-shot.png" ||
  { status=$?; echo "make-pictures: the page's picture failed (status $status$([ $status = 124 ] && echo ', timed out after 300 s'))" >&2; exit 1; }
strip_png "$tmp/web-shot.png" "$out/web.png"
ls -l "$out"/frames.png "$out"/preview.webp "$out"/fullscreen.png "$out"/dialog.png "$out"/web.png
