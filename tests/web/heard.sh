#!/usr/bin/env bash
# The page's live spectrum is the desktop's: a music-like track goes through
# the page's own audio path, faster than real time (decodeAudioData, an
# offline context, the audio tap, the library in the core), and every frame's
# spectrum at 60 fps, once round the track and half again as the show loops
# it, must equal ziv-render --trace-out's for the same samples, bit for bit.
#
# ziv-render reads the 16-bit 44.1 kHz WAV (x / 32768); the page gets the same
# samples as a 32-bit float WAV, because chromium's decoder turns 16-bit
# samples into floats its own way (positive ones times the float 1/32767), so
# from the 16-bit file the browser would hand the page other samples.
source "$(dirname "$0")/lib.sh"
web_require
web_site
render="$ZIV_BUILD_DIR/ziv-render"
frames=1080   # 18 s at 60 fps: the 12 s track and half its loop
web_serve
failed=0
# Mono, stereo, and 5.1 (whose channels the page's library must put in the show's order before the mix).
for channels in 1 2 6; do
  wav="music-$channels.wav"
  /usr/bin/python3 "$ZIV_SOURCE_DIR/tests/e2e/music_wav.py" "$WEB_TMP/site/$wav" 44100 $channels 12 ||
    web_fail "cannot write the test track"
  /usr/bin/python3 - "$WEB_TMP/site/$wav" "$WEB_TMP/site/float-$wav" <<'PY' || web_fail "cannot write the float copy"
import struct, sys, wave
w = wave.open(sys.argv[1], 'rb')
channels, rate, frames = w.getnchannels(), w.getframerate(), w.getnframes()
pcm = w.readframes(frames)
values = struct.unpack('<%dh' % (len(pcm) // 2), pcm)
data = struct.pack('<%df' % len(values), *(v / 32768.0 for v in values))   # exact in a float
fmt = struct.pack('<HHIIHH', 3, channels, rate, rate * channels * 4, channels * 4, 32)
with open(sys.argv[2], 'wb') as f:
    f.write(b'RIFF' + struct.pack('<I', 4 + 8 + len(fmt) + 8 + len(data)) + b'WAVE')
    f.write(b'fmt ' + struct.pack('<I', len(fmt)) + fmt + b'data' + struct.pack('<I', len(data)) + data)
PY
  timeout 300 "$render" --track "$WEB_TMP/site/$wav" --frames $frames --trace-out "$WEB_TMP/site/$wav.trace" \
    --raw /dev/null --no-progress || web_fail "ziv-render could not record the trace of $wav"
  echo "-- $channels channels"
  web_drive heard "${WEB_URL}?check=heard&track=float-$wav&trace=$wav.trace" || failed=$((failed + 1))
done
[ $failed -eq 0 ] || web_fail "the page's spectrum differs from ziv-render's for $failed of the tracks"
