// The frame pipeline stage by stage, and whole frames over a mix of scenes, on each
// instruction-set path (path:0 scalar, path:1 SSE2, path:2 AVX2; all give the same bits).
//
//   ./build/ziv_bench --benchmark_filter=Pipeline --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//   ./build/ziv_bench --benchmark_filter='Pipeline_WholeFrame/path:2'   # the show's own path on this machine
#include <benchmark/benchmark.h>

#include <vector>

#include "output/show_frame.h"
#include "scenes/spectrum_features.h"
#include "output/colour_mapping.h"
#include "output/frame_output.h"
#include "pictures/picture_bank.h"
#include "scenes/pattern_scenes.h"
#include "scenes/peak_cuts.h"
#include "scenes/random.h"
#include "scenes/rotating_scene.h"
#include "scenes/scene_buffer.h"
#include "scenes/vector_path.h"

namespace {

// Sets the path argument `arg` names, for the benchmark's lifetime.
class PathScope {
public:
    PathScope(benchmark::State& state, int arg) {
        const auto wanted = static_cast<VectorPath>(state.range(arg));
        if (setVectorPath(wanted) != wanted) state.SkipWithError("this processor lacks the path");
    }
    ~PathScope() { setVectorPath(bestVectorPath()); }
};

void everyPath(benchmark::internal::Benchmark* b) { b->ArgName("path")->DenseRange(0, 2); }

void fillPictures() {
    Picture* numbered[] = {&Picture1, &Picture2, &Picture3, &Picture4, &Picture5, &Picture6, &Picture7, &Picture8};
    int id = 0;
    auto fill = [&id](Picture& p) {
        ++id;
        for (int i = 0; i < kPicturePixels; ++i) p[i] = (id * 7 + i * 13 + (i / kPictureWidth) * 5) & 0xFF;
    };
    for (Picture* p : numbered) fill(*p);
    for (Picture& p : PictureSetA) fill(p);
    for (Picture& p : PictureSetB) fill(p);
}

// A spectrum of music-like levels: loud low bands, quieter highs, peaks now and then.
void musicLikeSpectrum(int frame, std::vector<float>& s) {
    for (int k = 0; k < kSpectrumBands; ++k) {
        const int wobble = (frame * 31 + k * 17) % 97;
        s[k] = static_cast<float>(wobble) / 96.0f * (k < 24 ? 0.7f : 0.45f);
    }
    s[64] = frame % 11 == 0 ? 0.85f : 0.3f;  // about one peak frame in eleven
}

void typicalFeatures() {
    std::vector<float> s(kSpectrumBands);
    musicLikeSpectrum(3, s);
    computeSpectrumFeatures(s.data());
}

void Pipeline_SpectrumFeatures(benchmark::State& state) {
    std::vector<float> s(kSpectrumBands);
    musicLikeSpectrum(5, s);
    for (auto _ : state) {
        computeSpectrumFeatures(s.data());
        updateSelectors();
        benchmark::DoNotOptimize(isPeakFrame());
    }
    resetSelectors();
}
BENCHMARK(Pipeline_SpectrumFeatures);

void Pipeline_PeakCut(benchmark::State& state) {
    const PathScope path(state, 0);
    fillPictures();
    for (auto _ : state) {
        benchmark::DoNotOptimize(drawPeakCut());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(Pipeline_PeakCut)->Apply(everyPath);

void Pipeline_RotatingScene(benchmark::State& state) {
    const PathScope path(state, 0);
    fillPictures();
    typicalFeatures();
    int32_t ms = 0;
    for (auto _ : state) {
        rotatePicture(Picture2, SceneBuffer, static_cast<float>(ms), 3000.0f);
        ms += 16;
        benchmark::ClobberMemory();
    }
}
BENCHMARK(Pipeline_RotatingScene)->Apply(everyPath);

void Pipeline_NoiseMosaic(benchmark::State& state) {
    const PathScope path(state, 0);
    fillPictures();
    for (auto _ : state) {
        drawNoiseMosaic();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(Pipeline_NoiseMosaic)->Apply(everyPath);

void Pipeline_SpectralRamp(benchmark::State& state) {
    const PathScope path(state, 0);
    typicalFeatures();
    for (auto _ : state) {
        drawSpectralRamp();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(Pipeline_SpectralRamp)->Apply(everyPath);

void Pipeline_RampedPicture(benchmark::State& state) {
    const PathScope path(state, 0);
    fillPictures();
    typicalFeatures();
    for (auto _ : state) {
        drawRampedPicture(5);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(Pipeline_RampedPicture)->Apply(everyPath);

// Arg: ColourSelector 0..3, or 4 for the peak mapping.
void Pipeline_ColourMapping(benchmark::State& state) {
    const PathScope path(state, 1);
    fillPictures();
    typicalFeatures();
    SceneBuffer = Picture4;
    const bool peak = state.range(0) == 4;
    ColourSelector = peak ? 2 : static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(mapColours(peak));
        benchmark::ClobberMemory();
    }
    resetSelectors();
}
BENCHMARK(Pipeline_ColourMapping)->ArgNames({"mapping", "path"})->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1, 2}});

// Arg: ColourSelector; 1 writes every column of the colour rows, 2 the odd ones.
void Pipeline_OutputFrame(benchmark::State& state) {
    const PathScope path(state, 1);
    fillPictures();
    typicalFeatures();
    SceneBuffer = Picture4;
    mapColours(false);
    std::vector<uint32_t> surface(640 * 480);
    ColourSelector = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(outputFrame(surface.data()));
        benchmark::ClobberMemory();
    }
    resetSelectors();
}
BENCHMARK(Pipeline_OutputFrame)->ArgNames({"selector", "path"})->ArgsProduct({{1, 2}, {0, 1, 2}});

// Whole frames over 64 prepared spectra: rotating, pattern and peak frames mixed as the
// selectors and the generator choose them.
void Pipeline_WholeFrame(benchmark::State& state) {
    const PathScope path(state, 0);
    fillPictures();
    resetShowState();
    std::vector<std::vector<float>> spectra(64, std::vector<float>(kSpectrumBands));
    for (int f = 0; f < 64; ++f) musicLikeSpectrum(f, spectra[f]);
    std::vector<uint32_t> surface(640 * 480);
    int frame = 0;
    int64_t peaks = 0, rotating = 0, mosaics = 0, other_patterns = 0;
    for (auto _ : state) {
        const FrameRecord r = runFrame(spectra[frame % 64].data(), frame * 16, surface.data());
        ++frame;
        peaks += r.peak;
        rotating += r.rotatingRow >= 0;
        mosaics += r.pattern == PatternKind::Mosaic;
        other_patterns += r.pattern == PatternKind::SpectralRamp || r.pattern == PatternKind::RampedPicture;
    }
    const double n = static_cast<double>(frame);
    state.counters["peak"] = static_cast<double>(peaks) / n;
    state.counters["rotating"] = static_cast<double>(rotating) / n;
    state.counters["mosaic"] = static_cast<double>(mosaics) / n;
    state.counters["ramps"] = static_cast<double>(other_patterns) / n;
    resetShowState();
}
BENCHMARK(Pipeline_WholeFrame)->Apply(everyPath);

}  // namespace
