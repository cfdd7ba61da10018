// What measuring the look costs per frame, beside the frame itself: the look
// meter (the picture band, every frame) and the flash test (the whole surface
// and its nine tiles, every frame). ziv-track-stats runs both on all 23,640
// frames of a course.
//
//   ziv_bench --benchmark_filter='Look'
#include <benchmark/benchmark.h>

#include <vector>

#include "output/output_constants.h"
#include "output/show_frame.h"
#include "pictures/picture_bank.h"
#include "scenes/spectrum.h"
#include "tools/look/flash_meter.h"
#include "tools/look/look_meter.h"

namespace {

// Each iteration draws a frame of the show on music-like levels (rotating,
// pattern and peak frames mixed), then measures it, as ziv-track-stats does:
// the surface is measured while it is still in the cache. The frame alone is
// the baseline.
enum class Meter { None, Look, Flash };

void measureFrames(benchmark::State& state, Meter meter) {
    loadPictureBank();
    resetShowState();
    std::vector<float> s(kSpectrumBands);
    std::vector<uint32_t> surface(kSurfacePixels);
    LookMeter look(60);
    FlashMeter flash(60);
    int f = 0;
    for (auto _ : state) {
        for (int k = 0; k < kSpectrumBands; ++k)
            s[static_cast<size_t>(k)] = static_cast<float>((f * 31 + k * 17) % 97) / 96.0f * (k < 24 ? 0.7f : 0.45f);
        s[64] = f % 11 == 0 ? 0.85f : 0.3f;
        const FrameRecord r = runFrame(s.data(), f * 16, surface.data());
        ++f;
        if (meter == Meter::Look) look.addFrame(surface.data(), r.peak);
        if (meter == Meter::Flash) flash.addFrame(surface.data());
    }
    benchmark::DoNotOptimize(look.figures().meanLuminance);
    benchmark::DoNotOptimize(flash.figures().red.transitions);
}

void Look_FrameAlone(benchmark::State& state) { measureFrames(state, Meter::None); }
void Look_FrameAndLookMeter(benchmark::State& state) { measureFrames(state, Meter::Look); }
void Look_FrameAndFlashMeter(benchmark::State& state) { measureFrames(state, Meter::Flash); }
BENCHMARK(Look_FrameAlone)->Unit(benchmark::kMicrosecond);
BENCHMARK(Look_FrameAndLookMeter)->Unit(benchmark::kMicrosecond);
BENCHMARK(Look_FrameAndFlashMeter)->Unit(benchmark::kMicrosecond);

}  // namespace
