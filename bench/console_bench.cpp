// The real console on a real display (run under xvfb-run, see
// bench/console_bench.sh): how long the show takes from entering its run
// sequence to its first presented frame, how fast the empty frame loop
// (key test, lock, unlock, copy, update, drain) turns, and the processor time
// a full-screen frame costs on the screen it runs on, presented through the
// window's pixels and through OpenGL. Without a display: the sharp fill's and
// nearest sampling's cost alone, at 1920x1080 and 3840x2160.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/run_options.h"
#include "app/run_sequence.h"
#include "platform/dialog_services.h"
#include "platform/pixel_console.h"
#include "platform/console_backend.h"
#include "platform/console_blit.h"
#include "platform/console_fit.h"

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

// A frame of the show's kind: one-pixel stripes and colour everywhere, new every frame.
void drawFrame(uint32_t* pixels, int frame) {
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            pixels[y * 640 + x] = static_cast<uint32_t>((x * 3 + frame) & 0xFF) << 16 |
                                  static_cast<uint32_t>((y + frame) & 0xFF) << 8 | ((y & 1) ? 0xF0u : 0x10u);
}

// Processor time of the whole process per full-screen frame (its threads, not the X
// server's). Arg: 0 presents through the window's pixels, 1 through OpenGL.
void BM_FullScreenFrame(benchmark::State& state) {
    if (!haveDisplay(state)) return;
    if (state.range(0)) setenv("SDL_RENDER_DRIVER", "opengl", 1);
    else unsetenv("SDL_RENDER_DRIVER");
    try {
        PixelConsole console;
        ConsoleFormat format(32, 0xFF0000, 0xFF00, 0xFF, 0);
        console.option("fullscreen output");
        console.option("hide cursor");
        console.open("ziv", 640, 480, format, 0);
        ConsoleSurface surface(console.width(), console.height(), format);
        int frame = 0;
        for (int settle = 0; settle < 30; ++settle) {  // the window manager's resize, the first uploads
            drawFrame(static_cast<uint32_t*>(surface.lock()), frame++);
            surface.unlock();
            surface.copy(console);
            console.update();
        }
        for (auto _ : state) {
            drawFrame(static_cast<uint32_t*>(surface.lock()), frame++);
            surface.unlock();
            surface.copy(console);
            console.update();
            while (console.key()) console.read();
        }
        state.SetLabel(state.range(0) ? "opengl" : "window pixels");
        console.close();
    } catch (const ptc::DynamicError& error) {
        state.SkipWithError(error.message());
    }
    unsetenv("SDL_RENDER_DRIVER");
}
BENCHMARK(BM_FullScreenFrame)->Arg(0)->Arg(1)->ArgName("opengl")->MinTime(3.0)->MeasureProcessCPUTime()
    ->UseRealTime()->Unit(benchmark::kMillisecond);

// The scaling alone, into the 4:3 area of a screen: args are the screen's size.
template <bool Sharp>
void BM_ScaleToScreen(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    std::vector<uint32_t> picture(640 * 480);
    drawFrame(picture.data(), 0);
    std::vector<uint32_t> screen(static_cast<size_t>(width) * height);
    const PictureRect r = fitPicture(width, height, 640, 480, !Sharp);
    for (auto _ : state) {
        if (Sharp) blitSharp(picture.data(), 640, 480, screen.data(), width, r);
        else blitFitted(picture.data(), 640, 480, screen.data(), width, r);
        benchmark::DoNotOptimize(screen.data());
    }
    state.SetLabel(std::to_string(r.width) + "x" + std::to_string(r.height));
}
BENCHMARK_TEMPLATE(BM_ScaleToScreen, true)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_ScaleToScreen, false)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

}  // namespace
