// ziv-track-stats: plays a track through the show's analyser offline, frame by
// frame at 60 frames a second over the show's 394-second course, and reports
// where the selectors spend their time.
//
//   ziv-track-stats DuskPulse.ogg            # the report
//   ziv-track-stats DuskPulse.ogg --check    # exit 1 and name each target missed
//   ziv-track-stats DuskPulse.ogg --bars     # also the levels per eight bars of this song
#include <vorbis/vorbisfile.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "audio/spectrum_analyser.h"
#include "course_stats.h"
#include "song.h"

namespace {

constexpr int kFramesPerSecond = 60;
constexpr int64_t kCourseMs = 394000;
constexpr int64_t kSamplesPerFrame = 44100 / kFramesPerSecond;

bool decodeMono(const char* path, std::vector<float>& mono, std::string& why) {
    OggVorbis_File vf;
    if (ov_fopen(path, &vf) != 0) {
        why = "not an Ogg Vorbis file or unreadable";
        return false;
    }
    const vorbis_info* info = ov_info(&vf, -1);
    if (info->rate != 44100) {
        ov_clear(&vf);
        why = "only 44100 Hz tracks are measured here";
        return false;
    }
    const int channels = info->channels;
    int section = 0;
    for (;;) {
        float** pcm = nullptr;
        const long got = ov_read_float(&vf, &pcm, 4096, &section);
        if (got == OV_HOLE) continue;
        if (got <= 0) break;
        for (long i = 0; i < got; ++i) {
            double sum = 0.0;
            for (int c = 0; c < channels; ++c) sum += pcm[c][i];
            mono.push_back(static_cast<float>(sum / channels));
        }
    }
    ov_clear(&vf);
    if (mono.empty()) {
        why = "holds no audio";
        return false;
    }
    return true;
}

struct BarBlock {
    int64_t frames = 0, scene = 0, sceneStrong = 0, colour = 0, picture44 = 0, picture14 = 0, peaks = 0;
    int64_t by64 = 0, by128 = 0, by256 = 0;  // which band made the peak
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: ziv-track-stats TRACK.ogg [--check] [--bars]\n");
        return 2;
    }
    bool check = false, bars = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--check") == 0) check = true;
        else if (std::strcmp(argv[i], "--bars") == 0) bars = true;
        else {
            std::fprintf(stderr, "ziv-track-stats: unknown option '%s'\n", argv[i]);
            return 2;
        }
    }
    std::vector<float> mono;
    std::string why;
    if (!decodeMono(argv[1], mono, why)) {
        std::fprintf(stderr, "ziv-track-stats: cannot read '%s': %s\n", argv[1], why.c_str());
        return 1;
    }
    const int64_t length = static_cast<int64_t>(mono.size());
    AnalyserState state;
    CourseCounter course;
    std::vector<BarBlock> blocks(kSongBars / 8 + 1);
    float window[kAnalysisWindow];
    float spectrum[kAnalysisBands];
    // Frame n is drawn n/60 s into the show; the course ends with the first frame past 394 s.
    for (int64_t n = 0;; ++n) {
        const int64_t elapsedMs = n * 1000 / kFramesPerSecond;
        const int64_t position = (n + 1) * kSamplesPerFrame;
        for (int i = 0; i < kAnalysisWindow; ++i) {
            const int64_t p = position - kAnalysisWindow + i;
            window[i] = p < 0 ? 0.0f : mono[static_cast<size_t>(p % length)];
        }
        analyseSpectrum(state, window, 1.0 / kFramesPerSecond, spectrum);
        const bool peak = course.addFrame(spectrum);
        if (bars) {
            const FrameLevels f = levelsOf(spectrum);
            BarBlock& b = blocks[static_cast<size_t>((position % length) / kBarFrames / 8)];
            ++b.frames;
            b.scene += f.bin1 > 0.3;
            b.sceneStrong += f.bin1 > 0.5;
            b.colour += f.mean0to20 > 0.3;
            b.picture44 += f.mean44to46 > 0.1;
            b.picture14 += f.mean14to16 > 0.3;
            b.peaks += peak;
            b.by64 += f.bin64 >= 0.8;
            b.by128 += f.bin128 >= 0.8;
            b.by256 += f.bin256 >= 0.8;
        }
        if (elapsedMs > kCourseMs) break;
    }
    if (bars) {
        std::printf("bars     frames  bin1>.3  bin1>.5  m0-20>.3  m44-46>.1  m14-16>.3  peaks (bin64/128/256)\n");
        for (size_t i = 0; i < blocks.size(); ++i) {
            const BarBlock& b = blocks[i];
            if (b.frames == 0) continue;
            std::printf("%3zu-%-3zu %7lld %8lld %8lld %9lld %10lld %10lld %6lld (%lld/%lld/%lld)\n", i * 8, i * 8 + 7, (long long)b.frames,
                        (long long)b.scene, (long long)b.sceneStrong, (long long)b.colour, (long long)b.picture44,
                        (long long)b.picture14, (long long)b.peaks, (long long)b.by64, (long long)b.by128, (long long)b.by256);
        }
    }
    for (const std::string& l : describeStats(course.stats())) std::printf("%s\n", l.c_str());
    if (!check) return 0;
    const auto misses = checkShowTargets(course.stats());
    for (const std::string& m : misses) std::printf("MISSED: %s\n", m.c_str());
    return misses.empty() ? 0 : 1;
}
