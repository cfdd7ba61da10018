# Shared by the end-to-end scripts: a private X server, a window manager,
# starting the show, waiting with timeouts, looking at the screen.
#
#   source "$(dirname "$0")/lib.sh"
#   e2e_require xdotool import            # exit 77 (skipped) if a tool is missing
#   e2e_under_xvfb 1600x1000 "$@"         # re-runs this script inside xvfb-run
#   e2e_start_window_manager
#   e2e_start_show                        # starts ziv, answers its dialog with OK; pid in SHOW_PID
#   e2e_start_show Tab Tab space          # the same with full screen turned off first
#   win=$(e2e_wait_for_window '^ziv$' 60)
#   e2e_wait_for_exit "$SHOW_PID" 30; status=$?
#
# Every wait has a timeout; a script never hangs on a show that does not end.
# Timeouts are seconds on the clock, not counts of polls (on a loaded machine
# one poll can take a second), and generous: they only bound how long a
# failure takes to show, a passing run never waits them out.

set -uo pipefail

: "${ZIV_BUILD_DIR:?ZIV_BUILD_DIR must name the build folder}"
: "${ZIV_SOURCE_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"  # no sound card on test machines
unset SDL_VIDEODRIVER                               # the real X11 path is what is tested

E2E_NAME="$(basename "$0" .sh)"
E2E_TMP="$(mktemp -d "${TMPDIR:-/tmp}/ziv-e2e-$E2E_NAME.XXXXXX")"
E2E_PIDS=()

e2e_cleanup() {
  local pid
  for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
  if [ -z "${E2E_KEEP:-}" ]; then rm -rf "$E2E_TMP"; else echo "$E2E_NAME: files kept in $E2E_TMP" >&2; fi
}
trap e2e_cleanup EXIT

e2e_fail() {
  echo "$E2E_NAME: FAIL: $*" >&2
  E2E_KEEP=1
  exit 1
}

# Runs a command until it succeeds (0) or the seconds run out (1).
e2e_poll() {
  local seconds="$1"; shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.1
  done
}

e2e_skip() {
  echo "$E2E_NAME: SKIPPED: $*" >&2
  exit 77
}

e2e_require() {
  local tool
  for tool in "$@"; do command -v "$tool" >/dev/null || e2e_skip "$tool is not installed (scripts/install-deps.sh)"; done
}

# Runs the calling script again inside a fresh X server of the given size
# (unless it already runs in one). The root is white, so anything the show
# fails to paint stands out against its black.
e2e_under_xvfb() {
  local size="$1"; shift
  if [ -z "${ZIV_E2E_IN_XVFB:-}" ]; then
    e2e_require xvfb-run
    rm -rf "$E2E_TMP"  # the run inside makes its own
    # -noreset: an X server left without a client resets and refuses connections meanwhile,
    # so a program started just after another ended could find no display. A desktop always
    # has other clients; a script that wants the bare case sets E2E_XVFB_RESETS.
    local reset="-noreset"
    [ -z "${E2E_XVFB_RESETS:-}" ] || reset=""
    ZIV_E2E_IN_XVFB=1 exec timeout 600 xvfb-run -a -s "-screen 0 ${size}x24 -wr $reset" bash "$0" "$@"
  fi
  E2E_SCREEN_WIDTH="${size%x*}"
  E2E_SCREEN_HEIGHT="${size#*x}"
}

# openbox: without a window manager a full-screen request on a screen larger
# than the window is not honoured, and the close button's request
# (WM_DELETE_WINDOW, sent by wmctrl -c) needs one too.
e2e_start_window_manager() {
  e2e_require openbox wmctrl
  openbox --sm-disable >/dev/null 2>"$E2E_TMP/openbox.err" &
  E2E_WM_PID=$!
  E2E_PIDS+=("$E2E_WM_PID")
  e2e_poll 90 e2e_window_manager_up
  wmctrl -m >/dev/null 2>&1 && return 0
  kill -0 "$E2E_WM_PID" 2>/dev/null || e2e_fail "the window manager ended at its start: $(cat "$E2E_TMP/openbox.err")"
  e2e_fail "the window manager did not start within 90 s: $(cat "$E2E_TMP/openbox.err")"
}

e2e_window_manager_up() {
  wmctrl -m >/dev/null 2>&1 && return 0
  ! kill -0 "$E2E_WM_PID" 2>/dev/null  # ended: no use waiting (told apart above)
}

# Answers the start-up dialog: waits for the show's first window, which must
# be the dialog (its caption is empty), types the given keys (xdotool key
# names, for example "Tab Tab space" to turn full screen off), then presses
# Return on "OK". Without keys the defaults stand: sound, full screen, no loop.
e2e_pass_dialog() {
  local id=""
  e2e_poll 90 e2e_find_dialog
  id="$E2E_DIALOG"
  if [ -z "$id" ]; then
    kill -0 "$SHOW_PID" 2>/dev/null || e2e_fail "the show ended before its dialog appeared: $(cat "$E2E_TMP/show.err")"
    e2e_fail "no dialog within 90 s"
  fi
  [ -z "$(xdotool getwindowname "$id" 2>/dev/null)" ] || e2e_fail "the show's first window is not its dialog"
  e2e_poll 30 e2e_is_active "$id" || e2e_fail "the dialog did not get the keyboard focus within 30 s"
  [ -z "${E2E_ON_DIALOG:-}" ] || eval "$E2E_ON_DIALOG"  # a script's own step while the dialog is up
  [ $# -eq 0 ] || xdotool key --delay 50 "$@"
  xdotool key Return
}

# Sets E2E_DIALOG to the show's first visible window; also done when the
# show has ended (the caller tells the two apart).
e2e_find_dialog() {
  E2E_DIALOG="$(xdotool search --onlyvisible --pid "$SHOW_PID" 2>/dev/null | head -1)"
  [ -n "$E2E_DIALOG" ] || ! kill -0 "$SHOW_PID" 2>/dev/null
}

# The window manager's active window; on a bare X server (no manager to name
# one), the window holding the keyboard focus.
e2e_is_active() {
  if wmctrl -m >/dev/null 2>&1; then
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]
  else
    [ "$(xdotool getwindowfocus -f 2>/dev/null)" = "$1" ]
  fi
}

# Starts the show from the build folder, as scripts/show.sh does, and answers
# its dialog (arguments: keys for the dialog, see e2e_pass_dialog).
e2e_start_show() {
  [ -x "$ZIV_BUILD_DIR/ziv" ] || e2e_fail "no ziv in $ZIV_BUILD_DIR (build it first)"
  (cd "$ZIV_BUILD_DIR" && exec ./ziv) >"$E2E_TMP/show.out" 2>"$E2E_TMP/show.err" &
  SHOW_PID=$!
  E2E_PIDS+=("$SHOW_PID")
  e2e_pass_dialog "$@"
}

# One line on where the show stands, for a failure message: running or
# ended (with its status), what it wrote to stderr, and every visible window
# of the display with its name and geometry.
e2e_show_state() {
  local state windows="" id
  if kill -0 "$SHOW_PID" 2>/dev/null; then state="the show runs"
  else wait "$SHOW_PID" 2>/dev/null; state="the show ended with status $?"; fi
  for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
    windows+=" [$id '$(xdotool getwindowname "$id" 2>/dev/null)' $(xdotool getwindowgeometry "$id" 2>/dev/null |
      tr -s ' \n' ' ' | sed 's/^Window [0-9]* //')]"
  done
  echo "$state; stderr: '$(tr '\n' ' ' <"$E2E_TMP/show.err")'; focus: $(xdotool getwindowfocus -f 2>/dev/null); visible windows:${windows:- none}"
}

# Prints the id of the first window whose name matches the pattern.
e2e_wait_for_window() {
  local pattern="$1" seconds="$2"
  E2E_FOUND=""
  e2e_poll "$seconds" e2e_find_window "$pattern" || return 1
  echo "$E2E_FOUND"
}

e2e_find_window() {
  E2E_FOUND="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)"
  [ -n "$E2E_FOUND" ]
}

# Waits for a child to end; its status, or 124 after killing it on timeout.
e2e_wait_for_exit() {
  local pid="$1" seconds="$2"
  if e2e_poll "$seconds" e2e_has_ended "$pid"; then wait "$pid"; return $?; fi
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return 124
}

e2e_has_ended() {
  ! kill -0 "$1" 2>/dev/null
}

# Waits for a line in a file (a program announcing it is ready).
e2e_wait_for_line() {
  local file="$1" line="$2" seconds="$3"
  e2e_poll "$seconds" grep -sqx "$line" "$file"
}

e2e_screenshot() {
  import -window root "$1" 2>/dev/null || e2e_fail "no screenshot could be taken"
}

# The brightest channel value in a region WxH+X+Y of an image (0: all black).
e2e_region_max() {
  convert "$1" -crop "$2" +repage -format '%[fx:int(maxima*255+0.5)]' info:
}

# The four bars (or fewer) around a picture rectangle WxH+X+Y must be black.
e2e_expect_black_around() {
  local shot="$1" w="$2" h="$3" x="$4" y="$5" W="$E2E_SCREEN_WIDTH" H="$E2E_SCREEN_HEIGHT" region
  for region in "${W}x${y}+0+0" "${W}x$((H - y - h))+0+$((y + h))" "${x}x${H}+0+0" "$((W - x - w))x${H}+$((x + w))+0"; do
    case "$region" in 0x*|*x0+*) continue ;; esac
    [ "$(e2e_region_max "$shot" "$region")" = 0 ] || e2e_fail "the bar $region around the picture is not black"
  done
}
