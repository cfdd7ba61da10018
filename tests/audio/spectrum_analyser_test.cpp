#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>
#include <vector>

#include "audio/spectrum_analyser.h"
#include "output/pixel_formulas.h"
#include "scenes/rotating_scene.h"
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
    const AnalyserState& state() const { return state_; }

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
    int64_t turningPicture[3] = {};   // PictureSelector where the turning scene draws it
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
        if (!peak && SceneSelector <= 1) ++c.turningPicture[PictureSelector];
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
// and at most a handful of selector changes from the second second on.
TEST(SpectrumAnalyserSanity, SteadySignalsMakeNoCutsAndHardlyMoveTheSelectors) {
    struct Case { const char* what; std::function<double(int64_t)> sample; };
    std::vector<Case> cases = {{"silence", [](int64_t) { return 0.0; }}};
    for (double hz : {43.07, 86.13, 646.0, 1938.0, 2756.0, 5512.0, 11025.0, 440.0})
        for (double a : {0.001, 0.1, 0.9})
            cases.push_back({"sine", [hz, a](int64_t n) { return tone(n, hz, a); }});
    for (double a : {0.003, 0.3})
        cases.push_back({"white noise", [a](int64_t n) { return noise(n, a); }});
    for (size_t i = 0; i < cases.size(); ++i) {
        const Course c = runCourse(cases[i].sample, 20.0, 2.0);
        EXPECT_EQ(c.peaks, 0) << cases[i].what << " case " << i;
        EXPECT_LE(c.changes, 5) << cases[i].what << " case " << i << ": scene " << c.changed[0] << ", colour "
                                << c.changed[1] << ", picture " << c.changed[2];
        // The turning picture stays on the one it starts on, the darkest: a
        // step would light the show in steady sound.
        EXPECT_EQ(c.turningPicture[0], c.frames) << cases[i].what << " case " << i;
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
    for (int v = 0; v < 4; ++v) EXPECT_NEAR(share(quiet.scene[v], quiet.frames), share(loud.scene[v], loud.frames), 8.0) << "scene " << v;
    for (int v = 0; v < 5; ++v) EXPECT_NEAR(share(quiet.colour[v], quiet.frames), share(loud.colour[v], loud.frames), 8.0) << "colour " << v;
    // Holds step the picture on every frame they last (it does not show then),
    // so where the picture stands after a hold is as good as random: each
    // keeps a fair share rather than the same share.
    for (int v = 0; v < 3; ++v) EXPECT_GT(share(quiet.picture[v], quiet.frames), 10.0) << "picture " << v;
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

// A cut lasts two frames at 60 fps, so a show at 30 fps sees every one of
// them, once; and it comes at most twice a second, however dense the clangs.
TEST(SpectrumAnalyser, CutsAreShortAndSpacedOut) {
    auto clangs = [](int64_t n) {
        const double t = std::fmod(static_cast<double>(n) / 44100.0, 0.1);   // ten clangs a second
        return 0.02 * noise(n, 1.0) + 0.5 * std::exp(-t * 80.0) * std::sin(2.0 * std::numbers::pi * 5512.0 * static_cast<double>(n) / 44100.0);
    };
    std::vector<float> s(kSpectrumBands);
    auto peakAt = [&](Heard& heard, int64_t position) {
        heard.spectrumAt(position, s.data());
        return s[64] >= 0.8f || s[128] >= 0.8f || s[256] >= 0.8f;
    };
    Heard at60(clangs), at30(clangs);
    std::vector<int> starts, lengths;
    int run = 0;
    for (int n = 0; n < 60 * 10; ++n) {
        const bool peak = peakAt(at60, static_cast<int64_t>(n) * 735);
        if (peak && run == 0) starts.push_back(n);
        if (!peak && run > 0) lengths.push_back(run);
        run = peak ? run + 1 : 0;
    }
    EXPECT_GE(starts.size(), 8u);
    for (int length : lengths) EXPECT_EQ(length, 2);
    int seenAt30 = 0;
    bool before = false;
    for (int n = 0; n < 30 * 10; ++n) {
        const bool peak = peakAt(at30, static_cast<int64_t>(n) * 1470);
        EXPECT_FALSE(peak && before) << "a cut on two frames running at 30 fps";
        seenAt30 += peak;
        before = peak;
    }
    EXPECT_EQ(seenAt30, static_cast<int>(starts.size()));
    // A cut spends two of the second's flash budget.
    for (size_t i = 2; i < starts.size(); ++i) EXPECT_GE(starts[i] - starts[i - 2], 60) << "three cuts within one second";
}

// On music, each selector band crosses its threshold only as single-frame
// steps a few tenths of a second apart; band 1 otherwise rests below 0.3 or
// holds the pattern scene above 0.5 through the loud stretches, about half
// of the time, and never lingers between the two, where every frame would
// step the scene again.
TEST(SpectrumAnalyser, SelectorBandsStepOnceAndBandOneHoldsHalfTheTime) {
    Heard heard([](int64_t n) { return music(n, 1.0); });
    resetSelectors();
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
        computeSpectrumFeatures(s.data());
        updateSelectors();
        if (n < 60 * 3) continue;
        ++frames;
        held += s[1] > 0.5f;
        track(scene, s[1] > 0.3f && s[1] <= 0.5f, n);
        track(colour, mean0to20 > 0.3, n);
        // While the pattern scene is sure to be drawn (a hold, and after one
        // until the next scene step), the picture does not show and 44..46 stay up.
        if (SceneSelector == 0 || SceneSelector == 1) track(picture, (s[44] + s[45] + s[46]) / 3.0 > 0.1, n);
    }
    for (const Steps* st : {&scene, &colour, &picture}) {
        // The flash budget shares each second among them; the picture lingers
        // on its brightest and steps least.
        EXPECT_GT(st->count, st == &picture ? 1 : 5);
        EXPECT_EQ(st->longest, 1);
        EXPECT_GE(st->closest, 9);   // 0.15 s apart at least
    }
    EXPECT_GT(held, frames / 6);   // the flash budget and the stricter liveliness of a hold leave fewer
    EXPECT_LT(held, frames * 3 / 4);
}

// The same stand-in music, gated: silent for `gap` seconds from `from` on.
double gapped(int64_t n, double from, double gap) {
    const double t = static_cast<double>(n) / 44100.0;
    return t >= from && t < from + gap ? 0.0 : music(n, 1.0);
}

bool saturatedRed(uint32_t pixel) {
    auto lin = [](uint32_t byte) {
        const double c = static_cast<double>(byte) / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const double r = lin((pixel >> 16) & 255u), g = lin((pixel >> 8) & 255u), b = lin(pixel & 255u);
    return r - g - b > 0.0 && r / (r + g + b) >= 0.8;
}

// No spectrum the analyser hands out lets a trail pixel or a colour-row pixel
// of mappings 0 and 3 count as saturated red, for any scene or trail value,
// unless its red byte is 3 or less (a red value under 0.3: sixty such frames
// still add up to less than one red transition).
TEST(SpectrumAnalyserRed, NoSpectrumGivesASaturatedRedPixel) {
    struct Case { const char* what; std::function<double(int64_t)> sample; };
    const std::vector<Case> cases = {
        {"music", [](int64_t n) { return music(n, 1.0); }},
        {"quiet music", [](int64_t n) { return music(n, 0.01); }},
        {"gap", [](int64_t n) { return gapped(n, 5.0, 3.0); }},
        {"bass sine", [](int64_t n) { return tone(n, 43.07, 0.9); }},
        {"noise bursts at 8 Hz", [](int64_t n) { return std::fmod(static_cast<double>(n) / 44100.0, 0.125) < 0.0625 ? noise(n, 0.5) : 0.0; }},
    };
    for (const Case& c : cases) {
        Heard heard(c.sample);
        std::vector<float> s(kSpectrumBands);
        int checked = 0;
        for (int n = 0; n < 60 * 12; n += 3) {
            heard.spectrumAt(static_cast<int64_t>(n) * 735, s.data());
            // Silence before anything moved reads all zero: the show stands still
            // on its dark start, and a still frame cannot flash.
            if (std::all_of(s.begin(), s.end(), [](float v) { return v == 0.0f; })) {
                ++checked;
                continue;
            }
            computeSpectrumFeatures(s.data());
            const ColourFactors k = colourFactorsOf(SpectrumFeatures);
            for (const double inv : {static_cast<double>(SpectrumFeatures.inv44to46), 0.5 * SpectrumFeatures.inv44to46}) {
                for (int32_t t = 0; t <= 255; ++t) {
                    const uint32_t p = trailPixel(t, inv, SpectrumFeatures.bin1, SpectrumFeatures.bin2);
                    ASSERT_FALSE(saturatedRed(p) && ((p >> 16) & 255u) > 3u) << c.what << " frame " << n << " trail " << t;
                }
            }
            for (int32_t scene = 0; scene <= 255; ++scene) {
                int32_t in = scene, trail = 0;
                uint32_t out = 0;
                mapPixel<0>(k, &in, &out, &trail, 0);
                ASSERT_FALSE(saturatedRed(out) && ((out >> 16) & 255u) > 3u) << c.what << " frame " << n << " mapping 0, scene " << scene;
                mapPixel<3>(k, &in, &out, &trail, 0);
                ASSERT_FALSE(saturatedRed(out) && ((out >> 16) & 255u) > 3u) << c.what << " frame " << n << " mapping 3, scene " << scene;
            }
            ++checked;
        }
        EXPECT_EQ(checked, 240);
    }
}

// Digital silence and noise at -60 dBFS RMS leave the show where it starts,
// on its dark turning picture: no step, no cut, every colour factor near 0.
TEST(SpectrumAnalyserQuiet, SilenceAndFaintNoiseStayDarkAndStill) {
    const double uniformAtMinus60 = 0.001 * std::sqrt(3.0);   // RMS a / sqrt(3)
    for (double a : {0.0, uniformAtMinus60, uniformAtMinus60 / 10.0}) {
        const Course c = runCourse([a](int64_t n) { return noise(n, a); }, 12.0, 1.0);
        EXPECT_EQ(c.changes, 0) << "noise " << a;
        EXPECT_EQ(c.peaks, 0) << "noise " << a;
        EXPECT_EQ(c.scene[0], c.frames) << "noise " << a;
        Heard heard([a](int64_t n) { return noise(n, a); });
        std::vector<float> s(kSpectrumBands);
        for (int n = 60; n < 60 * 6; ++n) {
            heard.spectrumAt(static_cast<int64_t>(n) * 735, s.data());
            computeSpectrumFeatures(s.data());
            const SpectrumFeatureSet& f = SpectrumFeatures;
            // bin2 is left out: it rises with the trail's red (see the red test), and the trail is dark here.
            ASSERT_LT(std::max({f.bin1, f.bin51, f.mean14to16, f.bin256}), 0.02f) << "noise " << a << " frame " << n;
            ASSERT_LT(f.mean0to20, 0.05f) << "noise " << a << " frame " << n;
        }
    }
}

// A 3-s gap between songs goes dark within a second wherever the selectors
// stand (44..46 take the trail's red, every other factor falls with the
// level), and the music lights the show again as soon as it is back.
TEST(SpectrumAnalyserQuiet, AGapBetweenSongsGoesDarkAndComesBack) {
    Heard heard([](int64_t n) { return gapped(n, 10.0, 3.0); });
    std::vector<float> s(kSpectrumBands);
    double litAfter = 0.0;
    for (int n = 0; n < 60 * 15; ++n) {
        heard.spectrumAt(static_cast<int64_t>(n) * 735, s.data());
        computeSpectrumFeatures(s.data());
        const SpectrumFeatureSet& f = SpectrumFeatures;
        if (n >= 60 * 11 && n < 60 * 13) {
            ASSERT_LT(std::max({f.inv44to46, f.bin1, f.bin2, f.bin51, f.mean0to20, f.bin256}), 0.02f) << "frame " << n;
        }
        if (n >= 60 * 13 + 30 && n < 60 * 14) litAfter = std::max(litAfter, static_cast<double>(f.bin51));
    }
    EXPECT_GT(litAfter, 0.5);
}

// Quiet music whose level wavers about the point where the show is fully lit
// (3 times a second, 4 dB either way) brightens the frame a little at a time:
// band 1 at rest (the trail's green, scaled by how lit the frame is) rises by
// no more than 1.5 a second of its full value, so the frame cannot pulse with
// the notes; it still falls with the level at once.
TEST(SpectrumAnalyserQuiet, QuietMusicAboutTheGateDoesNotPulseTheFrame) {
    Heard heard([](int64_t n) {
        const double t = static_cast<double>(n) / 44100.0;
        return music(n, std::pow(10.0, (-41.0 + 4.0 * std::sin(2.0 * std::numbers::pi * 3.0 * t)) / 20.0));
    });
    std::vector<float> s(kSpectrumBands);
    float before = 0.0f, mostRise = 0.0f, mostFall = 0.0f;
    for (int n = 0; n < 60 * 20; ++n) {
        heard.spectrumAt(static_cast<int64_t>(n) * 735, s.data());
        if (n > 0 && before < 0.3f && s[1] < 0.3f) {
            mostRise = std::max(mostRise, s[1] - before);
            mostFall = std::max(mostFall, before - s[1]);
        }
        before = s[1];
    }
    // Two hops can fall within one frame.
    EXPECT_LE(mostRise, 0.29f * 1.5f * 2.0f * 512.0f / 44100.0f + 1e-4f);
    EXPECT_GT(mostFall, 0.02f);   // the level does waver across the gate
}

// Scene changes and cuts are earned by the music's onsets: sparse music (a
// plucked bass note and chord every 1.5 s) changes scene at most every two
// seconds and cuts rarely; the busy stand-in changes scene more often.
TEST(SpectrumAnalyserCalm, SceneChangesFollowTheOnsetDensity) {
    auto sparse = [](int64_t n) {
        const double t = static_cast<double>(n) / 44100.0;
        const double since = std::fmod(t, 1.5);
        const double note = std::fmod(std::floor(t / 1.5), 4.0);
        const double f = 55.0 * std::pow(2.0, note / 12.0 * 5.0);
        return 0.5 * std::exp(-since * 2.0) *
               (std::sin(2.0 * std::numbers::pi * f * t) + 0.3 * std::sin(2.0 * std::numbers::pi * 4.0 * f * t) + 0.2 * std::sin(2.0 * std::numbers::pi * 6.0 * f * t));
    };
    const Course calm = runCourse(sparse, 60.0);
    const Course busy = runCourse([](int64_t n) { return music(n, 1.0); }, 60.0);
    const double seconds = static_cast<double>(calm.frames) / 60.0;
    EXPECT_LE(static_cast<double>(calm.changed[0]) / seconds, 0.5);
    EXPECT_GT(busy.changed[0], calm.changed[0] + 10);
    EXPECT_LE(static_cast<double>(calm.peaks) / seconds, 0.3);
}

// Dense music over a bass that hardly moves (a held drone, as in much loud
// rock, where the bass's own onsets are few) still changes scene with its
// onsets: the snare and hats earn scene changes as a kick would, and the
// turning picture and the pattern take turns often.
TEST(SpectrumAnalyserCalm, DenseMusicOverASteadyBassChangesSceneWithItsOnsets) {
    auto dense = [](int64_t n) {
        const double t = static_cast<double>(n) / 44100.0;
        const double hit = std::fmod(t, 0.25), hat = std::fmod(t + 0.125, 0.25);
        return 0.4 * std::sin(2.0 * std::numbers::pi * 55.0 * t) + 0.3 * std::exp(-hit * 30.0) * noise(n, 1.0) +
               0.1 * std::exp(-hat * 90.0) * noise(n + 7, 1.0);
    };
    const Course c = runCourse(dense, 60.0);
    const double seconds = static_cast<double>(c.frames) / 60.0;
    EXPECT_GE(static_cast<double>(c.changed[0]) / seconds, 0.6);
    for (int v = 0; v < 4; ++v) EXPECT_GT(c.scene[v], c.frames / 10) << "SceneSelector " << v;
}

// The turning scene lingers on its brightest picture, and still shows each
// of the others on more than a tenth of its frames.
TEST(SpectrumAnalyserCalm, TheTurningPictureLingersOnTheBrightestAndShowsEveryOne) {
    const Course c = runCourse([](int64_t n) { return music(n, 1.0); }, 120.0);
    const int64_t turning = c.turningPicture[0] + c.turningPicture[1] + c.turningPicture[2];
    ASSERT_GT(turning, 60 * 20);
    for (int p = 0; p < kPictureSelectorCount; ++p) {
        EXPECT_GT(c.turningPicture[p], turning / 10) << "picture " << p;
        if (p != kBrightestPicture) {
            EXPECT_GT(c.turningPicture[kBrightestPicture], c.turningPicture[p]) << "picture " << p;
        }
    }
}

// Music whose bass never jumps (a held drone under a high tapping figure)
// still shows every colour mapping: a colour that has stood a few seconds
// gives way to the next onset of any kind. With bass onsets alone to step
// it, the colour would stay where it started for the whole piece.
TEST(SpectrumAnalyserCalm, MusicWithoutBassOnsetsStillShowsEveryColour) {
    auto tapping = [](int64_t n) {
        const double t = static_cast<double>(n) / 44100.0, tap = std::fmod(t, 0.3);
        return 0.4 * std::sin(2.0 * std::numbers::pi * 55.0 * t) + 0.2 * std::exp(-tap * 40.0) * std::sin(2.0 * std::numbers::pi * 6000.0 * t);
    };
    const Course c = runCourse(tapping, 90.0);
    EXPECT_GE(c.changed[1], 8);
    for (int v = 0; v < 5; ++v) EXPECT_GT(c.colour[v], c.frames / 12) << "ColourSelector " << v;
}

// Calm music (a held chord and a note every 7 s) does not sit on a
// near-black picture between its onsets: a darker picture that has had its
// share gives way within a few seconds, and the brightest keeps the most.
// Waiting for the next onset, the darker two would stand 14 s at a time.
TEST(SpectrumAnalyserCalm, ADarkerPictureGivesWayInCalmMusic) {
    Heard heard([](int64_t n) {
        const double t = static_cast<double>(n) / 44100.0, note = std::fmod(t, 7.0);
        return 0.1 * (std::sin(2.0 * std::numbers::pi * 220.0 * t) + std::sin(2.0 * std::numbers::pi * 330.0 * t)) +
               0.3 * std::exp(-note * 3.0) * (std::sin(2.0 * std::numbers::pi * 880.0 * t) + 0.5 * std::sin(2.0 * std::numbers::pi * 1760.0 * t));
    });
    resetSelectors();
    std::vector<float> s(kSpectrumBands);
    int longestDarker = 0, darker = 0, turning = 0, brightest = 0;
    for (int n = 0; n < 60 * 90; ++n) {
        heard.spectrumAt(static_cast<int64_t>(n) * 735, s.data());
        computeSpectrumFeatures(s.data());
        updateSelectors();
        // Until the first note the chord is steady sound, which moves nothing.
        if (n < 60 * 8 || isPeakFrame() || SceneSelector > 1) {
            darker = 0;
            continue;
        }
        ++turning;
        brightest += PictureSelector == kBrightestPicture;
        darker = PictureSelector == kBrightestPicture ? 0 : darker + 1;
        longestDarker = std::max(longestDarker, darker);
    }
    ASSERT_GT(turning, 60 * 20);
    EXPECT_LE(longestDarker, 60 * 5) << turning << " turning frames, " << brightest << " on the brightest";
    EXPECT_GT(brightest, turning / 2);
}

// In the pattern's colours the highs set the hue against their usual level:
// when a ringing treble comes in, the trail warms (more red: yellow); once it
// has rung for a while it is the usual again, and the trail cools back (the
// colour moves a little at a time: it takes seconds).
// Elsewhere the trail keeps its red (44..46 under the picture threshold).
TEST(SpectrumAnalyserColour, ThePatternsColoursFollowTheHighs) {
    auto bassOnly = [](int64_t n) {
        const double t = static_cast<double>(n) / 44100.0, beat = std::fmod(t, 0.5);
        return 0.6 * std::exp(-beat * 18.0) * std::sin(2.0 * std::numbers::pi * (45.0 + 60.0 * std::exp(-beat * 30.0)) * beat) +
               0.2 * std::sin(2.0 * std::numbers::pi * (std::fmod(std::floor(t / 2.0), 2.0) ? 82.4 : 98.0) * t);
    };
    // The treble rings from 20 s on.
    Heard heard([&](int64_t n) { return bassOnly(n) + (n >= 20 * 44100 ? 0.05 * std::sin(2.0 * std::numbers::pi * 1980.0 * static_cast<double>(n) / 44100.0) : 0.0); });
    std::vector<float> s(kSpectrumBands);
    struct Stretch { double red = 0.0; int frames = 0; } before, entering, after;
    int elsewhere = 0, redElsewhere = 0;
    for (int n = 60 * 3; n < 60 * 70; ++n) {
        heard.spectrumAt(static_cast<int64_t>(n) * 735, s.data());
        const double red = 1.0 - (s[44] + s[45] + s[46]) / 3.0;
        if (s[1] <= 0.5f) {
            ++elsewhere;
            redElsewhere += red >= 0.9;
            continue;
        }
        Stretch* st = n < 60 * 20 ? &before : n < 60 * 32 ? &entering : n >= 60 * 52 ? &after : nullptr;
        if (st) {
            st->red += red;
            ++st->frames;
        }
    }
    for (Stretch* st : {&before, &entering, &after}) {
        ASSERT_GT(st->frames, 30);
        st->red /= st->frames;
    }
    EXPECT_GT(redElsewhere, elsewhere * 9 / 10);
    EXPECT_GT(entering.red, before.red + 0.1) << entering.red << " " << before.red;
    EXPECT_LT(after.red, entering.red - 0.15) << after.red << " " << entering.red;
}

// Bands 44..46 rise above the picture threshold only where the pattern
// scene is sure to be drawn (a hold, and after one until the next scene
// step, with band 1 above 0.5 all along), so the turning picture never steps
// on two frames running, at any frame rate up to 60 fps. Were the pattern's
// colours kept past a scene step, or after a hold too short to be drawn, the
// picture would change on every frame.
TEST(SpectrumAnalyserFlash, ThePictureStepsOnceWhereverItIsDrawnAtAnyFrameRate) {
    for (const int fps : {60, 50, 30, 24, 10}) {
        // A gap in the music (the dark, where the picture steps unseen) and back.
        Heard heard([](int64_t n) { return gapped(n, 25.0, 3.0); });
        resetSelectors();
        std::vector<float> s(kSpectrumBands);
        int pictureSteps = 0, raisedAfterHold = 0;
        bool steppedBefore = false;
        for (int n = 0; n < fps * 40; ++n) {
            heard.spectrumAt(static_cast<int64_t>(n) * 44100 / fps, s.data());
            const int picture = PictureSelector;
            computeSpectrumFeatures(s.data());
            updateSelectors();
            const bool turning = SceneSelector == 0 || SceneSelector == 1;
            const bool stepped = turning && PictureSelector != picture;
            // At 60 fps every step shows on exactly one frame, so the scene
            // the analyser counts is the show's: a step from 3 it makes a jump
            // lands where the step would have.
            if (fps == 60) {
                ASSERT_EQ(heard.state().scene, SceneSelector) << "frame " << n;
                ASSERT_EQ(heard.state().picture, PictureSelector) << "frame " << n;
            }
            ASSERT_FALSE(stepped && steppedBefore) << fps << " fps, frame " << n;
            steppedBefore = stepped;
            pictureSteps += stepped;
            // After a hold the pattern's colours stay (band 1 keeps the scene at 2).
            raisedAfterHold += !heard.state().holding && s[1] > 0.5f && SpectrumFeatures.mean44to46 > 0.1f;
        }
        // Steps last one 60 fps frame's worth of samples: slower shows see some of them
        // (and the picture lingers on its brightest, so there are few).
        if (fps >= 50) {
            EXPECT_GT(pictureSteps, 2) << fps << " fps";
        }
        // The raise after a hold is no rare case: more than a second of the course has it.
        EXPECT_GT(raisedAfterHold, fps) << fps << " fps";
    }
}

// The flash budget: however the input strobes, the analyser changes the
// screen (a selector change, a cut's start or end) on at most kFlashBudget
// frames in any second at 60 fps.
TEST(SpectrumAnalyserFlash, NoSecondHoldsMoreChangesThanTheBudget) {
    struct Case { const char* what; std::function<double(int64_t)> sample; };
    std::vector<Case> cases;
    for (double hz : {2.0, 4.0, 8.0, 12.0, 20.0})
        cases.push_back({"gated noise", [hz](int64_t n) {
                             return std::fmod(static_cast<double>(n) / 44100.0 * hz, 1.0) < 0.5 ? noise(n, 0.5) : 0.0;
                         }});
    cases.push_back({"kick at 240 BPM", [](int64_t n) {
                         const double t = std::fmod(static_cast<double>(n) / 44100.0, 0.25);
                         return 0.9 * std::exp(-t * 30.0) * std::sin(2.0 * std::numbers::pi * 50.0 * t) + 0.3 * std::exp(-t * 80.0) * noise(n, 1.0);
                     }});
    for (double hz : {6.0, 10.0})
        cases.push_back({"music with square tremolo", [hz](int64_t n) {
                             return std::fmod(static_cast<double>(n) / 44100.0 * hz, 1.0) < 0.5 ? music(n, 1.0) : 0.0;
                         }});
    // Music whose level wavers, 8 dB either way over 1.5 s, about the point
    // where the show is fully lit.
    for (double db : {-30.0, -34.0, -38.0, -42.0})
        cases.push_back({"music wavering about full presence", [db](int64_t n) {
                             const double t = static_cast<double>(n) / 44100.0;
                             return music(n, std::pow(10.0, (db + 8.0 * std::sin(2.0 * std::numbers::pi * t / 1.5)) / 20.0));
                         }});
    for (const Case& c : cases) {
        Heard heard(c.sample);
        resetSelectors();
        std::vector<float> s(kSpectrumBands);
        std::vector<int> changes;
        bool wasPeak = false, wasPattern = false;
        int total = 0;
        for (int n = 0; n < 60 * 20; ++n) {
            heard.spectrumAt(static_cast<int64_t>(n) * 735, s.data());
            const int before[3] = {SceneSelector, ColourSelector, PictureSelector};
            computeSpectrumFeatures(s.data());
            updateSelectors();
            const bool peak = isPeakFrame();
            const bool moved = before[0] != SceneSelector || before[1] != ColourSelector || before[2] != PictureSelector;
            // The picture shows only in the turning scene (0 and 1): elsewhere it steps unseen.
            // On a black screen (the level gone: 44..46 at 1, so the trail has no red) nothing shows either.
            const bool black = s[44] >= 1.0f && s[45] >= 1.0f && s[46] >= 1.0f;
            const bool turning = SceneSelector == 0 || SceneSelector == 1;
            const bool seen = !black && (before[0] != SceneSelector || before[1] != ColourSelector || (moved && turning));
            // The pattern's colours (band 1 above 0.5) coming or going change it too.
            const bool pattern = s[1] > 0.5f;
            // A frame changes the screen once, whatever changed on it.
            changes.push_back(seen || peak != wasPeak || pattern != wasPattern ? 1 : 0);
            total += changes.back();
            wasPeak = peak;
            wasPattern = pattern;
        }
        EXPECT_GT(total, 0) << c.what;
        int most = 0;
        for (size_t end = 60; end <= changes.size(); ++end) {
            int inWindow = 0;
            for (size_t i = end - 60; i < end; ++i) inWindow += changes[i];
            most = std::max(most, inWindow);
        }
        EXPECT_LE(most, kFlashBudget) << c.what;
    }
}

}  // namespace
