// ziv_soak: the live show itself (dialog, sound, console, frame loop), which
// after it ends prints its own counts for bench/soak.sh: frames presented
// and the sound library's mixes and underruns. The frames are counted here,
// on the console's way to the screen, so the show itself keeps no count.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/run_sequence.h"
#include "audio/sound_library.h"
#include "platform/console_backend.h"

namespace {

struct {
    const ConsoleBackend* screen = nullptr;
    ConsoleBackend counting{};
    int64_t presented = 0;
} soak_state;

bool presentCounted(std::string* error) {
    if (!soak_state.screen->present(error)) return false;
    ++soak_state.presented;
    return true;
}

}  // namespace

int main() {
    soak_state.screen = sdlConsoleBackend();
    soak_state.counting = *soak_state.screen;
    soak_state.counting.present = presentCounted;
    useConsoleBackend(&soak_state.counting);
    const int status = runShow(nullptr);
    const SoundLibraryStats s = soundLibraryStats();
    std::printf("status %d\nframes %" PRId64 "\nmixes %" PRId64 "\nunderruns %" PRId64 "\n", status,
                soak_state.presented, s.mixes, s.underruns);
    return status;
}
