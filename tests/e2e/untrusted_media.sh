#!/usr/bin/env bash
# A music file opens nothing but itself, as a new user meets it on the command
# line: playlists named like songs (naming a local file, a local server that
# accepts and never answers, or the render's own output), a session description,
# ziv-render's signals during a render, and names with escape sequences.
set -uo pipefail
build="${ZIV_BUILD_DIR:?}"
for tool in ziv-render ziv-track-stats ziv-play; do
  [ -x "$build/$tool" ] || { echo "untrusted_media: $tool is not built" >&2; exit 1; }
done
command -v /usr/bin/python3 >/dev/null || { echo "untrusted_media: SKIPPED: no python3 for the server" >&2; exit 77; }
work="$(mktemp -d "${TMPDIR:-/tmp}/ziv-untrusted.XXXXXX")"
server=""
cleanup() { [ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
cd "$work" || exit 1

# A track of our own, not Ogg Vorbis, so it goes through the demuxers: 1 s of a 16-bit WAV.
/usr/bin/python3 - <<'PY'
import math, struct, wave
with wave.open("private.wav", "wb") as w:
    w.setnchannels(1); w.setsampwidth(2); w.setframerate(44100)
    w.writeframes(b"".join(struct.pack("<h", int(12000 * math.sin(2 * math.pi * 440 * i / 44100))) for i in range(44100)))
PY
hls() { printf '#EXTM3U\n#EXT-X-TARGETDURATION:4\n#EXTINF:4.0,\n%s\n#EXT-X-ENDLIST\n' "$1"; }

# Runs a command with a bound; its status (124 when it had to be stopped) and stderr in err.txt.
bounded() { timeout -k 2 "$1" "${@:2}" >out.txt 2>err.txt; }
one_line() { [ "$(wc -l <err.txt)" -eq 1 ] || fail "$1: not one line: $(cat -v err.txt)"; }

# 1. A playlist named like a song, listing a local file.
hls "$work/private.wav" > holiday.mp3
bounded 20 "$build/ziv-render" --track holiday.mp3 --seconds 1 --raw leak.raw --no-progress
status=$?
[ $status -eq 1 ] || fail "ziv-render on a playlist exited $status"
grep -qx "ziv-render: track 'holiday.mp3': is a playlist, not an audio file" err.txt || fail "ziv-render: $(cat -v err.txt)"
[ ! -e leak.raw ] || fail "ziv-render wrote frames from a playlist"

# 2 and 5. A playlist of a local server that accepts and never answers: no program connects or waits.
cat > server.py <<'PY'
import socket, sys, time
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", 0)); s.listen(16)
open("port", "w").write(str(s.getsockname()[1]))
held = []
while True:
    c, _ = s.accept(); held.append(c)
    open("connections", "a").write("1\n")
PY
/usr/bin/python3 server.py & server=$!
for i in $(seq 1 100); do [ -s port ] && break; sleep 0.1; done
[ -s port ] || { fail "the local server did not start"; exit 1; }
url="http://127.0.0.1:$(cat port)/seg.ts"
hls "$url" > list.m3u8
hls "$url" > song.mp3
for name in list.m3u8 song.mp3; do
  start=$(date +%s)
  bounded 20 "$build/ziv-render" --track "$name" --seconds 1 --raw /dev/null --no-progress
  status=$?
  [ $status -eq 1 ] || fail "ziv-render --track $name exited $status after $(( $(date +%s) - start )) s"
  one_line "ziv-render --track $name"
  bounded 20 "$build/ziv-track-stats" "$name"
  status=$?
  [ $status -eq 1 ] || fail "ziv-track-stats $name exited $status"
  grep -qx "ziv-track-stats: track '$name': is a playlist, not an audio file" err.txt || fail "ziv-track-stats: $(cat -v err.txt)"
  SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy bounded 20 "$build/ziv-play" --mute "$name"
  status=$?
  [ $status -eq 1 ] || fail "ziv-play $name exited $status"
  grep -q "^ziv-play: skipping '$name': is a playlist, not an audio file$" err.txt || fail "ziv-play: $(cat -v err.txt)"
done
sleep 0.5
[ ! -s connections ] || fail "the programs connected to the server $(wc -l <connections) times"

# 3. A session description named like a song: refused at once, no socket, no wait for packets.
printf 'v=0\no=- 0 0 IN IP4 127.0.0.1\ns=x\nc=IN IP4 0.0.0.0\nt=0 0\nm=audio 5004 RTP/AVP 97\na=rtpmap:97 L16/44100/2\n' > sdp.mp3
start=$(date +%s)
bounded 20 "$build/ziv-render" --track sdp.mp3 --seconds 1 --raw /dev/null --no-progress
status=$?
[ $status -eq 1 ] || fail "ziv-render on an SDP file exited $status"
[ $(( $(date +%s) - start )) -le 3 ] || fail "ziv-render waited on an SDP file"
grep -qx "ziv-render: track 'sdp.mp3': describes a network stream, not an audio file" err.txt || fail "sdp: $(cat -v err.txt)"

# 4. A playlist naming the render's own output: the output stays as it was.
cp private.wav music.ts
hls music.ts > list2.m3u8
before="$(sha256sum < music.ts)"
bounded 20 "$build/ziv-render" --track list2.m3u8 --seconds 1 --raw music.ts --no-progress
[ "$(sha256sum < music.ts)" = "$before" ] || fail "the playlist's entry was overwritten by the render"

# 5. Ctrl-C, SIGTERM and SIGHUP end a render within a couple of seconds, keeping nothing.
for signal in INT TERM HUP; do
  "$build/ziv-render" --track private.wav --raw "frames-$signal.raw" --no-progress 2>"err-$signal.txt" &
  pid=$!
  sleep 1
  kill -s "$signal" "$pid"
  ended=""
  for i in $(seq 1 30); do kill -0 "$pid" 2>/dev/null || { ended=yes; break; }; sleep 0.1; done
  if [ -z "$ended" ]; then
    fail "ziv-render ignored SIG$signal for 3 s"
    kill -9 "$pid" 2>/dev/null
  fi
  wait "$pid" 2>/dev/null
  [ ! -e "frames-$signal.raw" ] || fail "SIG$signal left frames-$signal.raw behind"
done

# 6. Names with escape sequences and line breaks are printed escaped, on one line.
for name in $'bad\e]0;PWNED\a.mp3' $'\e[2J' $'two\nlines\r.ogg'; do
  for run in "ziv-render --track" "ziv-track-stats" "ziv-play --mute"; do
    # shellcheck disable=SC2086
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy bounded 20 "$build"/$run "$name"
    if LC_ALL=C grep -q $'[\x01-\x08\x0b-\x1f\x7f]' err.txt; then fail "$run printed a control character: $(cat -v err.txt)"; fi
    [ "$run" = "ziv-play --mute" ] || one_line "$run $(printf %q "$name")"
  done
done

[ $failures -eq 0 ] && echo "untrusted_media: all checks passed"
exit $((failures > 0))
