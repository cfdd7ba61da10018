#!/usr/bin/env bash
# zivvis in playbin and in pipelines that seek, change format and misbehave
# (tests/gst/pipelines.py, through Debian's python3-gst-1.0).
source "$(dirname "$0")/lib.sh"
gst_require /usr/bin/python3
/usr/bin/python3 -c 'import gi; gi.require_version("Gst", "1.0"); gi.require_version("GstApp", "1.0")' 2>/dev/null || {
  echo "$GST_NAME: SKIPPED: python3-gst-1.0 is not installed (scripts/install-deps.sh)" >&2
  exit 77
}
timeout 600 /usr/bin/python3 "$(dirname "$0")/pipelines.py" "$GST_TMP" "$@" || gst_fail "see above"
