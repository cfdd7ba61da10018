// Offline rendering speed: whole 394-second renders to --raw /dev/null from
// a generated track and from its trace, and the per-frame cost of each
// stage (analysis, pipeline, output encoders).
//
//   ziv_bench --benchmark_filter='Render'
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "output/show_frame.h"
#include "tools/composer/vorbis_encoder.h"
#include "pictures/picture_bank.h"
#include "tools/ziv-render/frame_sink.h"
#include "tools/ziv-render/frame_writers.h"
#include "tools/ziv-render/render_options.h"
#include "tools/ziv-render/render_run.h"
#include "tools/ziv-render/video_encoder.h"
#include "audio/track_spectrum.h"

namespace {

// A 30-second stereo track (it loops through a 394-second render), made once.
const std::string& benchTrack() {
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "ziv_render_bench_track.ogg").string();
        const int frames = 30 * kMixRate;
        std::vector<float> s(static_cast<size_t>(frames) * 2);
        for (int i = 0; i < frames; ++i) {
            const double t = i / static_cast<double>(kMixRate);
            const double beat = std::fmod(t, 0.5) < 0.12 ? 0.9 : 0.1;
            s[2 * static_cast<size_t>(i)] = static_cast<float>(beat * std::sin(2 * M_PI * 80 * t) + 0.2 * std::sin(2 * M_PI * 1500 * t));
            s[2 * static_cast<size_t>(i) + 1] = static_cast<float>(0.3 * std::sin(2 * M_PI * (300 + 40 * t) * t));
        }
        writeOggVorbis(p.c_str(), s.data(), frames, 2, kMixRate, 0.4f, nullptr);
        return p;
    }();
    return path;
}

const std::string& benchTrace() {
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "ziv_render_bench.trace").string();
        const std::string t = benchTrack();
        const char* argv[] = {"ziv-render", "--track", t.c_str(), "--trace-out", p.c_str(), "--no-progress"};
        renderMain(6, argv);
        return p;
    }();
    return path;
}

void wholeShow(benchmark::State& state, bool fromTrace) {
    const std::string input = fromTrace ? benchTrace() : benchTrack();
    for (auto _ : state) {
        const char* argv[] = {"ziv-render", fromTrace ? "--trace-in" : "--track", input.c_str(), "--raw", "/dev/null",
                              "--no-progress"};
        if (renderMain(6, argv) != 0) state.SkipWithError("render failed");
    }
    const double frames = static_cast<double>(showLengthFrames(60));
    state.counters["frames_per_second"] = benchmark::Counter(frames * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_RenderWholeShowFromTrack(benchmark::State& state) { wholeShow(state, false); }
void BM_RenderWholeShowFromTrace(benchmark::State& state) { wholeShow(state, true); }
BENCHMARK(BM_RenderWholeShowFromTrack)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_RenderWholeShowFromTrace)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

// 1200 frames of the trace into each kind of output (arg: 0 raw to /dev/null, 1 PNG
// frames, 2 mp4 through ffmpeg at the default quality), in frames per second of real time.
void BM_RenderTraceTo(benchmark::State& state) {
    const std::string trace = benchTrace();
    const std::string dir = (std::filesystem::temp_directory_path() / "ziv_render_bench_out").string();
    const std::string mp4 = dir + ".mp4";
    const std::string frames = "1200";
    std::vector<const char*> argv = {"ziv-render", "--trace-in", trace.c_str(), "--frames", frames.c_str(),
                                     "--no-progress"};
    if (state.range(0) == 0) argv.insert(argv.end(), {"--raw", "/dev/null"});
    if (state.range(0) == 1) argv.insert(argv.end(), {"--png-dir", dir.c_str()});
    if (state.range(0) == 2) {
        if (findProgram("ffmpeg").empty()) {
            state.SkipWithError("no ffmpeg");
            return;
        }
        argv.insert(argv.end(), {"-o", mp4.c_str()});
    }
    for (auto _ : state)
        if (renderMain(static_cast<int>(argv.size()), argv.data()) != 0) state.SkipWithError("render failed");
    std::filesystem::remove_all(dir);
    std::filesystem::remove(mp4);
    state.counters["frames_per_second"] =
        benchmark::Counter(1200.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderTraceTo)->ArgName("raw_png_mp4")->DenseRange(0, 2)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

void BM_RenderFrameAnalysis(benchmark::State& state) {
    TrackSpectrum track;
    if (!track.open(benchTrack(), nullptr)) {
        state.SkipWithError("no track");
        return;
    }
    std::vector<float> spectrum(kSpectrumBands);
    int64_t n = 0;
    for (auto _ : state) {
        track.spectrumAt(frameTrackPosition(n++, 60), spectrum.data());
        benchmark::DoNotOptimize(spectrum.data());
    }
}
BENCHMARK(BM_RenderFrameAnalysis)->Unit(benchmark::kMicrosecond);

void BM_RenderFramePipeline(benchmark::State& state) {
    loadPictureBank();
    resetShowState();
    std::vector<uint32_t> surface(kSurfacePixels, 0u);
    std::vector<float> spectrum(kSpectrumBands);
    int n = 0;
    for (auto _ : state) {
        for (int k = 0; k < kSpectrumBands; ++k) spectrum[k] = static_cast<float>((n * 31 + k * 17) % 100) / 110.0f;
        benchmark::DoNotOptimize(runFrame(spectrum.data(), frameElapsedMs(n, 60), surface.data()));
        ++n;
    }
}
BENCHMARK(BM_RenderFramePipeline)->Unit(benchmark::kMicrosecond);

// What the writer thread spends on one frame for --raw: the sink writes the slot itself.
void BM_RenderFrameRawToDevNull(benchmark::State& state) {
    FrameToWrite frame;
    frame.surface.assign(kSurfacePixels, 0x00336699u);
    WriteFailure failure;
    std::unique_ptr<FrameSink> sink = openRawSink("/dev/null", VideoKind::Y4m, SinkSettings{}, &failure);
    if (!sink) {
        state.SkipWithError(failure.why.c_str());
        return;
    }
    for (auto _ : state) sink->write(frame, &failure);
    sink->complete(&failure);
    sink->publish(&failure);
}
BENCHMARK(BM_RenderFrameRawToDevNull)->Unit(benchmark::kMicrosecond);

void BM_RenderFrameY4mEncode(benchmark::State& state) {
    std::vector<uint32_t> surface(kSurfacePixels);
    for (int i = 0; i < kSurfacePixels; ++i) surface[i] = static_cast<uint32_t>(i) * 2654435761u;
    std::vector<uint8_t> frame(kY4mFrameBytes);
    for (auto _ : state) {
        encodeY4mFrame(surface.data(), frame.data());
        benchmark::DoNotOptimize(frame.data());
    }
}
BENCHMARK(BM_RenderFrameY4mEncode)->Unit(benchmark::kMicrosecond);

void BM_RenderFramePngEncode(benchmark::State& state) {
    std::vector<uint32_t> surface(kSurfacePixels);
    for (int i = 0; i < kSurfacePixels; ++i) surface[i] = (i / 640) % 40 < 20 ? 0x00203040u : static_cast<uint32_t>(i);
    std::vector<uint8_t> png;
    for (auto _ : state) {
        encodePng(surface.data(), png);
        benchmark::DoNotOptimize(png.data());
    }
}
BENCHMARK(BM_RenderFramePngEncode)->Unit(benchmark::kMillisecond);

}  // namespace
