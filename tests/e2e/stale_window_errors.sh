#!/usr/bin/env bash
# An X error about a window the show has already destroyed (a message still
# on its way when the window went) must not end it; any other X error still
# ends the process, as Xlib's default handler does.
source "$(dirname "$0")/lib.sh"
e2e_under_xvfb 320x240 "$@"

check="$ZIV_BUILD_DIR/stale_window_errors"
[ -x "$check" ] || e2e_fail "no stale_window_errors in $ZIV_BUILD_DIR (build it first)"

timeout 60 "$check" guarded >"$E2E_TMP/guarded.out" 2>"$E2E_TMP/guarded.err"; status=$?
[ "$status" = 0 ] || e2e_fail "an error about a destroyed window ended the process (status $status): $(cat "$E2E_TMP/guarded.err")"
[ "$(cat "$E2E_TMP/guarded.out")" = $'running: survived\nstopped: survived' ] ||
  e2e_fail "unexpected output: $(cat "$E2E_TMP/guarded.out")"

timeout 60 "$check" unguarded >"$E2E_TMP/unguarded.out" 2>"$E2E_TMP/unguarded.err"; status=$?
[ "$status" = 1 ] || e2e_fail "an error about a window the guard never heard of gave status $status, not 1"
grep -q BadWindow "$E2E_TMP/unguarded.err" || e2e_fail "Xlib's report is missing: $(cat "$E2E_TMP/unguarded.err")"
[ -s "$E2E_TMP/unguarded.out" ] && e2e_fail "the process went on after an error the guard must not hide"
echo "$E2E_NAME: ok"
