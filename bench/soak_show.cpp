// ziv_soak: the live show itself (dialog, sound, console, frame loop), which
// after it ends prints its own counts for bench/soak.sh: frames presented
// and the sound library's mixes and underruns.
#include <cinttypes>
#include <cstdio>

#include "app/run_sequence.h"
#include "audio/sound_library.h"

int main() {
    const int status = runShow(nullptr);
    const SoundLibraryStats s = soundLibraryStats();
    std::printf("status %d\nframes %" PRId64 "\nmixes %" PRId64 "\nunderruns %" PRId64 "\n", status, FramesShown,
                s.mixes, s.underruns);
    return status;
}
