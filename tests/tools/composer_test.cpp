// The composer of the default track: its mastering never clips, the loop has
// no seam, the form is what the show is tuned for, and the selector report
// that judges the track follows the show's rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/ziv-track-stats/course_report.h"
#include "tools/composer/dsp.h"
#include "tools/composer/instruments.h"
#include "tools/composer/master.h"
#include "tools/composer/song.h"

namespace {

double peakOf(const std::vector<float>& v) {
    double p = 0.0;
    for (float x : v) p = std::max(p, static_cast<double>(std::fabs(x)));
    return p;
}

// Root mean square of interleaved frames [first, first + count), both channels.
double rmsOf(const std::vector<float>& stereo, size_t first, size_t count) {
    double sum = 0.0;
    for (size_t i = 2 * first; i < 2 * (first + count); ++i) sum += static_cast<double>(stereo[i]) * stereo[i];
    return std::sqrt(sum / static_cast<double>(2 * count));
}

const std::vector<float>& theTrack() {
    static const std::vector<float> track = renderDuskPulse();
    return track;
}

}  // namespace

TEST(Master, LoudBurstIsHeldUnderTheCeilingAndQuietPartsKeepTheirGain) {
    Mix mix(44100);
    for (int64_t i = 0; i < 44100; ++i) {
        const double burst = (i >= 20000 && i < 20400) ? 2.0 : 0.1;
        const double v = burst * std::sin(kTwoPi * 220.0 * static_cast<double>(i) / kSampleRate);
        mix.add(i, v, -v);
    }
    std::vector<float> out;
    masterLoop(mix, 1.5, 0.75, out);
    ASSERT_EQ(out.size(), 2u * 44100u);
    EXPECT_LE(peakOf(out), 0.75);
    // Far from the burst the master gain applies unchanged.
    for (size_t i = 1000; i < 2000; ++i) {
        const double expected = 1.5 * mix.left[i];
        EXPECT_NEAR(out[2 * i], expected, 1e-3 * std::fabs(expected) + 1e-6) << i;
    }
    // The gain falls before the burst (look-ahead), so its first cycle is not flattened.
    double before = 0.0;
    for (size_t i = 20000 - kLimiterLookahead; i < 20000; ++i) {
        const double dry = 1.5 * mix.left[i];
        if (std::fabs(dry) > 0.05) before = std::max(before, std::fabs(out[2 * i] / dry));
    }
    EXPECT_GT(before, 0.0);
    EXPECT_LT(before, 0.999);
}

TEST(Master, LimiterGainHasNoSteps) {
    Mix mix(20000);
    for (int64_t i = 0; i < 20000; ++i) mix.add(i, i == 10000 ? 3.0 : 0.2, i == 10000 ? 3.0 : 0.2);
    std::vector<float> out;
    masterLoop(mix, 1.0, 0.5, out);
    EXPECT_LE(peakOf(out), 0.5);
    // A constant input shows the gain itself: it may move, but never jump.
    for (size_t i = 9000; i < 11000; ++i) {
        if (i == 10000 || i == 10001) continue;
        EXPECT_LT(std::fabs(out[2 * i] - out[2 * i - 2]), 0.01) << i;
    }
}

TEST(Master, PeakAtTheEndOfTheLoopLowersTheGainAtItsStartToo) {
    Mix mix(10000);
    for (int64_t i = 0; i < 10000; ++i) mix.add(i, 0.2, 0.2);
    mix.add(5, 2.0, 2.0);  // just after the start: the end must already be ducking
    std::vector<float> out;
    masterLoop(mix, 1.0, 0.5, out);
    EXPECT_LE(peakOf(out), 0.5);
    EXPECT_LT(out[2 * 9990], 0.2f) << "the look-ahead wraps from the loop's start to its end";
}

TEST(Mix, NotesRingingPastTheEndContinueAtTheStart) {
    Mix mix(kBarFrames);
    addBell(mix, kBarFrames - 1000, 69, 0.5, 0.0);
    double head = 0.0;
    for (size_t i = 0; i < 2000; ++i) head = std::max(head, static_cast<double>(std::fabs(mix.left[i])));
    EXPECT_GT(head, 0.1);
}

TEST(Song, FormCoversEveryBarOnceAtASteadyTempo) {
    const auto& sections = songSections();
    ASSERT_EQ(sections.size(), 6u);
    int next = 0;
    for (const auto& s : sections) {
        EXPECT_EQ(s.firstBar, next) << s.name;
        EXPECT_GT(s.bars, 0) << s.name;
        next = s.firstBar + s.bars;
    }
    EXPECT_EQ(next, kSongBars);
    EXPECT_EQ(kBeatFrames * kTempoBpm, 44100 * 60);
    const double seconds = static_cast<double>(kSongFrames) / kSampleRate;
    EXPECT_GE(seconds, 120.0);
    EXPECT_LE(seconds, 240.0);
}

TEST(Song, MasteredTrackNeverClipsAndLoopsWithoutASeam) {
    const auto& track = theTrack();
    ASSERT_EQ(track.size(), static_cast<size_t>(2 * kSongFrames));
    EXPECT_LE(peakOf(track), 0.75);
    // The step from the last frame to the first is no bigger than the steps around it.
    double largestNearby = 0.0;
    const size_t n = static_cast<size_t>(kSongFrames);
    for (size_t i = n - 2000; i < n; ++i)
        for (size_t c = 0; c < 2; ++c)
            largestNearby = std::max(largestNearby, static_cast<double>(std::fabs(track[2 * i + c] - track[2 * (i - 1) + c])));
    for (size_t c = 0; c < 2; ++c) EXPECT_LE(std::fabs(track[c] - track[2 * (n - 1) + c]), largestNearby);
    // The last bars and the first bars sit at the same level.
    const double end = rmsOf(track, n - static_cast<size_t>(4 * kBarFrames), static_cast<size_t>(4 * kBarFrames));
    const double start = rmsOf(track, 0, static_cast<size_t>(4 * kBarFrames));
    EXPECT_LT(std::fabs(20.0 * std::log10(end / start)), 1.5);
}

TEST(Song, DropsAreLouderThanTheBreakdownAndTheIntro) {
    const auto& track = theTrack();
    const auto sectionRms = [&](int firstBar, int bars) {
        return rmsOf(track, static_cast<size_t>(firstBar * kBarFrames), static_cast<size_t>(bars * kBarFrames));
    };
    const auto& s = songSections();
    const double intro = sectionRms(s[0].firstBar, s[0].bars);
    const double drop = sectionRms(s[2].firstBar, s[2].bars);
    const double breakdown = sectionRms(s[3].firstBar, s[3].bars);
    const double secondDrop = sectionRms(s[4].firstBar, s[4].bars);
    EXPECT_GT(drop, 1.4 * breakdown);
    EXPECT_GT(secondDrop, 1.4 * breakdown);
    EXPECT_GT(drop, 1.4 * intro);
}

TEST(Song, EveryDropBeatStartsWithASubBassKick) {
    const auto& track = theTrack();
    const int bar = songSections()[2].firstBar + 1;
    for (int beat = 0; beat < 4; ++beat) {
        // Mono energy below about 100 Hz just after the beat against just before it.
        const auto lowEnergy = [&](int64_t from) {
            Biquad lp1 = Biquad::lowPass(100.0, 0.7), lp2 = Biquad::lowPass(100.0, 0.7);
            double sum = 0.0;
            for (int64_t i = from - 4000; i < from + 2000; ++i) {
                const size_t k = static_cast<size_t>(i);
                const double y = lp2.run(lp1.run(0.5 * (track[2 * k] + track[2 * k + 1])));
                if (i >= from) sum += y * y;
            }
            return sum;
        };
        const int64_t at = bar * kBarFrames + beat * kBeatFrames;
        EXPECT_GT(lowEnergy(at + 400), 4.0 * lowEnergy(at - 4000)) << "beat " << beat;
    }
}

namespace {
struct Spectrum {
    float s[kSpectrumBands] = {};
};
}  // namespace

TEST(CourseCounter, TalliesWhereTheShowsSelectorsLandEachFrame) {
    {
        CourseCounter spent;
        Spectrum lowMid;
        for (int k = 1; k <= 20; ++k) lowMid.s[k] = 0.9f;
        for (int i = 0; i < 3; ++i) spent.addFrame(lowMid.s);
    }
    CourseCounter c;  // starts again from the show's initial values
    Spectrum quiet, bass, bright;
    bass.s[1] = 0.4f;
    bright.s[44] = bright.s[45] = bright.s[46] = 0.5f;
    c.addFrame(quiet.s);   // scene 0, colour 2, picture 0
    c.addFrame(bass.s);    // scene 3
    c.addFrame(bass.s);    // scene 2
    c.addFrame(bass.s);    // scene 1
    c.addFrame(bright.s);  // scene 1, picture 2
    const CourseStats& s = c.stats();
    EXPECT_EQ(s.frames, 5);
    EXPECT_EQ(s.colourSelector[2], 5);
    EXPECT_EQ(s.sceneSelector[0], 1);
    EXPECT_EQ(s.sceneSelector[1], 2);
    EXPECT_EQ(s.sceneSelector[2], 1);
    EXPECT_EQ(s.sceneSelector[3], 1);
    EXPECT_EQ(s.pattern, 2);
    EXPECT_EQ(s.rotating, 3);
    EXPECT_EQ(s.pictureWhileRotating[0], 2);
    EXPECT_EQ(s.pictureWhileRotating[2], 1);
}

TEST(CourseCounter, PeaksCountFramesAndSeparateRunsAndLeaveTheSceneCounts) {
    CourseCounter c;
    Spectrum calm, cut;
    cut.s[256] = 0.8f;
    const Spectrum* sequence[] = {&calm, &cut, &cut, &calm, &cut, &calm};
    for (const Spectrum* s : sequence) c.addFrame(s->s);
    EXPECT_EQ(c.stats().peakFrames, 3);
    EXPECT_EQ(c.stats().peakRuns, 2);
    EXPECT_EQ(c.stats().rotating, 3);
    EXPECT_EQ(c.stats().pictureWhileRotating[0], 3);
    EXPECT_EQ(c.stats().sceneSelector[0], 6) << "a peak frame still has a scene selector value";
    Spectrum mid;
    mid.s[128] = 0.79f;
    mid.s[64] = 0.79f;
    EXPECT_FALSE(c.addFrame(mid.s));
}

TEST(CourseCounter, TargetsNameEachMiss) {
    CourseStats s;
    s.frames = 1000;
    s.sceneSelector[0] = 1000;
    s.colourSelector[2] = 1000;
    s.rotating = 1000;
    s.pictureWhileRotating[0] = 1000;
    const auto misses = checkShowTargets(s);
    // Scenes 1..3, pattern share, colours 0,1,3,4, pictures 1,2, peak share, peak runs.
    EXPECT_EQ(misses.size(), 3u + 1u + 4u + 2u + 1u + 1u);
    CourseStats good;
    good.frames = 10000;
    for (int v = 0; v < 4; ++v) good.sceneSelector[v] = 2500;
    for (int v = 0; v < 5; ++v) good.colourSelector[v] = 2000;
    good.rotating = 4900;
    good.pattern = 4900;
    for (int v = 0; v < 3; ++v) good.pictureWhileRotating[v] = 1633;
    good.peakFrames = 200;
    good.peakRuns = 40;
    EXPECT_TRUE(checkShowTargets(good).empty());
}
