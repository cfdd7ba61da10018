#!/usr/bin/env bash
# The page as a user meets it, in headless chromium: no console errors, the
# notice, the dialog's keys, the default track and a file of the user's
# playing with changing frames, full screen, Escape.
source "$(dirname "$0")/lib.sh"
web_require
command -v ffmpeg >/dev/null || web_skip "ffmpeg is not installed"
web_site
# A user's file in another format than the default track: MP3, a beat and a bell tone.
timeout 60 ffmpeg -hide_banner -loglevel error -nostdin -f lavfi \
  -i "aevalsrc=0.8*sin(2*PI*55*t)*lt(mod(t\,0.48)\,0.15)+0.4*sin(2*PI*660*t)|0.4*sin(2*PI*1970*t)*lt(mod(t\,0.96)\,0.3):s=44100:d=6" \
  -c:a libmp3lame -b:a 160k "$WEB_TMP/beat-and-bell.mp3" || web_fail "cannot make the test track"
head -c 5000 /dev/urandom > "$WEB_TMP/not-music.ogg"
web_serve
web_drive page "$WEB_URL" "$WEB_ARTEFACTS" "$WEB_TMP/beat-and-bell.mp3" "$WEB_TMP/not-music.ogg"
status=$?
[ $status -eq 0 ] || web_fail "$status checks failed; screenshots in $WEB_ARTEFACTS"
