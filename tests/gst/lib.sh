# Shared by the plugin's test scripts (not a test): a scratch folder, a
# registry of its own, failing and skipping as the end-to-end scripts do, and
# test WAVs of music-like sound.
#
#   source "$(dirname "$0")/lib.sh"
#   gst_require gst-launch-1.0            # exit 77 (skipped) if a tool is missing
#   gst_write_wav T.wav 44100 2 30        # file rate channels seconds
set -uo pipefail
: "${ZIV_BUILD_DIR:?ZIV_BUILD_DIR must name the build folder}"
: "${GST_PLUGIN_PATH:?GST_PLUGIN_PATH must name the folder of libgstziv.so}"
GST_NAME="$(basename "$0" .sh)"
GST_TMP="$(mktemp -d "${TMPDIR:-/tmp}/ziv-gst-$GST_NAME.XXXXXX")"
export GST_REGISTRY="$GST_TMP/registry.bin"
trap '[ -z "${GST_KEEP:-}" ] && rm -rf "$GST_TMP"' EXIT

gst_fail() {
  echo "$GST_NAME: FAIL: $*" >&2
  echo "$GST_NAME: files kept in $GST_TMP" >&2
  GST_KEEP=1
  exit 1
}

gst_require() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "$GST_NAME: SKIPPED: $tool is not installed (scripts/install-deps.sh)" >&2; exit 77; }
  done
}

gst_write_wav() {  # file rate channels seconds
  /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/../e2e/music_wav.py" "$@"
}
