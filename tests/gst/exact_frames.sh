#!/usr/bin/env bash
# For a 44.1 kHz WAV, frame n of zivvis in a gst-launch-1.0 pipeline at 60 fps
# equals ziv-render's frame n of the same file, bit for bit, over every frame
# the file covers (1,801 for 30 s); the run logs no warning of the element at
# GST_DEBUG=*:2. A 48 kHz WAV, which goes through the resampler, gives
# ziv-render's frames too: a frame waits for the samples the resampler still
# holds. At 30000/1001 fps the frame count follows the clock, and other sizes
# are fitted.
source "$(dirname "$0")/lib.sh"
gst_require gst-launch-1.0 cmp
frame=$((640 * 480 * 4))
cd "$GST_TMP" || gst_fail "no scratch folder"

gst_write_wav T.wav 44100 2 30 || gst_fail "no test WAV"
GST_DEBUG='*:2' GST_DEBUG_NO_COLOR=1 timeout 300 gst-launch-1.0 -q filesrc location=T.wav ! wavparse ! audioconvert ! \
  zivvis ! video/x-raw,framerate=60/1 ! filesink location=out.raw >launch.out 2>launch.err ||
  gst_fail "the pipeline failed: $(tail -5 launch.err)"
grep -i 'zivvis' launch.err && gst_fail "the element logged warnings in a normal run"
bytes="$(stat -c %s out.raw)"
frames=$((bytes / frame))
# Frames n with n x 735 <= 1,323,000 samples: 0 to 1,800.
[ "$bytes" = $((1801 * frame)) ] || gst_fail "the pipeline gave $bytes bytes, not 1801 frames"
timeout 300 "$ZIV_BUILD_DIR/ziv-render" --track T.wav --fps 60 --frames "$frames" --raw ref.raw --no-progress ||
  gst_fail "ziv-render failed"
cmp -s out.raw ref.raw || gst_fail "zivvis's frames differ from ziv-render's: $(cmp out.raw ref.raw | head -1) (frame $(( $(cmp out.raw ref.raw | sed -n 's/.*byte \([0-9]*\).*/\1/p') / frame )))"
echo "$GST_NAME: $frames frames at 60 fps equal ziv-render's, bit for bit"

gst_write_wav S.wav 48000 2 5 || gst_fail "no 48 kHz stereo WAV"
timeout 300 gst-launch-1.0 -q filesrc location=S.wav ! wavparse ! audioconvert ! zivvis ! video/x-raw,framerate=60/1 ! \
  filesink location=s48.raw 2>s48.err || gst_fail "the 48 kHz stereo pipeline failed: $(tail -5 s48.err)"
frames=$(($(stat -c %s s48.raw) / frame))
[ "$frames" -ge 300 ] || gst_fail "5 s at 48 kHz gave $frames frames"
timeout 300 "$ZIV_BUILD_DIR/ziv-render" --track S.wav --fps 60 --frames "$frames" --raw s48-ref.raw --no-progress ||
  gst_fail "ziv-render failed on the 48 kHz WAV"
cmp -s s48.raw s48-ref.raw || gst_fail "at 48 kHz zivvis's frames differ from ziv-render's: $(cmp s48.raw s48-ref.raw | head -1)"
echo "$GST_NAME: 48 kHz: $frames frames equal ziv-render's, bit for bit"

# 48 kHz mono at 30000/1001 fps, 1280x720: a frame per 1001/30000 s of sound, the picture in the middle.
gst_write_wav M.wav 48000 1 5 || gst_fail "no 48 kHz WAV"
timeout 300 gst-launch-1.0 -q filesrc location=M.wav ! wavparse ! audioconvert ! zivvis ! \
  video/x-raw,framerate=30000/1001,width=1280,height=720 ! filesink location=wide.raw 2>wide.err ||
  gst_fail "the 48 kHz pipeline failed: $(tail -5 wide.err)"
wide=$((1280 * 720 * 4))
bytes="$(stat -c %s wide.raw)"
# 5 s x 30000/1001 = 149.85: frames 0 to 149.
[ "$bytes" = $((150 * wide)) ] || gst_fail "the 48 kHz pipeline gave $bytes bytes, not 150 frames of 1280x720"
/usr/bin/python3 - wide.raw <<'PY' || gst_fail "the 1280x720 frames are not the picture fitted with black bars"
import sys
data = open(sys.argv[1], 'rb').read()
w, h = 1280, 720
size = w * h * 4
lit = 0
for f in range(0, 150, 10):
    frame = data[f * size:(f + 1) * size]
    for y in range(0, h, 37):
        row = frame[y * w * 4:(y + 1) * w * 4]
        # 960x720 in the middle: the bars (160 columns each side) are black.
        if any(row[:160 * 4]) or any(row[1120 * 4:]):
            sys.exit(f"frame {f} row {y}: the bars are not black")
        lit += any(row[160 * 4:1120 * 4])
if lit == 0:
    sys.exit("the picture area is black in every frame sampled")
PY
echo "$GST_NAME: PASS"
