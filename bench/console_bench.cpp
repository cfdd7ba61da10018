// The real console on a real display (run under xvfb-run, see
// bench/console_bench.sh): how long the show takes from entering its run
// sequence to its first presented frame, and how fast the empty frame loop
// (key test, lock, unlock, copy, update, drain) turns.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>

#include "app/run_options.h"
#include "app/run_sequence.h"
#include "platform/dialog_services.h"
#include "platform/pixel_console.h"
#include "platform/console_backend.h"

namespace {

using Clock = std::chrono::steady_clock;

// The dialog waits for a person: here it accepts the options as they stand.
intptr_t acceptDialog(ModuleInstance*, int, DialogWindow*, DialogProcedure procedure, intptr_t init) {
    procedure(nullptr, WM_INITDIALOG, 0, init);
    return 1;
}
int checkButton(DialogWindow*, int, unsigned) { return 1; }
unsigned isChecked(DialogWindow*, int) { return kButtonUnchecked; }
int endDialog(DialogWindow*, intptr_t) { return 1; }
const DialogServices accepting_dialog = {acceptDialog, checkButton, isChecked, endDialog};

// The SDL device, timing the first present and then asking the show to end.
struct {
    Clock::time_point firstPresent;
    bool presented = false;
} timing;

bool timedPresent(std::string* error) {
    const bool ok = sdlConsoleBackend()->present(error);
    if (!timing.presented) timing.firstPresent = Clock::now();
    timing.presented = true;
    return ok;
}

void pollThenClose(ConsoleKeySink sink) {
    sdlConsoleBackend()->pollEvents(sink);
    if (timing.presented) sink(kConsoleEscapeCode, false, false, false);
}

ConsoleBackend timedBackend() {
    ConsoleBackend b = *sdlConsoleBackend();
    b.name = "sdl-timed";
    b.present = timedPresent;
    b.pollEvents = pollThenClose;
    return b;
}

bool haveDisplay(benchmark::State& state) {
    const char* display = std::getenv("DISPLAY");
    if (display && *display) return true;
    state.SkipWithError("no DISPLAY: run under xvfb-run (bench/console_bench.sh)");
    return false;
}

void BM_ShowEntryToFirstFrame(benchmark::State& state) {
    if (!haveDisplay(state)) return;
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    static const ConsoleBackend backend = timedBackend();
    useDialogServices(&accepting_dialog);
    RunOptions.fullscreen = state.range(0) != 0;
    for (auto _ : state) {
        timing.presented = false;
        useConsoleBackend(&backend);
        const auto start = Clock::now();
        const int status = runShow(nullptr);
        useConsoleBackend(nullptr);
        if (status != 0 || !timing.presented) {
            state.SkipWithError("the show did not present a frame");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(timing.firstPresent - start).count());
    }
    useDialogServices(nullptr);
    RunOptions = RunOptionsState{};
}
BENCHMARK(BM_ShowEntryToFirstFrame)->Arg(0)->Arg(1)->ArgName("fullscreen")->UseManualTime()->Iterations(10)
    ->Unit(benchmark::kMillisecond);

void BM_EmptyFrameLoop(benchmark::State& state) {
    if (!haveDisplay(state)) return;
    try {
        PixelConsole console;
        ConsoleFormat format(32, 0xFF0000, 0xFF00, 0xFF, 0);
        console.option(state.range(0) ? "fullscreen output" : "windowed output");
        console.option("hide cursor");
        console.open("ziv", 640, 480, format, 0);
        ConsoleSurface surface(console.width(), console.height(), format);
        for (auto _ : state) {
            if (console.key()) break;
            auto* pixels = static_cast<uint32_t*>(surface.lock());
            benchmark::DoNotOptimize(pixels);
            surface.unlock();
            surface.copy(console);
            console.update();
            while (console.key()) console.read();
        }
        state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                            benchmark::Counter::kIsRate);
        console.close();
    } catch (const ptc::DynamicError& error) {
        state.SkipWithError(error.message());
    }
}
BENCHMARK(BM_EmptyFrameLoop)->Arg(0)->Arg(1)->ArgName("fullscreen")->MinTime(3.0)->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
