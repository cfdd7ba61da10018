#!/usr/bin/env bash
# ziv-render as users run it: encoded video through ffmpeg (checked with
# ffprobe), raw frames on standard output, quiet pipes, and an interrupted
# render that leaves nothing behind.
set -uo pipefail
build="${ZIV_BUILD_DIR:?}"
render="$build/ziv-render"
for tool in ffmpeg ffprobe; do
  if ! command -v "$tool" >/dev/null; then
    echo "render_video: $tool is not installed; skipping" >&2
    exit 77
  fi
done
[ -x "$render" ] || { echo "render_video: $render is missing" >&2; exit 1; }

work="$(mktemp -d /tmp/ziv-render-e2e-XXXXXX)"
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# A short stereo track with a beat, encoded by ffmpeg itself.
timeout 60 ffmpeg -hide_banner -loglevel error -nostdin -f lavfi \
  -i "aevalsrc=0.8*sin(2*PI*90*t)*lt(mod(t\,0.5)\,0.2)+0.3*sin(2*PI*880*t)|0.3*sin(2*PI*660*t):s=44100:d=2" \
  -c:a libvorbis -q:a 4 track.ogg || { echo "render_video: cannot make a test track" >&2; exit 1; }

probe() {  # file stream-selector entries
  timeout 60 ffprobe -v error -select_streams "$2" -count_frames -show_entries "stream=$3" -of default=nw=1 "$1"
}

# mp4: H.264 at twice the show's size (so 4:2:0 colour never mixes two of its rows), at exactly the
# rendered frame count, with AAC audio.
timeout 300 "$render" --track track.ogg --fps 24 --seconds 1.5 -o show.mp4 2>err.txt
status=$?
[ $status -eq 0 ] || fail "mp4 render exited $status: $(cat err.txt)"
[ -s err.txt ] && fail "a render on a pipe printed: $(cat err.txt)"
video="$(probe show.mp4 v:0 codec_name,width,height,pix_fmt,nb_read_frames)"
echo "$video" | grep -qx "codec_name=h264" || fail "mp4 video codec: $video"
echo "$video" | grep -qx "width=1280" || fail "mp4 width: $video"
echo "$video" | grep -qx "height=960" || fail "mp4 height: $video"
echo "$video" | grep -qx "pix_fmt=yuv420p" || fail "mp4 pixel format: $video"
echo "$video" | grep -qx "nb_read_frames=36" || fail "mp4 frame count (want 36): $video"
audio="$(probe show.mp4 a:0 codec_name,sample_rate)"
echo "$audio" | grep -qx "codec_name=aac" || fail "mp4 audio stream: '$audio'"
ls -a | grep -q partial && fail "a temporary file was left: $(ls -a)"

# Any common format drives a render; --scale 1 keeps the show's own size.
timeout 60 ffmpeg -hide_banner -loglevel error -nostdin -i track.ogg -c:a libmp3lame track.mp3 || fail "cannot make an MP3"
timeout 300 "$render" --track track.mp3 --fps 10 --frames 6 --scale 1 -o small.mkv 2>err.txt || fail "MP3 render failed: $(cat err.txt)"
probe small.mkv v:0 width,height | tr '\n' ' ' | grep -q "width=640 height=480" || fail "--scale 1 size"
probe small.mkv a:0 codec_name | grep -qx "codec_name=vorbis" || fail "an MP3 track gave no audio"

# mkv and webm carry Vorbis and Opus; a trace replay without --track has no audio.
timeout 300 "$render" --track track.ogg --fps 10 --frames 12 -o show.mkv -o show.webm --trace-out show.trace \
  || fail "mkv/webm render failed"
probe show.mkv a:0 codec_name | grep -qx "codec_name=vorbis" || fail "mkv audio is not Vorbis"
probe show.webm v:0 codec_name | grep -qx "codec_name=vp9" || fail "webm video is not VP9"
probe show.webm a:0 codec_name | grep -qx "codec_name=opus" || fail "webm audio is not Opus"
probe show.webm v:0 nb_read_frames | grep -qx "nb_read_frames=12" || fail "webm frame count"
timeout 300 "$render" --trace-in show.trace --fps 10 -o replay.mp4 || fail "replay to mp4 failed"
[ -z "$(probe replay.mp4 a nb_read_frames)" ] || fail "a trace replay without --track has audio"
probe replay.mp4 v:0 nb_read_frames | grep -qx "nb_read_frames=12" || fail "replay frame count"

# Raw frames on standard output are the same bytes as in a file.
timeout 300 "$render" --track track.ogg --frames 8 --raw - > stdout.raw || fail "raw to stdout failed"
timeout 300 "$render" --track track.ogg --frames 8 --raw file.raw || fail "raw to file failed"
[ "$(stat -c %s file.raw)" -eq $((8 * 640 * 480 * 4)) ] || fail "raw size"
cmp -s stdout.raw file.raw || fail "raw on stdout differs from the file"

# --progress draws on a pipe when asked.
timeout 300 "$render" --track track.ogg --frames 5 --progress 2>progress.txt >/dev/null
grep -q "5/5 frames" progress.txt || fail "no progress bar with --progress: $(cat progress.txt)"

# Bad command line: usage and 2.
"$render" --fps 0 2>usage.txt
[ $? -eq 2 ] || fail "bad --fps did not exit 2"
grep -q "^usage: ziv-render" usage.txt || fail "no usage on a bad option"

# Ctrl-C in the middle: status 130, and nothing under the name or beside it.
"$render" --track track.ogg --raw /dev/null -o long.y4m --trace-out long.trace &
pid=$!
sleep 1
kill -INT $pid
wait $pid
status=$?
[ $status -eq 130 ] || fail "interrupted render exited $status"
ls -a | grep -Eq "long|partial" && fail "an interrupted render left files: $(ls -a)"

# A colon in a name is part of the name, not a protocol.
timeout 300 "$render" --track track.ogg --frames 6 -o "a:b.mp4" 2>colon.txt || fail "a name with a colon failed: $(cat colon.txt)"
probe "file:a:b.mp4" v:0 nb_read_frames | grep -qx "nb_read_frames=6" || fail "a:b.mp4 frame count"

# ffmpeg writing into a FIFO nobody reads blocks; Ctrl-C still ends the render within
# a second, and no ffmpeg is left behind.
mkfifo stuck.mp4
"$render" --track track.ogg --frames 600 -o stuck.mp4 2>/dev/null &
pid=$!
sleep 1
kill -INT $pid
for _ in $(seq 20); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
if kill -0 $pid 2>/dev/null; then
  fail "a render blocked on a FIFO did not end within 2 s of Ctrl-C"
  kill -KILL $pid
fi
wait $pid
status=$?
[ $status -eq 130 ] || fail "the render blocked on a FIFO exited $status"
left="$(pgrep -f "stuck[.]mp4")"
[ -n "$left" ] && { fail "ffmpeg was left running"; kill -KILL $left; }
rm -f stuck.mp4

# A 5.1 track (made here, in ffmpeg's order FL FR FC LFE BL BR, each channel
# louder than the one before) keeps every channel on its own speaker in mp4 and
# mkv; webm's Opus does not take four channels, so a quad track with sound only
# at the back left is mixed down to the left side.
peaks() {  # file: the peak level (dB) of each audio channel, one a line
  timeout 60 ffmpeg -hide_banner -nostdin -i "$1" -af astats=measure_overall=none:measure_perchannel=Peak_level \
    -f null - 2>&1 | sed -n 's/.*Peak level dB: *//p'
}
tone() { echo "$1*sin(2*PI*$2*t)"; }
timeout 60 ffmpeg -hide_banner -loglevel error -nostdin -f lavfi -i \
  "aevalsrc=$(tone 0.02 1000)|$(tone 0.05 1000)|$(tone 0.1 1000)|$(tone 0.2 80)|$(tone 0.4 1000)|$(tone 0.8 1000):c=5.1:s=44100:d=2" \
  -c:a libvorbis six.ogg || fail "cannot make a 5.1 track"
for out in six.mp4 six.mkv; do
  timeout 300 "$render" --track six.ogg --fps 10 --frames 10 --scale 1 -o "$out" 2>err.txt || fail "5.1 to $out: $(cat err.txt)"
  probe "$out" a:0 channels,channel_layout | tr '\n' ' ' | grep -q "channels=6 channel_layout=5.1" ||
    fail "$out: the 5.1 layout was not kept: $(probe "$out" a:0 channels,channel_layout | tr '\n' ' ')"
  levels="$(peaks "$out" | tr '\n' ' ')"
  sort -c -g <(peaks "$out") 2>/dev/null || fail "$out: channels moved from their speakers (peaks dB in FL FR FC LFE BL BR: $levels)"
done
timeout 60 ffmpeg -hide_banner -loglevel error -nostdin -f lavfi -i \
  "aevalsrc=0|0|$(tone 0.5 1000)|0:c=quad:s=44100:d=2" -c:a libvorbis quad.ogg || fail "cannot make a quad track"
timeout 300 "$render" --track quad.ogg --fps 10 --frames 10 --scale 1 -o quad.webm 2>err.txt || fail "quad to webm: $(cat err.txt)"
probe quad.webm a:0 channels | grep -qx "channels=2" || fail "quad.webm is not stereo"
mapfile -t side < <(peaks quad.webm)
awk -v l="${side[0]:--inf}" -v r="${side[1]:--inf}" 'BEGIN { exit !(l > -20 && (r == "-inf" || l - r > 30)) }' ||
  fail "quad.webm: the back left did not go to the left side only (left ${side[0]:-?} dB, right ${side[1]:-?} dB)"

# ziv-render killed outright (SIGKILL: no handler runs) takes its ffmpeg with it, even an
# ffmpeg that would otherwise wait forever (here for a reader of its FIFO).
mkfifo orphan.mp4
"$render" --track track.ogg --frames 600 -o orphan.mp4 2>/dev/null &
pid=$!
child=""
for _ in $(seq 300); do  # up to 30 s for ffmpeg to start on a loaded machine
  child="$(pgrep -P $pid -x ffmpeg)" && break
  sleep 0.1
done
if [ -z "$child" ]; then
  fail "ziv-render started no ffmpeg within 30 s"
  kill -KILL $pid
else
  kill -KILL $pid
  wait $pid 2>/dev/null
  for _ in $(seq 100); do kill -0 "$child" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$child" 2>/dev/null && [ "$(ps -o stat= -p "$child" | cut -c1)" != Z ]; then
    fail "ffmpeg ($child) outlived a SIGKILLed ziv-render by 10 s"
    kill -KILL "$child"
  fi
fi
rm -f orphan.mp4

# ffmpeg missing from the PATH: a clear error, exit 1, nothing written.
PATH="/nonexistent" "$render" --track track.ogg --frames 3 -o nope.mp4 --raw nope.raw 2>missing.txt
[ $? -eq 1 ] || fail "missing ffmpeg did not exit 1"
grep -q "ffmpeg program is not on the PATH" missing.txt || fail "missing ffmpeg message: $(cat missing.txt)"
ls | grep -q nope && fail "missing ffmpeg left files"

# A video that cannot be written: exit 1, and the other outputs are withdrawn.
"$render" --track track.ogg --frames 3 -o /nonexistent/folder/x.mp4 --raw withdrawn.raw 2>nowhere.txt
[ $? -eq 1 ] || fail "an unwritable video did not exit 1"
grep -q "^ziv-render: video '/nonexistent/folder/x.mp4': " nowhere.txt || fail "unwritable video message: $(cat nowhere.txt)"
ls -a | grep -Eq "withdrawn|partial" && fail "an unwritable video left files: $(ls -a)"

[ $failures -eq 0 ] && echo "render_video: all checks passed"
exit $((failures > 0))
