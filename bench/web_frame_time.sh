#!/usr/bin/env bash
# The show's frame time in the page (WebAssembly, headless chromium, the
# default track, 600 frames), beside the same work natively (ziv_bench).
#
#   bench/web_frame_time.sh [build-dir]      after scripts/web.sh --build-only --test
set -uo pipefail
export ZIV_BUILD_DIR="$(cd "${1:-$(dirname "$0")/../build}" && pwd)"
source "$(dirname "$0")/../tests/web/lib.sh"
web_require
web_site
web_serve
echo "== in the page (build-web/test-site)"
web_drive timing "$WEB_URL"
status=$?
echo "== natively ($ZIV_BUILD_DIR/ziv_bench)"
if [ -x "$ZIV_BUILD_DIR/ziv_bench" ]; then
  "$ZIV_BUILD_DIR/ziv_bench" --benchmark_filter='^(Pipeline_WholeFrame|BM_AnalyseSpectrum)$' 2>/dev/null
else
  echo "no ziv_bench in $ZIV_BUILD_DIR"
fi
exit $status
