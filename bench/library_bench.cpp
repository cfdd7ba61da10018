// libziv's draw, as a host sees it: into the show's own surface and copied out
// (ZIV_SURFACE_OWN), or straight into three buffers taking turns
// (ZIV_SURFACE_CALLER, as ziv-render's writer slots). The difference is the
// per-frame copy a host that hands frames on no longer pays.
//
//   ziv_bench --benchmark_filter=Library_Draw
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "ziv/ziv.h"

namespace {

void BM_Library_DrawSpectrum(benchmark::State& state) {
    const bool caller = state.range(0) == ZIV_SURFACE_CALLER;
    ziv_show* show = nullptr;
    if (ziv_create(nullptr, &show) != ZIV_OK || ziv_set_surface(show, caller ? ZIV_SURFACE_CALLER : ZIV_SURFACE_OWN) != ZIV_OK) {
        state.SkipWithError(ziv_last_error());
        ziv_destroy(show);
        return;
    }
    std::vector<std::vector<uint32_t>> buffers(3, std::vector<uint32_t>(static_cast<size_t>(ZIV_WIDTH) * ZIV_HEIGHT, 0u));
    std::vector<float> spectrum(ZIV_SPECTRUM_BANDS);
    int n = 0;
    for (auto _ : state) {
        for (int k = 0; k < ZIV_SPECTRUM_BANDS; ++k) spectrum[static_cast<size_t>(k)] = static_cast<float>((n * 31 + k * 17) % 100) / 110.0f;
        uint32_t* pixels = buffers[static_cast<size_t>(n % 3)].data();
        benchmark::DoNotOptimize(ziv_draw_spectrum(show, spectrum.data(), spectrum.size(), n * 16, pixels));
        benchmark::ClobberMemory();
        ++n;
    }
    ziv_destroy(show);
}
BENCHMARK(BM_Library_DrawSpectrum)->ArgName("caller")->Arg(ZIV_SURFACE_OWN)->Arg(ZIV_SURFACE_CALLER)->Unit(benchmark::kMicrosecond);

}  // namespace
