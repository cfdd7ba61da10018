// ziv-track-stats: plays a track through the show's analyser offline, frame by
// frame at 60 frames a second over the show's 394-second course, draws every
// frame through the show's own frame function, and reports where the
// selectors spend their time and how the frames look.
//
//   ziv-track-stats DuskPulse.ogg            # the report
//   ziv-track-stats DuskPulse.ogg --check    # exit 1 and name each target missed
//   ziv-track-stats DuskPulse.ogg --bars     # also the levels per eight bars of this song
//   ziv-track-stats noise.ogg --seconds 12 --from 2   # a 12-s course, counted from 2 s on
//
// --from leaves the show's first moments out of the selectors' shares, the
// look, the switches, selector changes and cuts (the show still runs through
// them); the flash test always sees every frame.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "audio/audio_constants.h"
#include "audio/track_spectrum.h"
#include "output/output_constants.h"
#include "output/printable_name.h"
#include "output/show_frame.h"
#include "pictures/picture_bank.h"
#include "scenes/spectrum_features.h"
#include "tools/ziv-track-stats/course_report.h"
#include "tools/composer/song.h"
#include "tools/look/flash_meter.h"
#include "tools/look/look_meter.h"
#include "ziv_version.h"

namespace {

constexpr int kFramesPerSecond = 60;
constexpr int64_t kSamplesPerFrame = kMixRate / kFramesPerSecond;

struct BarBlock {
    int64_t frames = 0, scene = 0, sceneStrong = 0, colour = 0, picture44 = 0, picture14 = 0, peaks = 0;
    int64_t by64 = 0, by128 = 0, by256 = 0;  // which band made the peak
};

constexpr const char* kUsage = "usage: ziv-track-stats [--check] [--bars] [--seconds S] [--from S] [--] TRACK\n";
constexpr double kLongestCourseSeconds = 86400.0;

constexpr const char* kHelp =
    "ziv-track-stats: plays a track through the show's analyser offline, at 60 frames a second\n"
    "over the show's 394-second course, and reports where the selectors spend their time,\n"
    "how the frames look and how they flash.\n"
    "\n"
    "  --check       exit 1 and name each target the track misses\n"
    "  --bars        also the levels per eight bars of the default track's song\n"
    "  --seconds S   a course of S seconds instead of 394 (the track loops as in the show)\n"
    "  --from S      count the selectors, look, switches, selector changes and cuts from S\n"
    "                seconds on (the flash test always counts every frame)\n"
    "  -h, --help    this text\n"
    "  --version     the version\n"
    "  --            what follows is the track, even if its name starts with '-'\n"
    "\n"
    "Exit status: 0 done, 1 unreadable track or missed target, 2 bad command line.\n";

// A number of seconds in [low, high], or a message on stderr and false.
bool readSeconds(const char* option, const char* text, double low, double high, double* out) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(v) || v < low || v > high) {
        std::fprintf(stderr, "ziv-track-stats: %s '%s': not a number of seconds from %g to %g\n", option, printableName(text).c_str(), low, high);
        return false;
    }
    *out = v;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (askedForVersion(argc, argv)) return printVersion("ziv-track-stats");
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
            return 0;
        }
    }
    bool check = false, bars = false, optionsEnded = false;
    double seconds = kShowLengthMs / 1000.0, from = 0.0;
    const char* trackName = nullptr;
    auto refuse = [](const std::string& why) {
        std::fprintf(stderr, "ziv-track-stats: %s\n%s", why.c_str(), kUsage);
        return 2;
    };
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        if (!optionsEnded && std::strcmp(word, "--") == 0) optionsEnded = true;
        else if (!optionsEnded && std::strcmp(word, "--check") == 0) check = true;
        else if (!optionsEnded && std::strcmp(word, "--bars") == 0) bars = true;
        else if (!optionsEnded && (std::strcmp(word, "--seconds") == 0 || std::strcmp(word, "--from") == 0)) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "ziv-track-stats: %s needs a number of seconds\n", word);
                return 2;
            }
            const bool course = std::strcmp(word, "--seconds") == 0;
            if (!readSeconds(word, argv[++i], course ? 1.0 / kFramesPerSecond : 0.0, kLongestCourseSeconds, course ? &seconds : &from))
                return 2;
        }
        else if (!optionsEnded && word[0] == '-' && word[1] != '\0')
            return refuse("unknown option '" + printableName(word) + "' (a track named so is given after --, or as ./" +
                          printableName(word) + ")");
        else if (trackName)
            return refuse("one track at a time: '" + printableName(trackName) + "' and '" + printableName(word) +
                          "' were both given");
        else trackName = word;
    }
    if (!trackName) return refuse("no track given");
    if (from >= seconds) {
        std::fprintf(stderr, "ziv-track-stats: --from '%g': not before the end of the %g-second course\n", from, seconds);
        return 2;
    }
    const int64_t lengthMs = std::llround(seconds * 1000.0);
    std::string why;
    TrackSpectrum track;
    if (!track.open(trackName, &why)) {
        std::fprintf(stderr, "ziv-track-stats: track '%s': %s\n", printableName(trackName).c_str(), why.c_str());
        return 1;
    }
    loadPictureBank();
    resetShowState();
    std::vector<uint32_t> surface(kSurfacePixels, 0u);
    LookMeter look(kFramesPerSecond);
    FlashMeter flash(kFramesPerSecond);
    CourseStats course;
    std::vector<BarBlock> blocks(kSongBars / 8 + 1);
    float spectrum[kSpectrumBands];
    // Switches between the dark turning picture and a bright pattern flash
    // too; counted for the photosensitivity note, not held to a target.
    int64_t switches = 0, mostSwitchesInOneSecond = 0;
    int lastScene = -1;   // 0 rotating, 1 pattern, of the last frame without a peak
    std::deque<int64_t> recentSwitches;
    // Changes of any selector from one frame to the next, and cuts (the first
    // frame of each peak run), from the first counted frame on.
    int64_t sceneChanges = 0, colourChanges = 0, pictureChanges = 0, cuts = 0;
    FrameRecord last;
    // Frame n is drawn n/60 s into the show, when n * 735 samples have been
    // heard; the course ends with the first frame past its length.
    for (int64_t n = 0;; ++n) {
        const int64_t elapsedMs = n * 1000 / kFramesPerSecond;
        const int64_t position = n * kSamplesPerFrame;
        const bool counted = static_cast<double>(n) / kFramesPerSecond >= from;
        track.spectrumAt(position, spectrum);
        const FrameRecord record = runFrame(spectrum, static_cast<int32_t>(elapsedMs), surface.data());
        if (counted) {
            countCourseFrame(course, record);
            if (n > 0) {
                sceneChanges += record.sceneSelector != last.sceneSelector;
                colourChanges += record.colourSelector != last.colourSelector;
                pictureChanges += record.pictureSelector != last.pictureSelector;
            }
            cuts += record.peak && (n == 0 || !last.peak);
            look.addFrame(surface.data(), record.peak);
        }
        last = record;
        if (!record.peak) {
            const int scene = record.sceneSelector >= 2 ? 1 : 0;
            if (counted && lastScene >= 0 && scene != lastScene) {
                ++switches;
                recentSwitches.push_back(n);
                while (recentSwitches.front() <= n - kFramesPerSecond) recentSwitches.pop_front();
                mostSwitchesInOneSecond = std::max(mostSwitchesInOneSecond, static_cast<int64_t>(recentSwitches.size()));
            }
            lastScene = scene;
        }
        flash.addFrame(surface.data());
        const bool peak = record.peak;
        if (bars) {
            // Placed by this song's own bars, so the report reads against its form.
            const SpectrumFeatureSet& f = SpectrumFeatures;
            BarBlock& b = blocks[static_cast<size_t>((position % kSongFrames) / kBarFrames / 8)];
            ++b.frames;
            b.scene += f.bin1 > kSceneStepLevel;
            b.sceneStrong += f.bin1 > kSceneJumpLevel;
            b.colour += f.mean0to20 > kColourStepLevel;
            b.picture44 += f.mean44to46 > kPictureStepLevel;
            b.picture14 += f.mean14to16 > kPictureStep2Level;
            b.peaks += peak;
            b.by64 += f.bin64 >= kPeakLevel;
            b.by128 += f.bin128 >= kPeakLevel;
            b.by256 += f.bin256 >= kPeakLevel;
        }
        if (elapsedMs > lengthMs) break;
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
    const LookFigures figures = look.figures();
    std::printf("course: %.2f s, counted from %.2f s on\n", seconds, from);
    for (const std::string& l : describeStats(course)) std::printf("%s\n", l.c_str());
    for (const std::string& l : describeLook(figures)) std::printf("%s\n", l.c_str());
    const FlashFigures flashes = flash.figures();
    for (const std::string& l : describeFlash(flashes)) std::printf("%s\n", l.c_str());
    std::printf("switches between turning picture and pattern: %lld (%.2f a second), most in one second: %lld\n", static_cast<long long>(switches),
                static_cast<double>(switches) * kFramesPerSecond / static_cast<double>(course.frames), static_cast<long long>(mostSwitchesInOneSecond));
    std::printf("selector changes: %lld (SceneSelector %lld, ColourSelector %lld, PictureSelector %lld)\n",
                static_cast<long long>(sceneChanges + colourChanges + pictureChanges), static_cast<long long>(sceneChanges),
                static_cast<long long>(colourChanges), static_cast<long long>(pictureChanges));
    std::printf("cuts: %lld\n", static_cast<long long>(cuts));
    if (!check) return 0;
    auto misses = checkShowTargets(course);
    for (const std::string& m : checkLookTargets(figures)) misses.push_back(m);
    for (const std::string& m : checkFlashTargets(flashes)) misses.push_back(m);
    for (const std::string& m : misses) std::printf("MISSED: %s\n", m.c_str());
    return misses.empty() ? 0 : 1;
}
