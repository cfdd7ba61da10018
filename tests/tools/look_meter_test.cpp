#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tools/look/look_meter.h"

namespace {

// A surface whose band is filled by `band(x, row)` and whose rows outside the
// band hold white, which must never count.
std::vector<uint32_t> surface(uint32_t (*band)(int x, int row)) {
    std::vector<uint32_t> s(static_cast<size_t>(kSurfaceWidth) * kSurfaceHeight, 0x00FFFFFFu);
    for (int row = kLookBandFirstRow; row < kLookBandFirstRow + kLookBandRows; ++row)
        for (int x = 0; x < kSurfaceWidth; ++x) s[static_cast<size_t>(row) * kSurfaceWidth + x] = band(x, row);
    return s;
}

TEST(LookMeter, UniformBandGivesItsColourLuminanceAndMeanColourfulness) {
    const auto s = surface([](int, int) { return 0x00C86432u; });   // R 200, G 100, B 50
    const BandColour c = measureBand(s.data());
    EXPECT_DOUBLE_EQ(c.meanR, 200.0);
    EXPECT_DOUBLE_EQ(c.meanG, 100.0);
    EXPECT_DOUBLE_EQ(c.meanB, 50.0);
    EXPECT_NEAR(c.luminance, 117.65, 1e-9);
    EXPECT_FALSE(c.dark);
    EXPECT_FALSE(c.redDominated);   // G is half of R
    EXPECT_EQ(c.hue, kHueRed);      // 20 degrees
    // No spread: only the mean term, 0.3 * sqrt(100^2 + 100^2).
    EXPECT_NEAR(c.colourfulness, 0.3 * std::sqrt(20000.0), 1e-9);
}

// Each channel is its own byte: bits that spilled above R count for nothing.
// Alternate columns of red and black give half of red, and a spread.
TEST(LookMeter, StripesOfRedAreRedDominatedAndColourful) {
    const auto s = surface([](int x, int) { return x % 2 ? 0x01FF0000u : 0x00000000u; });
    const BandColour c = measureBand(s.data());
    EXPECT_DOUBLE_EQ(c.meanR, 127.5);
    EXPECT_DOUBLE_EQ(c.meanG, 0.0);
    EXPECT_TRUE(c.redDominated);
    EXPECT_EQ(c.hue, kHueRed);
    EXPECT_NEAR(c.luminance, 0.2126 * 127.5, 1e-9);
    const double both = std::sqrt(127.5 * 127.5 + 63.75 * 63.75);   // rg and yb spread and mean alike
    EXPECT_NEAR(c.colourfulness, both + 0.3 * both, 1e-9);
}

TEST(LookMeter, DarkGreyAndFaintColoursAreGrey) {
    const BandColour grey = measureBand(surface([](int, int) { return 0x00101010u; }).data());
    EXPECT_TRUE(grey.dark);
    EXPECT_EQ(grey.hue, kHueGrey);
    EXPECT_FALSE(grey.redDominated);
    const BandColour faint = measureBand(surface([](int, int) { return 0x00070000u; }).data());
    EXPECT_EQ(faint.hue, kHueGrey);   // too dark to have a hue
    EXPECT_TRUE(faint.redDominated);  // but still all red
    EXPECT_EQ(hueSector(100, 90, 90), kHueGrey);   // saturation 0.05
}

TEST(LookMeter, HueSectorsAreSixtyDegreesCentredOnThePrimariesAndSecondaries) {
    EXPECT_EQ(hueSector(255, 0, 0), kHueRed);
    EXPECT_EQ(hueSector(255, 255, 0), kHueYellow);
    EXPECT_EQ(hueSector(0, 255, 0), kHueGreen);
    EXPECT_EQ(hueSector(0, 255, 255), kHueCyan);
    EXPECT_EQ(hueSector(0, 0, 255), kHueBlue);
    EXPECT_EQ(hueSector(255, 0, 255), kHueMagenta);
    EXPECT_EQ(hueSector(255, 0, 127), kHueRed);       // 330.1 degrees
    EXPECT_EQ(hueSector(255, 0, 130), kHueMagenta);   // 329.4 degrees
    EXPECT_EQ(hueSector(255, 126, 0), kHueRed);       // 29.6 degrees
    EXPECT_EQ(hueSector(255, 130, 0), kHueYellow);    // 30.6 degrees
}

// Peak runs at 10 frames a second: lengths go to the histogram, a run still
// open at the end counts, and run starts are counted per any ten frames.
TEST(LookMeter, PeakRunsAreMeasuredByLengthAndPerSecond) {
    const std::vector<uint32_t> black(static_cast<size_t>(kSurfaceWidth) * kSurfaceHeight, 0u);
    LookMeter meter(10, 3);
    const char* peaks = "P..PP.P...PPP.....P..P.P.P.....PPPPPPPPP";
    for (const char* p = peaks; *p; ++p) meter.addFrame(black.data(), *p == 'P');
    const LookFigures f = meter.figures();
    EXPECT_EQ(f.frames, 40);
    EXPECT_EQ(f.measured, 14);   // frames 0, 3, ..., 39
    EXPECT_EQ(f.peakRuns, 9);
    EXPECT_EQ(f.peakFrames, 20);
    const int64_t expected[kLookPeakRunBins] = {6, 1, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < kLookPeakRunBins; ++i) EXPECT_EQ(f.peakRunLengths[i], expected[i]) << "length " << i + 1;
    EXPECT_EQ(f.mostRunsInOneSecond, 4);   // frames 18, 21, 23 and 25
    EXPECT_DOUBLE_EQ(f.meanLuminance, 0.0);
    EXPECT_EQ(f.dark, 14);
    const auto misses = checkLookTargets(f);
    bool tooMany = false, tooLong = false;
    for (const auto& m : misses) {
        tooMany = tooMany || m.find("within one second") != std::string::npos;
        tooLong = tooLong || m.find("at most 2 frames") != std::string::npos;
    }
    EXPECT_TRUE(tooMany);
    EXPECT_TRUE(tooLong);   // 7 of 9 runs are short: 77.8 %
    EXPECT_NE(lookJson(f).find("\"peak_run_lengths\": [6, 1, 1, 0, 0, 0, 0, 1]"), std::string::npos);
}

TEST(LookMeter, TargetsPassForABrightVariedCourse) {
    LookFigures f;
    f.measured = 100;
    f.meanLuminance = 40.0;
    f.dark = 25;
    f.redDominated = 15;
    f.hues[kHueRed] = 50;
    f.hues[kHueYellow] = 5;
    f.hues[kHueGreen] = 5;
    f.hues[kHueBlue] = 40;
    f.peakRuns = 10;
    f.peakRunLengths[0] = 9;
    f.peakRunLengths[2] = 1;
    f.mostRunsInOneSecond = 3;
    EXPECT_TRUE(checkLookTargets(f).empty());
    f.meanLuminance = 39.9;
    f.redDominated = 16;
    EXPECT_EQ(checkLookTargets(f).size(), 2u);
    // One hue over half the frames, and only three hues widespread (grey is no hue).
    f.meanLuminance = 40.0;
    f.redDominated = 0;
    f.hues[kHueRed] = 51;
    f.hues[kHueGreen] = 0;
    f.hues[kHueGrey] = 4;
    const auto misses = checkLookTargets(f);
    ASSERT_EQ(misses.size(), 2u);
    EXPECT_NE(misses[0].find("hue red above 50%"), std::string::npos);
    EXPECT_NE(misses[1].find("only 3 of the six hues"), std::string::npos);
}

}  // namespace
