#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "audio/heard_spectrum.h"
#include "audio/spectrum_analyser.h"
#include "scenes/spectrum.h"

namespace {

// Stereo music-like samples: a bass that swells and a tone that comes and goes, so the
// analyser's steps, holds and cuts all move.
std::vector<float> stereoSamples(int frames) {
    std::vector<float> s(2 * static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        const double t = i / 44100.0;
        const double beat = std::fmod(t, 0.5) < 0.08 ? 0.9 : 0.2;
        const double bass = beat * std::sin(2 * M_PI * 60 * t);
        const double tone = (std::fmod(t, 1.3) < 0.4 ? 0.5 : 0.0) * std::sin(2 * M_PI * 3000 * t);
        s[2 * static_cast<size_t>(i)] = static_cast<float>(bass + tone);
        s[2 * static_cast<size_t>(i) + 1] = static_cast<float>(bass - 0.5 * tone);
    }
    return s;
}

bool sameBits(const float* a, const float* b) { return std::memcmp(a, b, kSpectrumBands * sizeof(float)) == 0; }

}  // namespace

TEST(HeardSpectrum, SameSamplesAtTheSamePositionGiveTheSameBitsHoweverTheyCame) {
    const std::vector<float> samples = stereoSamples(3 * 44100);
    auto wholesale = std::make_unique<HeardSpectrum>();
    auto trickled = std::make_unique<HeardSpectrum>();
    float a[kSpectrumBands], b[kSpectrumBands];
    int appended = 0;
    // One takes a second of samples at once and asks at 60 frames a second, the other
    // trickles them in odd-sized chunks and asks at 25; they meet at every whole second,
    // where the spectra must agree bit for bit. (The timeline keeps about 1.5 s, so
    // neither gets far ahead of what it asks for.)
    for (int second = 1; second <= 3; ++second) {
        wholesale->append(samples.data() + 2 * static_cast<size_t>(second - 1) * 44100, 44100, 2);
        for (int f = 60 * (second - 1) + 1; f < 60 * second; f += 7) wholesale->spectrumAt(static_cast<int64_t>(f) * 44100 / 60, a);
        const int64_t meet = static_cast<int64_t>(second) * 44100;
        while (appended < meet) {
            const int n = std::min(333, static_cast<int>(meet) - appended);
            trickled->append(samples.data() + 2 * static_cast<size_t>(appended), n, 2);
            appended += n;
            trickled->spectrumAt(static_cast<int64_t>(appended) * 25 / 44100 * 44100 / 25, b);
        }
        wholesale->spectrumAt(meet, a);
        trickled->spectrumAt(meet, b);
        ASSERT_TRUE(sameBits(a, b)) << "at second " << second;
    }
    // The music moved the spectrum: a silent comparison would prove nothing.
    float silence[kSpectrumBands];
    auto quiet = std::make_unique<HeardSpectrum>();
    quiet->spectrumAt(3 * 44100, silence);
    EXPECT_FALSE(sameBits(a, silence));
}

TEST(HeardSpectrum, RestartingTheAnalysisKeepsTheSamplesAndForgetsTheHistory) {
    const int frames = 44100;
    const std::vector<float> samples = stereoSamples(frames);
    auto played = std::make_unique<HeardSpectrum>();
    auto fresh = std::make_unique<HeardSpectrum>();
    played->append(samples.data(), frames, 2);
    fresh->append(samples.data(), frames, 2);
    float a[kSpectrumBands], b[kSpectrumBands];
    for (int64_t p = 0; p <= 30000; p += 735) played->spectrumAt(p, a);
    played->restartAnalysis();
    EXPECT_EQ(played->appended(), frames);
    played->spectrumAt(40000, a);
    fresh->spectrumAt(40000, b);
    EXPECT_TRUE(sameBits(a, b));

    played->reset();
    EXPECT_EQ(played->appended(), 0);
    float window[kAnalysisWindow];
    played->windowAt(40000, window);
    for (float v : window) ASSERT_EQ(v, 0.0f);   // the samples are gone with a reset
}
