#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "audio/spectrum_analyser.h"

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

double expected(double band, int k, double level) {
    const double hp = k / std::sqrt(double(k) * k + 16.0);
    const double hf = 1.0 + std::pow(k / 96.0, 3.0);
    return std::min(1.0, 0.85 * band * hp * hf / level);
}

TEST(SpectrumAnalyser, ShapingFollowsLoudnessHighPassAndTrebleLift) {
    AnalyserState state;
    EXPECT_EQ(state.power, 0.04);
    const std::vector<float> window(kAnalysisWindow, 0.5f);   // RMS 0.5
    std::vector<float> bands(kSpectrumBands, 0.01f);
    std::vector<float> s(kSpectrumBands);
    shapeBands(state, window.data(), bands.data(), 5.0, s.data());
    const double p = 0.04 + (1.0 - std::exp(-1.0)) * (0.25 - 0.04);
    EXPECT_NEAR(state.power, p, 1e-12);
    EXPECT_EQ(s[0], 0.0f);   // no high-pass at DC
    for (int k : {1, 4, 96, 200, 300, 511})
        EXPECT_NEAR(s[k], expected(0.01, k, std::sqrt(p)), 1e-6) << "band " << k;
    EXPECT_NEAR(s[96] / s[48], 2.0 * (96 / std::sqrt(96.0 * 96 + 16)) / ((1 + 0.125) * (48 / std::sqrt(48.0 * 48 + 16))), 1e-5);
    EXPECT_EQ(s[511], 1.0f);   // the lift saturates at 1
}

TEST(SpectrumAnalyser, LoudnessHasAFloorAndIgnoresTimeStandingStill) {
    AnalyserState state;
    const std::vector<float> silence(kAnalysisWindow, 0.0f);
    std::vector<float> bands(kSpectrumBands, 0.001f);
    std::vector<float> s(kSpectrumBands);
    shapeBands(state, silence.data(), bands.data(), 0.0, s.data());
    EXPECT_EQ(state.power, 0.04);
    shapeBands(state, silence.data(), bands.data(), -3.0, s.data());
    EXPECT_EQ(state.power, 0.04);
    shapeBands(state, silence.data(), bands.data(), 1000.0, s.data());
    EXPECT_LT(state.power, 1e-12);
    EXPECT_NEAR(s[64], expected(0.001, 64, 0.025), 1e-6);   // quiet passages are lifted only down to 0.025
    state.power = 7.0;
    resetAnalyser(state);
    EXPECT_EQ(state.power, 0.04);
}

// Loudness adapts over seconds: after a loud passage a quiet tone reads low,
// then rises as the loudness follows it down.
TEST(SpectrumAnalyser, RunningLoudnessAdaptsOverSeconds) {
    AnalyserState state;
    const auto loud = sine(64, 0.9);
    const auto quiet = sine(64, 0.09);
    std::vector<float> s(kSpectrumBands);
    for (int i = 0; i < 60 * 60; ++i) analyseSpectrum(state, loud.data(), 1.0 / 60, s.data());
    EXPECT_NEAR(state.power, 0.9 * 0.9 / 2, 1e-4);
    analyseSpectrum(state, quiet.data(), 1.0 / 60, s.data());
    EXPECT_NEAR(s[64], expected(0.09, 64, std::sqrt(state.power)), 1e-5);
    EXPECT_LT(s[64], 0.2f);
    for (int i = 0; i < 60 * 5; ++i) analyseSpectrum(state, quiet.data(), 1.0 / 60, s.data());
    EXPECT_GT(s[64], 0.2f);
    for (int i = 0; i < 60 * 55; ++i) analyseSpectrum(state, quiet.data(), 1.0 / 60, s.data());
    EXPECT_EQ(s[64], 1.0f);
}

}  // namespace
