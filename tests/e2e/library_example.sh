#!/usr/bin/env bash
# libziv as a program outside the tree meets it: installed into a scratch
# prefix by cmake --install, examples/wav_frames.c compiled against it with
# nothing but pkg-config (as C99, warnings as errors), and its frames of a WAV
# file equal to ziv-render's --raw frames of the same file, bit for bit: at
# 44.1 kHz stereo, and at 48 kHz mono and 22.05 kHz in six channels, which go
# through the resampler and the downmix. The static library links and draws
# the same frames.
source "$(dirname "$0")/lib.sh"
e2e_require cc pkg-config cmp readelf nm ldd

prefix="$E2E_TMP/prefix"
cmake --install "$ZIV_BUILD_DIR" --prefix "$prefix" >"$E2E_TMP/install.log" 2>&1 ||
  e2e_fail "cmake --install failed: $(tail -5 "$E2E_TMP/install.log")"
pc="$(find "$prefix" -name ziv.pc -path '*/pkgconfig/*' | head -1)"
[ -n "$pc" ] || e2e_fail "the install has no pkgconfig/ziv.pc"
[ -f "$prefix/include/ziv/ziv.h" ] || e2e_fail "the install has no include/ziv/ziv.h"
export PKG_CONFIG_PATH="$(dirname "$pc")"
libdir="$(pkg-config --variable=libdir ziv)"
[ "$libdir" = "$(cd "$(dirname "$pc")/.." && pwd)" ] || e2e_fail "ziv.pc names libdir $libdir, not the install's"
[ -f "$libdir/libziv.a" ] && [ -L "$libdir/libziv.so" ] || e2e_fail "the install lacks libziv.a or the libziv.so link"
[ "$(readelf -d "$libdir/libziv.so" | sed -n 's/.*soname: \[\(.*\)\]/\1/p')" = libziv.so.0 ] ||
  e2e_fail "libziv.so's SONAME is not libziv.so.0"
# Only the API is exported.
others="$(nm -D --defined-only "$libdir/libziv.so" | awk '$2 ~ /[TDBRW]/ && $3 !~ /^ziv_/ {print $3}')"
[ -z "$others" ] || e2e_fail "libziv.so exports more than ziv_*: $(echo "$others" | head -5 | tr '\n' ' ')"

cd "$E2E_TMP" || e2e_fail "no scratch folder"
# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -pedantic -Werror "$ZIV_SOURCE_DIR/examples/wav_frames.c" $(pkg-config --cflags --libs ziv) \
  -o wav_frames 2>"$E2E_TMP/cc.log" || e2e_fail "the example does not compile: $(cat "$E2E_TMP/cc.log")"
# shellcheck disable=SC2046
cc -std=c99 "$ZIV_SOURCE_DIR/examples/wav_frames.c" $(pkg-config --cflags ziv) "$libdir/libziv.a" \
  $(pkg-config --static --libs ziv | sed 's/-lziv\b//') -o wav_frames_static 2>"$E2E_TMP/cc-static.log" ||
  e2e_fail "the example does not link statically: $(cat "$E2E_TMP/cc-static.log")"
# ldd's whole answer first: grep -q leaving a pipe early can kill ldd with
# SIGPIPE, which pipefail reports as a failure however grep decided.
deps="$(LD_LIBRARY_PATH="$libdir" ldd ./wav_frames)"
grep -q "libziv.so.0 => $libdir/" <<<"$deps" || e2e_fail "the example does not load the installed libziv"
deps="$(ldd ./wav_frames_static)"
grep -q libziv <<<"$deps" && e2e_fail "the static example still loads libziv.so"

# A few seconds of music-like sound, the same bytes every run.
write_wav() {  # file rate channels seconds
  /usr/bin/python3 "$ZIV_SOURCE_DIR/tests/e2e/music_wav.py" "$@"
}

for case in "44100 2 3 30" "48000 1 2 25" "22050 6 2 60"; do
  read -r rate channels seconds fps <<<"$case"
  wav="music-$rate-$channels.wav"
  write_wav "$wav" "$rate" "$channels" "$seconds" || e2e_fail "no test WAV"
  LD_LIBRARY_PATH="$libdir" ./wav_frames "$wav" "$fps" >"lib-$rate.raw" 2>"$E2E_TMP/example.err" ||
    e2e_fail "the example failed on $wav: $(cat "$E2E_TMP/example.err")"
  bytes="$(stat -c %s "lib-$rate.raw")"
  frames=$((bytes / (640 * 480 * 4)))
  # Every frame the file reaches: floor(samples at 44.1 kHz x fps / 44100) + 1, give or take the resampler's rounding.
  [ "$((frames * 640 * 480 * 4))" = "$bytes" ] && [ "$frames" -ge $((seconds * fps)) ] ||
    e2e_fail "$wav gave $bytes bytes, not $((seconds * fps)) or more whole frames"
  timeout 300 "$ZIV_BUILD_DIR/ziv-render" --track "$wav" --fps "$fps" --frames "$frames" --raw "render-$rate.raw" --no-progress ||
    e2e_fail "ziv-render failed on $wav"
  cmp -s "lib-$rate.raw" "render-$rate.raw" || e2e_fail "$wav: the example's $frames frames differ from ziv-render's ($(cmp "lib-$rate.raw" "render-$rate.raw" | head -1))"
  ./wav_frames_static "$wav" "$fps" | cmp -s - "lib-$rate.raw" || e2e_fail "$wav: the static example draws other frames"
  echo "$E2E_NAME: $wav: $frames frames at $fps fps equal ziv-render's"
done
echo "$E2E_NAME: PASS"
