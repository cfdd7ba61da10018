// Decoding speed of each format the track reader takes: seconds of music
// decoded, resampled to 44100 Hz and handed out per second of CPU. The files
// are made by the ffmpeg program from ten seconds of noisy chords.
//
//   ziv_bench --benchmark_filter=TrackDecode
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/track_reader.h"

namespace {

constexpr int kSeconds = 10;

const std::filesystem::path& benchFolder() {
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("ziv_track_bench_" + std::to_string(getpid()));
        std::filesystem::create_directories(d);
        std::vector<float> s(static_cast<size_t>(44100) * kSeconds * 2);
        uint32_t noise = 1;
        for (size_t i = 0; i < s.size() / 2; ++i) {
            noise = noise * 1664525u + 1013904223u;
            const double t = static_cast<double>(i) / 44100.0;
            const double v = 0.3 * std::sin(2 * M_PI * 110 * t) + 0.2 * std::sin(2 * M_PI * 2750 * t) +
                             0.1 * ((noise >> 8) / 8388608.0 - 1.0);
            s[2 * i] = static_cast<float>(v);
            s[2 * i + 1] = static_cast<float>(-v);
        }
        std::ofstream(d / "music.f32", std::ios::binary)
            .write(reinterpret_cast<const char*>(s.data()), static_cast<std::streamsize>(s.size() * sizeof(float)));
        return d;
    }();
    return dir;
}

struct Cleanup {
    ~Cleanup() {
        std::error_code ignored;
        std::filesystem::remove_all(benchFolder(), ignored);
    }
};

void BM_TrackDecode(benchmark::State& state, const char* file, const char* codec) {
    static Cleanup cleanup;
    const std::string out = (benchFolder() / file).string();
    if (!std::filesystem::exists(out)) {
        const std::string command = "ffmpeg -nostdin -v error -y -f f32le -ar 44100 -ac 2 -i '" +
                                    (benchFolder() / "music.f32").string() + "' " + codec + " '" + out + "'";
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("ffmpeg could not make the file");
            return;
        }
    }
    std::vector<float> chunk(4096 * 2);
    int64_t frames = 0;
    for (auto _ : state) {
        std::string why;
        TrackReader* t = openTrack(out.c_str(), &why);
        if (!t) {
            state.SkipWithError(why.c_str());
            return;
        }
        setTrackLooping(t, false);
        for (int got; (got = readTrack(t, chunk.data(), 4096)) > 0;) frames += got;
        closeTrack(t);
    }
    state.counters["music_s_per_s"] = benchmark::Counter(static_cast<double>(frames) / 44100.0, benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(BM_TrackDecode, OggVorbis, "m.ogg", "-c:a libvorbis -q:a 6")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TrackDecode, Opus48k, "m.opus", "-c:a libopus -b:a 160k")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TrackDecode, Mp3, "m.mp3", "-c:a libmp3lame -b:a 256k")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TrackDecode, AacM4a, "m.m4a", "-c:a aac -b:a 256k")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TrackDecode, Flac, "m.flac", "-c:a flac")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TrackDecode, Wav16, "m.wav", "-c:a pcm_s16le")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TrackDecode, Wav48kFloat, "m48.wav", "-c:a pcm_f32le -ar 48000")->Unit(benchmark::kMillisecond);

}  // namespace
