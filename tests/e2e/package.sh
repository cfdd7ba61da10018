#!/usr/bin/env bash
# The Debian package as a user gets it: built by CPack, unpacked (not
# installed) into a scratch root, its files in place and valid, the show
# started from its menu entry's folder with music and frames, and the
# packaged ziv-render drawing the same frames as the build's, the GStreamer
# plugin in the system's plugin folder and found there; beside it
# ziv-dev, with the library's header, static library and ziv.pc.
source "$(dirname "$0")/lib.sh"
e2e_require cpack dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli groff \
  xdotool import compare identify sox rsvg-convert
e2e_under_xvfb 1024x768 "$@"
e2e_start_window_manager

artefacts="$ZIV_BUILD_DIR/e2e-artefacts/$E2E_NAME"
mkdir -p "$artefacts"
root="$E2E_TMP/root"

# Build the package out of the build tree, into a folder of its own.
timeout 300 cpack --config "$ZIV_BUILD_DIR/CPackConfig.cmake" -B "$E2E_TMP/cpack" >"$E2E_TMP/cpack.log" 2>&1 ||
  e2e_fail "cpack failed: $(tail -5 "$E2E_TMP/cpack.log")"
deb="$(ls "$E2E_TMP"/cpack/ziv_*.deb 2>/dev/null)"
[ -f "$deb" ] || e2e_fail "cpack wrote no ziv_*.deb"
version="$(dpkg-deb -f "$deb" Version)"
arch="$(dpkg-deb -f "$deb" Architecture)"
[ "$(basename "$deb")" = "ziv_${version}_${arch}.deb" ] || e2e_fail "package file name $(basename "$deb")"
[ "$arch" = "$(dpkg --print-architecture)" ] || e2e_fail "architecture $arch"
dpkg-deb -f "$deb" Depends | grep -q 'libsdl2-2.0-0' || e2e_fail "dpkg-shlibdeps found no SDL2 dependency: $(dpkg-deb -f "$deb" Depends)"
[ "$(dpkg-deb -f "$deb" Recommends)" = ffmpeg ] || e2e_fail "ffmpeg is not recommended"
lintian --fail-on warning "$deb" >"$artefacts/lintian.txt" 2>&1 || e2e_fail "lintian: $(cat "$artefacts/lintian.txt")"
# The description says what a user gets: every program the package installs.
dpkg-deb -f "$deb" Description >"$artefacts/description.txt"
for program in ziv-play ziv-render ziv-track-stats; do
  grep -q "$program" "$artefacts/description.txt" || e2e_fail "the package's description does not mention $program"
done

dpkg-deb -x "$deb" "$root" || e2e_fail "dpkg-deb -x failed"
dpkg-deb -c "$deb" >"$artefacts/contents.txt"

# The library as Debian splits one: the runtime (with its shlibs and ldconfig trigger) in ziv,
# what a program is built with in ziv-dev, which needs exactly this ziv.
dev="$E2E_TMP/cpack/ziv-dev_${version}_${arch}.deb"
[ -f "$dev" ] || e2e_fail "cpack wrote no ziv-dev_${version}_${arch}.deb"
[ "$(dpkg-deb -f "$dev" Depends)" = "ziv (= $version)" ] || e2e_fail "ziv-dev depends on '$(dpkg-deb -f "$dev" Depends)'"
lintian --fail-on warning "$dev" >"$artefacts/lintian-dev.txt" 2>&1 || e2e_fail "lintian: $(cat "$artefacts/lintian-dev.txt")"
dpkg-deb -c "$dev" >"$artefacts/contents-dev.txt"
dpkg-deb -x "$dev" "$E2E_TMP/dev" || e2e_fail "dpkg-deb -x failed on ziv-dev"
multiarch="$(dpkg-architecture -qDEB_HOST_MULTIARCH)"
for f in usr/include/ziv/ziv.h usr/lib/$multiarch/libziv.a usr/lib/$multiarch/pkgconfig/ziv.pc usr/share/doc/ziv-dev/copyright; do
  [ -s "$E2E_TMP/dev/$f" ] || e2e_fail "ziv-dev lacks /$f"
done
[ "$(readlink "$E2E_TMP/dev/usr/lib/$multiarch/libziv.so")" = libziv.so.0 ] || e2e_fail "ziv-dev's libziv.so does not point at libziv.so.0"
grep -qx "libdir=/usr/lib/$multiarch" "$E2E_TMP/dev/usr/lib/$multiarch/pkgconfig/ziv.pc" || e2e_fail "ziv.pc does not name /usr/lib/$multiarch"
[ "$(dpkg-deb --ctrl-tarfile "$deb" | tar xO ./shlibs)" = "libziv 0 ziv (= $version)" ] || e2e_fail "ziv has no shlibs line for libziv"
dpkg-deb --ctrl-tarfile "$deb" | tar xO ./triggers | grep -qx 'activate-noawait ldconfig' || e2e_fail "ziv has no ldconfig trigger"
grep -q 'usr/include\|libziv\.a\|pkgconfig' "$artefacts/contents.txt" && e2e_fail "ziv carries development files"

# The files, where a desktop and man look for them; only the user's programs.
expected=(
  usr/bin/ziv usr/bin/ziv-play usr/bin/ziv-render usr/bin/ziv-track-stats
  usr/share/ziv/DuskPulse.ogg usr/share/applications/ziv.desktop
  usr/share/man/man1/ziv.1.gz usr/share/man/man1/ziv-play.1.gz usr/share/man/man1/ziv-render.1.gz usr/share/man/man1/ziv-track-stats.1.gz
  usr/share/icons/hicolor/scalable/apps/ziv.svg usr/share/doc/ziv/copyright usr/share/doc/ziv/changelog.gz
  usr/lib/$multiarch/libziv.so.0
)
for f in "${expected[@]}"; do [ -s "$root/$f" ] || e2e_fail "the package lacks /$f"; done
[ "$(ls "$root/usr/bin" | tr '\n' ' ')" = "ziv ziv-play ziv-render ziv-track-stats " ] ||
  e2e_fail "programs in /usr/bin: $(ls "$root/usr/bin" | tr '\n' ' ')"
cmp -s "$root/usr/share/ziv/DuskPulse.ogg" "$ZIV_BUILD_DIR/DuskPulse.ogg" || e2e_fail "the packaged track is not the build's"
for size in 16 32 48 256; do
  png="$root/usr/share/icons/hicolor/${size}x${size}/apps/ziv.png"
  [ "$(identify -format '%wx%h' "$png" 2>/dev/null)" = "${size}x${size}" ] || e2e_fail "icon $png is not ${size}x${size}"
done
# The scalable icon is the same design: drawn by a desktop's SVG library, it gives the PNGs' pixels.
for size in 32 256; do
  rsvg-convert -w "$size" -h "$size" "$root/usr/share/icons/hicolor/scalable/apps/ziv.svg" -o "$E2E_TMP/svg-$size.png" ||
    e2e_fail "the scalable icon cannot be drawn"
  [ "$(compare -metric AE "$E2E_TMP/svg-$size.png" "$root/usr/share/icons/hicolor/${size}x${size}/apps/ziv.png" null: 2>&1)" = 0 ] ||
    e2e_fail "the scalable icon drawn at $size differs from the ${size}x${size} PNG"
done
metainfo=("$root"/usr/share/metainfo/*.metainfo.xml)
[ -f "${metainfo[0]}" ] || e2e_fail "the package has no metainfo"

# The GStreamer plugin sits in the system's plugin folder (below /usr), and GStreamer finds zivvis in it.
if pkg-config --exists gstreamer-1.0 && command -v gst-inspect-1.0 >/dev/null; then
  plugins="$(pkg-config --variable=pluginsdir gstreamer-1.0)"
  [ -s "$root$plugins/libgstziv.so" ] || e2e_fail "the package lacks $plugins/libgstziv.so"
  env GST_PLUGIN_SYSTEM_PATH="$root$plugins" GST_REGISTRY="$E2E_TMP/registry.bin" LD_LIBRARY_PATH="$root/usr/lib/$multiarch" \
    gst-inspect-1.0 zivvis >"$artefacts/gst-inspect.txt" 2>&1 || e2e_fail "gst-inspect-1.0 does not find the packaged zivvis"
  grep -q 'Klass *Visualization' "$artefacts/gst-inspect.txt" || e2e_fail "the packaged zivvis is no visualiser"
fi

# Validation, with the validators' own words kept.
entry="$root/usr/share/applications/ziv.desktop"
desktop-file-validate "$entry" >"$artefacts/desktop.txt" 2>&1 && [ ! -s "$artefacts/desktop.txt" ] ||
  e2e_fail "desktop entry: $(cat "$artefacts/desktop.txt")"
appstreamcli validate --no-net "${metainfo[0]}" >"$artefacts/metainfo.txt" 2>&1 ||
  e2e_fail "metainfo: $(cat "$artefacts/metainfo.txt")"
grep -q "<release version=\"$version\"" "${metainfo[0]}" || e2e_fail "the metainfo does not name release $version"
for page in "$root"/usr/share/man/man1/*.1.gz; do
  warnings="$(zcat "$page" | groff -man -ww -z 2>&1)"
  [ -z "$warnings" ] || e2e_fail "$(basename "$page"): $warnings"
  zcat "$page" | grep -q "ziv $version" || e2e_fail "$(basename "$page") does not name version $version"
done
zcat "$root/usr/share/man/man1/ziv.1.gz" | grep -qi 'photosensitiv' || e2e_fail "ziv(1) has no photosensitivity warning"

# Every tool states the one version, the packaged ones and the build's alike.
for tool in "$root/usr/bin/ziv-play" "$root/usr/bin/ziv-render" "$root/usr/bin/ziv-track-stats" "$ZIV_BUILD_DIR/ziv-compose" "$ZIV_BUILD_DIR/ziv-pictures"; do
  said="$("$tool" --version 2>&1)"
  [ "$said" = "$(basename "$tool") $version" ] || e2e_fail "$tool --version said '$said', not '$(basename "$tool") $version'"
done
"$root/usr/bin/ziv-render" --version >/dev/full 2>/dev/null && e2e_fail "ziv-render --version on a full disk reported success"

# The packaged renderer draws the build's frames from the packaged track.
exec_line="$(sed -n 's/^Exec=//p' "$entry")"
path_line="$(sed -n 's/^Path=//p' "$entry")"
[ "$exec_line" = /usr/bin/ziv ] || e2e_fail "Exec=$exec_line"
[ "$path_line" = /usr/share/ziv ] || e2e_fail "Path=$path_line"
(cd "$root$path_line" && timeout 120 "$root/usr/bin/ziv-render" --frames 10 --no-progress --raw "$E2E_TMP/packaged.raw") ||
  e2e_fail "the packaged ziv-render failed"
(cd "$ZIV_BUILD_DIR" && timeout 120 ./ziv-render --frames 10 --no-progress --raw "$E2E_TMP/built.raw") ||
  e2e_fail "the build's ziv-render failed"
[ "$(stat -c %s "$E2E_TMP/packaged.raw")" = $((10 * 640 * 480 * 4)) ] || e2e_fail "10 frames are not 10 surfaces"
cmp -s "$E2E_TMP/packaged.raw" "$E2E_TMP/built.raw" || e2e_fail "the packaged ziv-render draws other frames than the build's"

# The show as the menu starts it: in the entry's folder, LD_LIBRARY_PATH as
# it is. Windowed (full screen turned off in the dialog), sound to a file.
audio="$E2E_TMP/audio.raw"
(cd "$root$path_line" &&
  exec env SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio" "$root$exec_line") >"$E2E_TMP/show.out" 2>"$E2E_TMP/show.err" &
SHOW_PID=$!
E2E_PIDS+=("$SHOW_PID")
e2e_pass_dialog Tab Tab space
win="$(e2e_wait_for_window '^ziv$' 60)" || e2e_fail "no window titled ziv within 60 s: $(cat "$E2E_TMP/show.err")"
sleep 1
import -window "$win" "$artefacts/first.png" 2>/dev/null || e2e_fail "no screenshot of the show's window"
moving=""
for i in $(seq 20); do
  sleep 0.5
  import -window "$win" "$artefacts/later.png" 2>/dev/null || e2e_fail "no second screenshot"
  [ "$(compare -metric AE "$artefacts/first.png" "$artefacts/later.png" null: 2>&1)" != 0 ] && { moving=1; break; }
done
[ -n "$moving" ] || e2e_fail "the window did not change for 10 s: no frames are being presented"
kill -0 "$SHOW_PID" 2>/dev/null || e2e_fail "the show ended by itself: $(cat "$E2E_TMP/show.err")"
xdotool windowactivate --sync "$win" >/dev/null 2>&1
xdotool key Escape
e2e_wait_for_exit "$SHOW_PID" 30; status=$?
[ "$status" = 0 ] || e2e_fail "the show ended with status $status: $(cat "$E2E_TMP/show.err")"

# The music played: SDL's disk driver wrote 32-bit float stereo that is not silence.
[ -s "$audio" ] || e2e_fail "no sound was written"
rms="$(sox -t raw -r 44100 -e floating-point -b 32 -c 2 "$audio" -n stat 2>&1 | sed -n 's/^RMS *amplitude: *//p')"
awk -v r="$rms" 'BEGIN { exit !(r > 0.01) }' || e2e_fail "the recorded sound is silent (RMS amplitude '$rms')"
echo "$E2E_NAME: ok ($(basename "$deb"), $(stat -c %s "$deb") bytes; sound RMS $rms)"
