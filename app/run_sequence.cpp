#include "app/run_sequence.h"

#include <cstdint>

#include "app/options_dialog.h"
#include "app/run_constants.h"
#include "app/run_options.h"
#include "output/output_constants.h"
#include "output/show_frame.h"
#include "audio/music.h"
#include "pictures/picture_bank.h"
#include "platform/clock.h"
#include "platform/sound_devices.h"

// Static storage: created before main() runs, released by the exit handlers.
ConsoleKey LastKey;

namespace {

enum class LoopExit { Escape, TimeLimit, KeyAtHead };

LoopExit runFrames(PixelConsole& console, ConsoleSurface& surface, uint32_t startTime) {
    for (;;) {
        if (console.key()) return LoopExit::KeyAtHead;
        const float* spectrum = fetchSpectrum();
        const int32_t elapsedMs = static_cast<int32_t>(timeGetTime() - startTime);
        auto* pixels = static_cast<uint32_t*>(surface.lock());
        runFrame(spectrum, elapsedMs, pixels);
        surface.unlock();
        surface.copy(console);
        console.update();
        while (console.key()) {
            LastKey = console.read();
            if (LastKey.code() == kConsoleEscapeCode) return LoopExit::Escape;
        }
        if (!RunOptions.loop && elapsedMs > kShowLengthMs) return LoopExit::TimeLimit;
    }
}

}  // namespace

int runShow(ModuleInstance* instance) {
    resetShowState();
    if (runOptionsDialog(instance) == 0) return kStatusNotStarted;
    usePlatformSoundOutputs();
    if (!startAudio(RunOptions.sound)) return kStatusNotStarted;
    loadPictureBank();
    startMusic();
    try {
        PixelConsole console;
        ConsoleFormat format(kConsoleBits, kRedMask, kGreenMask, kBlueMask, kAlphaMask);
        console.option(RunOptions.fullscreen ? kFullscreenOption : kWindowedOption);
        console.option(kHideCursorOption);
        console.open(kConsoleTitle, kSurfaceWidth, kSurfaceHeight, format, kConsolePages);
        ConsoleSurface surface(console.width(), console.height(), format);
        const uint32_t startTime = timeGetTime();
        // A key waiting at the head of a frame is the quick way out: releasing the console
        // below closes it anyway, and the sound library stops at process exit (closeAtExit).
        if (runFrames(console, surface, startTime) != LoopExit::KeyAtHead) {
            console.close();
            stopMusic();
        }
        return kStatusShowEnded;  // surface, format, console released here, in that order
    } catch (const ptc::DynamicError& error) {
        error.report();
        return kStatusConsoleFailed;
    }
}
