#!/usr/bin/env bash
# The unit tests under AddressSanitizer and UBSan (any undefined behaviour
# fails), and the sound library's threaded tests, the timeline ring and
# ziv-render's frame writer under ThreadSanitizer. End-to-end scripts are not
# run here: scripts/test.sh does.
#
#   scripts/sanitize.sh            # both
#   scripts/sanitize.sh asan       # one of them
set -euo pipefail
cd "$(dirname "$0")/.."
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
which="${1:-all}"

if [ "$which" = all ] || [ "$which" = asan ]; then
  cmake --preset asan >/dev/null
  cmake --build --preset asan -j2
  ctest --preset asan -LE 'e2e|standalone'   # the standalone build check is not about memory
fi

if [ "$which" = all ] || [ "$which" = tsan ]; then
  # Only the programs whose tests run threads; the rest of the tree is not built.
  threaded=(sound_library_test track_reader_test music_test heard_position_test render_writer_test)
  cmake --preset tsan >/dev/null
  cmake --build --preset tsan -j2 --target "${threaded[@]}"
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --preset tsan -R '^(SoundLibraryTest|TrackReader|MonoTimeline|Music|HeardPosition|FrameWriterThread)\.'
fi
