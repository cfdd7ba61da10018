#!/usr/bin/env bash
# gst-inspect-1.0 finds zivvis through GST_PLUGIN_PATH: a visualiser with its
# photosensitivity warning, audio in, BGRx video out.
source "$(dirname "$0")/lib.sh"
gst_require gst-inspect-1.0

out="$GST_TMP/inspect.txt"
gst-inspect-1.0 zivvis >"$out" 2>&1 || gst_fail "gst-inspect-1.0 does not find zivvis: $(head -5 "$out")"
grep -q 'Klass *Visualization$' "$out" || gst_fail "zivvis is not of the class Visualization"
grep -q 'Long-name *ziv music show$' "$out" || gst_fail "zivvis has no long name"
grep -qi 'Description .*photosensitiv' "$out" || gst_fail "the description carries no photosensitivity warning"
grep -q 'Filename *.*/libgstziv.so$' "$out" || gst_fail "zivvis does not come from libgstziv.so"
grep -q 'format: { (string)F32LE, (string)S16LE }' "$out" || gst_fail "the sink does not take F32LE and S16LE"
grep -q 'format: BGRx' "$out" || gst_fail "the source does not give BGRx"
gst-inspect-1.0 ziv >/dev/null 2>&1 || gst_fail "the plugin ziv is not found by its name"
cp "$out" "$ZIV_BUILD_DIR/gst-inspect-zivvis.txt"
echo "$GST_NAME: PASS"
