// Audio figures: the cost of one spectrum fetch, the mixer's worst time and
// underruns over a long run with the caller's thread busy, and the delay from
// play to the first frame being heard. Sound goes to SDL's dummy driver (real
// time, no device); set SDL_AUDIODRIVER to measure a real device instead.
//
//   ziv_bench --benchmark_filter='Spectrum|Analyse'
//   ZIV_AUDIO_BENCH_SECONDS=60 ziv_bench --benchmark_filter=PlaybackWithBusyFrameLoop
//   ziv_bench --benchmark_filter=PlayToHeardLatency
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "audio/audio_constants.h"
#include "audio/spectrum_analyser.h"
#include "tools/composer/vorbis_encoder.h"
#include "audio/fsound.h"
#include "audio/sound_library.h"
#include "platform/sound_devices.h"

namespace {

using Clock = std::chrono::steady_clock;

// A few seconds of noisy chords, written once per process.
const std::string& benchTrack() {
    static const std::string path = [] {
        const auto p = std::filesystem::temp_directory_path() / ("ziv_bench_track_" + std::to_string(getpid()) + ".ogg");
        const int frames = kMixRate * 4;
        std::vector<float> s(static_cast<size_t>(frames) * 2);
        uint32_t noise = 1;
        for (int i = 0; i < frames; ++i) {
            noise = noise * 1664525u + 1013904223u;
            const double t = i / static_cast<double>(kMixRate);
            const double v = 0.3 * std::sin(2 * M_PI * 110 * t) + 0.2 * std::sin(2 * M_PI * 2750 * t) +
                             0.1 * ((noise >> 8) / 8388608.0 - 1.0);
            s[2 * i] = s[2 * i + 1] = static_cast<float>(v);
        }
        std::string why;
        if (!writeOggVorbis(p.c_str(), s.data(), frames, 2, kMixRate, 0.5f, &why)) std::abort();
        std::atexit([] { std::filesystem::remove(benchTrack()); });
        return p.string();
    }();
    return path;
}

void useDummyDriverUnlessSet() { setenv("SDL_AUDIODRIVER", "dummy", 0); }

SoundStream* startPlaying(bool sound) {
    useDummyDriverUnlessSet();
    closeSoundLibrary();
    usePlatformSoundOutputs();
    if (!sound) FSOUND_SetOutput(kOutputNoSound);
    if (!FSOUND_Init(kMixRate, 32, 0)) return nullptr;
    SoundStream* s = FSOUND_Stream_OpenFile(benchTrack().c_str(), 0x20132, 0);
    FSOUND_Stream_PlayEx(-1, s, nullptr, 0);
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 1);
    return s;
}

void BM_AnalyseSpectrum(benchmark::State& state) {
    std::vector<float> window(kAnalysisWindow), spectrum(kSpectrumBands);
    for (int n = 0; n < kAnalysisWindow; ++n) window[n] = static_cast<float>(std::sin(n * 0.37) * 0.5);
    AnalyserState analyser;
    for (auto _ : state) {
        takeInHop(analyser, window.data());
        shapeSpectrum(analyser, window.data(), analyser.nextHop, spectrum.data());
        benchmark::DoNotOptimize(spectrum.data());
    }
}
BENCHMARK(BM_AnalyseSpectrum)->Unit(benchmark::kMicrosecond);

// One FSOUND_DSP_GetSpectrum while the track plays: position, window, transform, shaping.
void BM_SpectrumFetch(benchmark::State& state) {
    if (!startPlaying(state.range(0) != 0)) {
        state.SkipWithError("no audio output");
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (auto _ : state) benchmark::DoNotOptimize(FSOUND_DSP_GetSpectrum());
    closeSoundLibrary();
    usePlatformSoundOutputs();
}
BENCHMARK(BM_SpectrumFetch)->Arg(1)->Arg(0)->ArgName("device")->Unit(benchmark::kMicrosecond);

// The show's frame loop never sleeps: fetch the spectrum, then burn the CPU
// as drawing does, for the whole run. Counts what the listener would notice.
void BM_PlaybackWithBusyFrameLoop(benchmark::State& state) {
    const char* env = std::getenv("ZIV_AUDIO_BENCH_SECONDS");
    const double seconds = env ? std::atof(env) : 60.0;
    for (auto _ : state) {
        if (!startPlaying(true)) {
            state.SkipWithError("no audio output");
            return;
        }
        resetSoundLibraryStats();
        const auto end = Clock::now() + std::chrono::duration<double>(seconds);
        int64_t frames = 0;
        volatile double sink = 0;
        while (Clock::now() < end) {
            const float* s = FSOUND_DSP_GetSpectrum();
            double acc = 0;
            for (int i = 0; i < 200000; ++i) acc += s[i & 255] * 1.0000001;
            sink = sink + acc;
            ++frames;
        }
        const SoundLibraryStats stats = soundLibraryStats();
        state.counters["underruns"] = static_cast<double>(stats.underruns);
        state.counters["worst_mix_us"] = static_cast<double>(stats.worstMixNanoseconds) / 1000.0;
        state.counters["worst_mix_cpu_us"] = static_cast<double>(stats.worstMixCpuNanoseconds) / 1000.0;
        state.counters["mixes"] = static_cast<double>(stats.mixes);
        state.counters["frames"] = static_cast<double>(frames);
        state.counters["seconds"] = seconds;
        closeSoundLibrary();
    }
}
BENCHMARK(BM_PlaybackWithBusyFrameLoop)->Iterations(1)->Unit(benchmark::kSecond);

// From FSOUND_Stream_PlayEx to the stream's first frame reaching the listener:
// the wait for the next mix, plus the one device buffer it then sits behind.
void BM_PlayToHeardLatency(benchmark::State& state) {
    useDummyDriverUnlessSet();
    closeSoundLibrary();
    usePlatformSoundOutputs();
    if (!FSOUND_Init(kMixRate, 32, 0)) {
        state.SkipWithError("no audio output");
        return;
    }
    double total = 0, worst = 0;
    int runs = 0;
    int bufferFrames = 0;
    for (auto _ : state) {
        SoundStream* s = FSOUND_Stream_OpenFile(benchTrack().c_str(), 0x20132, 0);
        resetSoundLibraryStats();
        const auto start = Clock::now();
        FSOUND_Stream_PlayEx(-1, s, nullptr, 0);
        while (soundLibraryStats().lastStartOutputFrame < 0) std::this_thread::yield();
        const double firstMix = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        bufferFrames = soundLibraryStats().bufferFrames;
        const double heard = firstMix + 1000.0 * bufferFrames / static_cast<double>(kMixRate);
        total += heard;
        worst = std::max(worst, heard);
        ++runs;
        FSOUND_Stream_Close(s);
    }
    state.counters["mean_ms"] = total / runs;
    state.counters["worst_ms"] = worst;
    state.counters["buffer_frames"] = static_cast<double>(bufferFrames);
    closeSoundLibrary();
    usePlatformSoundOutputs();
}
BENCHMARK(BM_PlayToHeardLatency)->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace
