#!/usr/bin/env bash
# With no display at all the show says so in one line and ends with 1,
# quickly, whether or not a Wayland runtime folder exists.
source "$(dirname "$0")/lib.sh"
[ -x "$ZIV_BUILD_DIR/ziv" ] || e2e_fail "no ziv in $ZIV_BUILD_DIR (build it first)"

check() {
  local label="$1"; shift
  (cd "$ZIV_BUILD_DIR" && exec env -u DISPLAY -u WAYLAND_DISPLAY "$@" timeout 20 ./ziv) \
    >"$E2E_TMP/out" 2>"$E2E_TMP/err" </dev/null
  local status=$?
  [ "$status" = 124 ] && e2e_fail "$label: the show hung without a display"
  [ "$status" = 1 ] || e2e_fail "$label: status $status, not 1 (stderr: $(cat "$E2E_TMP/err"))"
  [ "$(wc -l <"$E2E_TMP/err")" = 1 ] || e2e_fail "$label: stderr is not one line: $(cat "$E2E_TMP/err")"
  grep -q '^ziv: .*display' "$E2E_TMP/err" || e2e_fail "$label: unclear message: $(cat "$E2E_TMP/err")"
  [ ! -s "$E2E_TMP/out" ] || e2e_fail "$label: wrote to stdout: $(cat "$E2E_TMP/out")"
}

check "no runtime folder" -u XDG_RUNTIME_DIR
mkdir -p "$E2E_TMP/runtime" && chmod 700 "$E2E_TMP/runtime"
check "empty runtime folder" XDG_RUNTIME_DIR="$E2E_TMP/runtime"
echo "$E2E_NAME: ok"
