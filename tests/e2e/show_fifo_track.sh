#!/usr/bin/env bash
# A DuskPulse.ogg that is a FIFO (or a folder, or a playlist naming a FIFO or a
# server that accepts and never answers) is not a track: the show opens its
# window at once, without waiting for a writer or the server, runs silent, and
# Escape ends it, as with no track.
source "$(dirname "$0")/lib.sh"
e2e_require xdotool
e2e_under_xvfb 1024x768 "$@"
e2e_start_window_manager
[ -x "$ZIV_BUILD_DIR/ziv" ] || e2e_fail "no ziv in $ZIV_BUILD_DIR"

# The server: accepts, never answers, and notes every connection.
cat > "$E2E_TMP/server.py" <<'PY'
import socket, sys
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", 0)); s.listen(16)
open(sys.argv[1] + "/port", "w").write(str(s.getsockname()[1]))
held = []
while True:
    c, _ = s.accept(); held.append(c)
    open(sys.argv[1] + "/connections", "a").write("1\n")
PY
/usr/bin/python3 "$E2E_TMP/server.py" "$E2E_TMP" &
E2E_PIDS+=("$!")
e2e_poll 10 test -s "$E2E_TMP/port" || e2e_fail "the local server did not start"
playlist() { printf '#EXTM3U\n#EXT-X-TARGETDURATION:4\n#EXTINF:4.0,\n%s\n#EXT-X-ENDLIST\n' "$1"; }

for kind in fifo folder fifo-playlist server-playlist; do
  here="$E2E_TMP/$kind"
  mkdir -p "$here"
  case "$kind" in
    fifo) mkfifo "$here/DuskPulse.ogg" ;;
    folder) mkdir "$here/DuskPulse.ogg" ;;
    fifo-playlist) mkfifo "$here/pipe.ts" && playlist "$here/pipe.ts" > "$here/DuskPulse.ogg" ;;
    server-playlist) playlist "http://127.0.0.1:$(cat "$E2E_TMP/port")/seg.ts" > "$here/DuskPulse.ogg" ;;
  esac || e2e_fail "cannot make DuskPulse.ogg as a $kind"
  (cd "$here" && exec "$ZIV_BUILD_DIR/ziv") >"$E2E_TMP/show.out" 2>"$E2E_TMP/show.err" &
  SHOW_PID=$!
  E2E_PIDS+=("$SHOW_PID")
  e2e_pass_dialog Tab Tab space   # windowed
  win="$(e2e_wait_for_window '^ziv$' 60)" || e2e_fail "DuskPulse.ogg as a $kind: no show window within 60 s"
  xdotool windowactivate --sync "$win" 2>/dev/null
  sleep 0.5
  xdotool key Escape
  e2e_wait_for_exit "$SHOW_PID" 30; status=$?
  [ "$status" = 124 ] && e2e_fail "DuskPulse.ogg as a $kind: Escape did not end the show within 30 s"
  [ "$status" = 0 ] || e2e_fail "DuskPulse.ogg as a $kind: the show ended with status $status: $(cat "$E2E_TMP/show.err")"
done
[ ! -s "$E2E_TMP/connections" ] || e2e_fail "the show connected to the server named in a playlist"
echo "$E2E_NAME: ok"
