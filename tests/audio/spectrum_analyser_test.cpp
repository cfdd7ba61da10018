#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>
#include <vector>

#include "audio/spectrum_analyser.h"
#include "scenes/spectrum_features.h"

namespace {

std::vector<float> sine(double cyclesPerWindow, double amplitude, double phase = 0.0) {
    std::vector<float> w(kAnalysisWindow);
    for (int n = 0; n < kAnalysisWindow; ++n)
        w[n] = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * cyclesPerWindow * n / kAnalysisWindow + phase));
    return w;
}

std::vector<float> bandsOf(const std::vector<float>& window) {
    std::vector<float> b(kSpectrumBands);
    measureBands(window.data(), b.data());
    return b;
}

// A sine centred on band k falls in k and, through the periodic Hann window,
// half as much in each neighbour and nothing further out.
TEST(SpectrumAnalyser, CentredSineReadsItsAmplitudeInItsBandAndHalfBeside) {
    for (int k : {1, 2, 17, 64, 128, 256, 500}) {
        for (double phase : {0.0, 1.0}) {
            const auto b = bandsOf(sine(k, 1.0, phase));
            EXPECT_NEAR(b[k], 1.0, 1e-4) << "band " << k;
            if (k - 1 > 0) {   // band 0 also takes the mirror image of band 1
                EXPECT_NEAR(b[k - 1], 0.5, 1e-4) << "band " << k;
            }
            if (k + 1 < kSpectrumBands) {
                EXPECT_NEAR(b[k + 1], 0.5, 1e-4) << "band " << k;
            }
            for (int j = 0; j < kSpectrumBands; ++j)
                if (std::abs(j - k) >= 2 && j > 0) {
                    ASSERT_LT(b[j], 1e-4) << "band " << k << " leaks into " << j;
                }
        }
    }
}

TEST(SpectrumAnalyser, MagnitudeScalesWithAmplitudeAndSilenceIsZero) {
    EXPECT_NEAR(bandsOf(sine(64, 0.25))[64], 0.25, 1e-5);
    const auto silent = bandsOf(std::vector<float>(kAnalysisWindow, 0.0f));
    for (float v : silent) ASSERT_EQ(v, 0.0f);
    // Constant input: the window's sum (512) times 2/512.
    EXPECT_NEAR(bandsOf(std::vector<float>(kAnalysisWindow, 0.5f))[0], 1.0, 1e-5);
}

// The show's analysis of a sample stream, frame by frame at `fps`, as the
// live library and the renderer run it: every hop up to the heard position,
// then the window before it.
class Heard {
public:
    explicit Heard(std::function<double(int64_t)> sample) : sample_(std::move(sample)) {}
    void spectrumAt(int64_t position, float* spectrum) {
        while (state_.nextHop <= position) takeInHop(state_, windowBefore(state_.nextHop));
        shapeSpectrum(state_, windowBefore(position), position, spectrum);
    }

private:
    const float* windowBefore(int64_t p) {
        for (int i = 0; i < kAnalysisWindow; ++i) {
            const int64_t at = p - kAnalysisWindow + i;
            window_[i] = at < 0 ? 0.0f : static_cast<float>(sample_(at));
        }
        return window_;
    }
    std::function<double(int64_t)> sample_;
    AnalyserState state_;
    float window_[kAnalysisWindow];
};

struct Course {
    int64_t frames = 0, changes = 0, peaks = 0;
    int64_t changed[3] = {};   // by selector: scene, colour, picture
    int64_t scene[4] = {}, colour[5] = {}, picture[3] = {};
};

// Runs the show's selectors over `seconds` at 60 fps and counts, after the
// first `settle` seconds, how often any selector changed and how many frames
// were peaks.
Course runCourse(std::function<double(int64_t)> sample, double seconds, double settle = 3.0) {
    Heard heard(std::move(sample));
    resetSelectors();
    Course c;
    std::vector<float> spectrum(kSpectrumBands);
    const int frames = static_cast<int>(seconds * 60);
    for (int n = 0; n < frames; ++n) {
        heard.spectrumAt(static_cast<int64_t>(n) * 735, spectrum.data());
        for (float v : spectrum) EXPECT_TRUE(v >= 0.0f && v <= 1.0f);
        const int before[3] = {SceneSelector, ColourSelector, PictureSelector};
        computeSpectrumFeatures(spectrum.data());
        updateSelectors();
        const bool peak = isPeakFrame();
        if (n < settle * 60) continue;
        ++c.frames;
        const int after[3] = {SceneSelector, ColourSelector, PictureSelector};
        for (int i = 0; i < 3; ++i) c.changed[i] += before[i] != after[i];
        c.changes += before[0] != after[0] || before[1] != after[1] || before[2] != after[2];
        c.peaks += peak;
        ++c.scene[SceneSelector];
        ++c.colour[ColourSelector];
        ++c.picture[PictureSelector];
    }
    return c;
}

double tone(int64_t n, double hz, double amplitude) { return amplitude * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(n) / 44100.0); }

// Deterministic white noise, uniform in -a..a.
double noise(int64_t n, double amplitude) {
    uint64_t x = static_cast<uint64_t>(n) * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull;
    x ^= x >> 31;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 29;
    return amplitude * (static_cast<double>(x >> 11) / 4503599627370496.0 - 1.0);
}

// Anything steady, whatever its level or pitch, leaves the show still: no cut
// and at most a handful of selector changes once the first seconds are past.
TEST(SpectrumAnalyserSanity, SteadySignalsMakeNoCutsAndHardlyMoveTheSelectors) {
    struct Case { const char* what; std::function<double(int64_t)> sample; };
    std::vector<Case> cases = {{"silence", [](int64_t) { return 0.0; }}};
    for (double hz : {43.07, 86.13, 646.0, 1938.0, 2756.0, 5512.0, 11025.0, 440.0})
        for (double a : {0.001, 0.1, 0.9})
            cases.push_back({"sine", [hz, a](int64_t n) { return tone(n, hz, a); }});
    for (double a : {0.003, 0.3})
        cases.push_back({"white noise", [a](int64_t n) { return noise(n, a); }});
    for (size_t i = 0; i < cases.size(); ++i) {
        const Course c = runCourse(cases[i].sample, 20.0);
        EXPECT_EQ(c.peaks, 0) << cases[i].what << " case " << i;
        EXPECT_LE(c.changes, 5) << cases[i].what << " case " << i << ": scene " << c.changed[0] << ", colour "
                                << c.changed[1] << ", picture " << c.changed[2];
    }
}

// A stand-in for music: a kick on every beat at 120 BPM, a bass note, hats
// and a bright clang every two bars, with a chord that changes each bar.
double music(int64_t n, double gain) {
    const double t = static_cast<double>(n) / 44100.0;
    const double beat = std::fmod(t, 0.5);
    const double bar = std::floor(t / 2.0);
    double x = 0.6 * std::exp(-beat * 18.0) * std::sin(2.0 * std::numbers::pi * (45.0 + 60.0 * std::exp(-beat * 30.0)) * beat);
    x += 0.2 * std::sin(2.0 * std::numbers::pi * (std::fmod(bar, 2.0) ? 82.4 : 98.0) * t);
    const double chord = std::fmod(bar, 3.0) == 0 ? 440.0 : std::fmod(bar, 3.0) == 1 ? 523.3 : 659.3;
    x += 0.08 * std::exp(-std::fmod(t, 2.0) * 1.5) * (std::sin(2.0 * std::numbers::pi * chord * t) + std::sin(2.0 * std::numbers::pi * 1.5 * chord * t));
    const double off = std::fmod(t + 0.25, 0.5);
    x += 0.15 * std::exp(-off * 60.0) * noise(n, 1.0);
    const double clang = std::fmod(t, 4.0);
    x += 0.3 * std::exp(-clang * 25.0) * (std::sin(2.0 * std::numbers::pi * 5512.0 * t) + std::sin(2.0 * std::numbers::pi * 2756.0 * t));
    return gain * x;
}

// The levels follow the music against its own recent history, so music 30 dB
// quieter drives the selectors and cuts nearly as it does at its own level.
TEST(SpectrumAnalyserSanity, QuietMusicDrivesTheShowAsLoudMusicDoes) {
    const Course loud = runCourse([](int64_t n) { return music(n, 1.0); }, 40.0);
    const Course quiet = runCourse([](int64_t n) { return music(n, std::pow(10.0, -30.0 / 20.0)); }, 40.0);
    EXPECT_GT(loud.changes, 50);   // about a step every half second: steps are spaced out on purpose
    EXPECT_GT(loud.peaks, 5);
    EXPECT_NEAR(static_cast<double>(quiet.peaks), static_cast<double>(loud.peaks), 2.0 + static_cast<double>(loud.peaks) / 10.0);
    auto share = [](int64_t part, int64_t whole) { return 100.0 * static_cast<double>(part) / static_cast<double>(whole); };
    for (int v = 0; v < 4; ++v) EXPECT_NEAR(share(quiet.scene[v], quiet.frames), share(loud.scene[v], loud.frames), 4.0) << "scene " << v;
    for (int v = 0; v < 5; ++v) EXPECT_NEAR(share(quiet.colour[v], quiet.frames), share(loud.colour[v], loud.frames), 4.0) << "colour " << v;
    for (int v = 0; v < 3; ++v) EXPECT_NEAR(share(quiet.picture[v], quiet.frames), share(loud.picture[v], loud.frames), 4.0) << "picture " << v;
}

// The state moves with the samples heard, not with the calls: the spectrum at
// a heard position is the same at every frame rate, bit for bit.
TEST(SpectrumAnalyser, TheSpectrumAtAPositionDoesNotDependOnTheFrameRate) {
    auto sample = [](int64_t n) { return music(n, 0.5); };
    Heard at60(sample), at7(sample), once(sample);
    std::vector<float> a(kSpectrumBands), b(kSpectrumBands), c(kSpectrumBands);
    int64_t p = 0;
    for (int n = 0; n <= 7 * 5; ++n) {
        p = n * 6300;   // 7 frames a second
        for (int64_t q = (n - 1) * 6300 + 735; n > 0 && q < p; q += 735) at60.spectrumAt(q, a.data());
        at60.spectrumAt(p, a.data());
        at7.spectrumAt(p, b.data());
        ASSERT_EQ(std::memcmp(a.data(), b.data(), sizeof(float) * kSpectrumBands), 0) << "position " << p;
    }
    once.spectrumAt(p, c.data());   // one call after five seconds of silence from the caller
    EXPECT_EQ(std::memcmp(a.data(), c.data(), sizeof(float) * kSpectrumBands), 0);
    AnalyserState state;
    takeInHop(state, sine(64, 0.5).data());
    resetAnalyser(state);
    EXPECT_EQ(state.nextHop, kAnalysisHop);
    EXPECT_EQ(state.cutBand, -1);
    EXPECT_EQ(state.overall, 0.0);
}

// A cut lasts about one frame and comes at most about three times a second,
// however dense the clangs.
TEST(SpectrumAnalyser, CutsAreShortAndSpacedOut) {
    Heard heard([](int64_t n) {
        const double t = std::fmod(static_cast<double>(n) / 44100.0, 0.1);   // ten clangs a second
        return 0.02 * noise(n, 1.0) + 0.5 * std::exp(-t * 80.0) * std::sin(2.0 * std::numbers::pi * 5512.0 * static_cast<double>(n) / 44100.0);
    });
    std::vector<float> s(kSpectrumBands);
    int runs = 0, longest = 0, run = 0;
    std::vector<int> starts;
    for (int n = 0; n < 60 * 10; ++n) {
        heard.spectrumAt(static_cast<int64_t>(n) * 735, s.data());
        const bool peak = s[64] >= 0.8f || s[128] >= 0.8f || s[256] >= 0.8f;
        if (peak && run == 0) starts.push_back(n);
        run = peak ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    runs = static_cast<int>(starts.size());
    EXPECT_GT(runs, 10);
    EXPECT_LE(longest, 2);
    for (size_t i = 3; i < starts.size(); ++i) EXPECT_GE(starts[i] - starts[i - 3], 60) << "four cuts within one second";
}

// On music, each selector band crosses its threshold only as single-frame
// steps a few tenths of a second apart; band 1 otherwise rests below 0.3 or
// holds the pattern scene above 0.5 through the loud stretches, about half
// of the time, and never lingers between the two, where every frame would
// step the scene again.
TEST(SpectrumAnalyser, SelectorBandsStepOnceAndBandOneHoldsHalfTheTime) {
    Heard heard([](int64_t n) { return music(n, 1.0); });
    std::vector<float> s(kSpectrumBands);
    int held = 0, frames = 0;
    struct Steps { int count = 0, longest = 0, run = 0, last = -1000, closest = 1000; } scene, colour, picture;
    auto track = [](Steps& st, bool above, int n) {
        if (above && st.run == 0) {
            ++st.count;
            st.closest = std::min(st.closest, n - st.last);
            st.last = n;
        }
        st.run = above ? st.run + 1 : 0;
        st.longest = std::max(st.longest, st.run);
    };
    for (int n = 0; n < 60 * 30; ++n) {
        heard.spectrumAt(static_cast<int64_t>(n) * 735, s.data());
        double mean0to20 = 0.0;
        for (int k = 20; k >= 0; --k) mean0to20 += s[k];
        mean0to20 /= 21.0;
        if (n < 60 * 3) continue;
        ++frames;
        held += s[1] > 0.5f;
        track(scene, s[1] > 0.3f && s[1] <= 0.5f, n);
        track(colour, mean0to20 > 0.3, n);
        track(picture, (s[44] + s[45] + s[46]) / 3.0 > 0.1, n);
    }
    for (const Steps* st : {&scene, &colour, &picture}) {
        EXPECT_GT(st->count, 10);
        EXPECT_EQ(st->longest, 1);
        EXPECT_GE(st->closest, 9);   // 0.15 s apart at least
    }
    EXPECT_GT(held, frames / 4);
    EXPECT_LT(held, frames * 3 / 4);
}

}  // namespace
