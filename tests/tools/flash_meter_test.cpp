#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "tools/look/flash_meter.h"
#include "tools/look/look_meter.h"

namespace {

constexpr int kFps = 60;
constexpr uint32_t kBlack = 0x000000u, kWhite = 0xFFFFFFu;
using Surface = std::vector<uint32_t>;

Surface filled(uint32_t colour) { return Surface(static_cast<size_t>(kSurfaceWidth) * kSurfaceHeight, colour); }

// `base` with the rectangle [x0, x1) x [y0, y1) in `colour`.
Surface withPatch(uint32_t base, uint32_t colour, int x0, int x1, int y0, int y1) {
    Surface s = filled(base);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) s[static_cast<size_t>(y) * kSurfaceWidth + x] = colour;
    return s;
}

uint32_t grey(int byte) { return static_cast<uint32_t>(byte) * 0x010101u; }

// Frame n shows frames[pick(n)].
FlashFigures play(const std::vector<Surface>& frames, int count, const std::function<size_t(int)>& pick) {
    FlashMeter meter(kFps);
    for (int n = 0; n < count; ++n) meter.addFrame(frames[pick(n)].data());
    return meter.figures();
}

// Two surfaces swapped `hz` times a second: each swap is one transition, two are one flash.
FlashFigures alternate(const Surface& a, const Surface& b, int hz, int seconds) {
    return play({a, b}, seconds * kFps, [hz](int n) { return static_cast<size_t>(n * 2 * hz / kFps % 2); });
}

double mostFlashes(const FlashSeriesFigures& s) { return static_cast<double>(s.mostTransitionsInOneSecond) / 2.0; }

// The grey byte whose linear value is nearest `linear`.
int greyNear(double linear) {
    int best = 0;
    for (int c = 1; c < 256; ++c)
        if (std::fabs(linearChannel(c) - linear) < std::fabs(linearChannel(best) - linear)) best = c;
    return best;
}

TEST(FlashMeter, LinearChannelFollowsTheSrgbCurve) {
    EXPECT_DOUBLE_EQ(linearChannel(0), 0.0);
    EXPECT_DOUBLE_EQ(linearChannel(255), 1.0);
    EXPECT_DOUBLE_EQ(linearChannel(10), 10.0 / 255.0 / 12.92);   // 0.0392, on the straight part
    EXPECT_NEAR(linearChannel(11), std::pow((11.0 / 255.0 + 0.055) / 1.055, 2.4), 1e-15);
    EXPECT_NEAR(linearChannel(235), 0.8308, 1e-4);
}

// The meter counts a pixel's luminance as changed when its colour changed;
// that is exact only while no two colours share a luminance.
TEST(FlashMeter, DistinctColoursHaveDistinctLuminance) {
    std::vector<double> all;
    all.reserve(size_t{1} << 24);
    for (uint32_t c = 0; c < (1u << 24); ++c) all.push_back(pixelLuminance(c));
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
    EXPECT_DOUBLE_EQ(pixelLuminance(0xFF000000u), 0.0);   // bits above the colour are none
}

TEST(FlashMeter, BlackAndWhiteAtTwoAndThreeHertzWarnButPassForAFewSeconds) {
    const FlashFigures two = alternate(filled(kBlack), filled(kWhite), 2, 3);
    EXPECT_EQ(mostFlashes(two.luminance), 2.0);
    EXPECT_EQ(two.luminance.failingWindows, 0);
    EXPECT_EQ(two.luminance.extendedFailures, 0);
    EXPECT_GT(two.luminance.warningWindows, 0);
    EXPECT_EQ(two.verdict, FlashVerdict::Warning);
    EXPECT_TRUE(checkFlashTargets(two).empty());   // two flashes a second is the show's limit, not past it
    EXPECT_EQ(two.red.transitions, 0);

    const FlashFigures three = alternate(filled(kBlack), filled(kWhite), 3, 3);
    EXPECT_EQ(mostFlashes(three.luminance), 3.0);
    EXPECT_EQ(three.luminance.failingWindows, 0);
    EXPECT_EQ(three.verdict, FlashVerdict::Warning);
    ASSERT_EQ(checkFlashTargets(three).size(), 1u);   // past the show's own limit of 2
    EXPECT_NE(checkFlashTargets(three)[0].find("3.0 luminance flashes"), std::string::npos);
}

TEST(FlashMeter, BlackAndWhiteAtFourAndTenHertzFail) {
    const FlashFigures four = alternate(filled(kBlack), filled(kWhite), 4, 3);
    EXPECT_EQ(mostFlashes(four.luminance), 4.0);
    EXPECT_GT(four.luminance.failingWindows, 0);
    EXPECT_EQ(four.verdict, FlashVerdict::Fail);
    const FlashFigures ten = alternate(filled(kBlack), filled(kWhite), 10, 3);
    EXPECT_EQ(mostFlashes(ten.luminance), 10.0);
    EXPECT_EQ(ten.verdict, FlashVerdict::Fail);
    EXPECT_EQ(ten.tileVerdict, FlashVerdict::Fail);
    EXPECT_EQ(mostFlashes(ten.tileLuminance), 10.0);
    EXPECT_FALSE(checkFlashTargets(ten).empty());
}

TEST(FlashMeter, SustainedFlashingOfFourToSixTransitionsASecondFailsAsExtended) {
    const FlashFigures three = alternate(filled(kBlack), filled(kWhite), 3, 10);
    EXPECT_EQ(three.luminance.failingWindows, 0);
    EXPECT_GT(three.luminance.extendedFailures, 0);
    EXPECT_EQ(three.verdict, FlashVerdict::Fail);
    // Not before four seconds of warning windows: the first full window ends at frame 59 or later.
    const FlashFigures short3 = alternate(filled(kBlack), filled(kWhite), 3, 4);
    EXPECT_EQ(short3.luminance.extendedFailures, 0);
    // Two flashes a second sustained are four transitions in every window: extended too.
    const FlashFigures two = alternate(filled(kBlack), filled(kWhite), 2, 10);
    EXPECT_GT(two.luminance.extendedFailures, 0);
    EXPECT_EQ(two.verdict, FlashVerdict::Fail);
    // One and a half a second never reaches 4 transitions in a window.
    const FlashFigures slow = play({filled(kBlack), filled(kWhite)}, 10 * kFps, [](int n) { return static_cast<size_t>(n / 20 % 2); });
    EXPECT_EQ(mostFlashes(slow.luminance), 1.5);
    EXPECT_EQ(slow.verdict, FlashVerdict::Pass);
}

TEST(FlashMeter, APatchOfATenthOfTheScreenFailsOnlyInItsTile) {
    // 192 x 160 = 10 % of the screen, 90 % of the top-left tile.
    const FlashFigures f = alternate(filled(kBlack), withPatch(kBlack, kWhite, 0, 192, 0, 160), 10, 3);
    EXPECT_EQ(f.luminance.transitions, 0);   // under a quarter of the pixels changed
    EXPECT_EQ(f.verdict, FlashVerdict::Pass);
    EXPECT_TRUE(checkFlashTargets(f).empty());
    EXPECT_EQ(mostFlashes(f.tileLuminance), 10.0);
    EXPECT_EQ(f.tileVerdict, FlashVerdict::Fail);
}

TEST(FlashMeter, APatchOfThirtyPercentFailsTheWholeScreen) {
    const FlashFigures f = alternate(filled(kBlack), withPatch(kBlack, kWhite, 0, 640, 0, 144), 10, 3);
    EXPECT_EQ(mostFlashes(f.luminance), 10.0);
    EXPECT_EQ(f.verdict, FlashVerdict::Fail);
}

TEST(FlashMeter, AQuarterOfThePixelsChangingIsEnoughAndLessIsNot) {
    // 640 x 120 is exactly a quarter; its mean swings by 0.25.
    EXPECT_EQ(alternate(filled(kBlack), withPatch(kBlack, kWhite, 0, 640, 0, 120), 10, 2).verdict, FlashVerdict::Fail);
    EXPECT_EQ(alternate(filled(kBlack), withPatch(kBlack, kWhite, 0, 640, 0, 119), 10, 2).luminance.transitions, 0);
}

TEST(FlashMeter, SaturatedRedFlashesCountAsRed) {
    const FlashFigures full = alternate(filled(kBlack), filled(0xFF0000u), 5, 3);
    EXPECT_EQ(mostFlashes(full.red), 5.0);
    EXPECT_EQ(mostFlashes(full.luminance), 5.0);   // 0.2126 of a swing as well
    EXPECT_EQ(full.verdict, FlashVerdict::Fail);
    // A dim red moves luminance by 0.04 only, and the red value by 60: a red flash alone.
    const FlashFigures dim = alternate(filled(kBlack), filled(0x780000u), 5, 3);
    EXPECT_EQ(dim.luminance.transitions, 0);
    EXPECT_EQ(mostFlashes(dim.red), 5.0);
    EXPECT_EQ(dim.verdict, FlashVerdict::Fail);
    ASSERT_EQ(checkFlashTargets(dim).size(), 2u);
    EXPECT_NE(checkFlashTargets(dim)[1].find("5.0 red flashes"), std::string::npos);
    // Pink is not saturated: red is under 80 % of the linear sum.
    const FlashFigures pink = alternate(filled(kBlack), filled(0xFF8080u), 5, 3);
    EXPECT_EQ(pink.red.transitions, 0);
    EXPECT_GT(pink.luminance.transitions, 0);
    // Bits above the red byte are no colour.
    const FlashFigures spilled = alternate(filled(kBlack), filled(0xFF000000u), 5, 3);
    EXPECT_EQ(spilled.red.transitions + spilled.luminance.transitions, 0);
}

TEST(FlashMeter, BrightFlashesWhoseDarkerEndIsNotDarkDoNotCount) {
    const FlashFigures light = alternate(filled(grey(235)), filled(kWhite), 10, 3);   // 0.83 against 1
    EXPECT_EQ(light.luminance.transitions, 0);
    EXPECT_EQ(light.verdict, FlashVerdict::Pass);
    const FlashFigures darker = alternate(filled(grey(200)), filled(kWhite), 10, 3);   // 0.58 against 1
    EXPECT_EQ(mostFlashes(darker.luminance), 10.0);
}

TEST(FlashMeter, SmallStepsCountWhenTheyAddUpWithinASecond) {
    // Ten steps of 0.02 up, ten down: three cycles a second, every step under 0.1.
    std::vector<Surface> levels;
    for (int k = 0; k <= 10; ++k) levels.push_back(filled(grey(greyNear(0.02 * k))));
    const FlashFigures fast = play(levels, 3 * kFps, [](int n) {
        const int phase = n % 20;
        return static_cast<size_t>(phase <= 10 ? phase : 20 - phase);
    });
    EXPECT_EQ(mostFlashes(fast.luminance), 3.0);
    // The same swing of 0.2 over four seconds each way adds at most 0.06 within any second.
    const FlashFigures slow = play(levels, 16 * kFps, [](int n) {
        const int phase = n / 24 % 20;
        return static_cast<size_t>(phase <= 10 ? phase : 20 - phase);
    });
    EXPECT_EQ(slow.luminance.transitions, 0);
}

TEST(FlashSeries, EachRunOfOneSignCountsOnce) {
    FlashSeries s(kFps, 0.1, true);
    int transitions = 0;
    for (double mean : {0.0, 0.1, 0.2, 0.3, 0.3, 0.4, 0.5}) transitions += s.addFrame(mean, 1.0);
    EXPECT_EQ(transitions, 1);
    // A fall starts a new sum at once.
    EXPECT_FALSE(s.addFrame(0.45, 1.0));
    EXPECT_TRUE(s.addFrame(0.35, 1.0));
    EXPECT_EQ(s.figures().transitions, 2);
}

TEST(FlashSeries, ABrightRunCountsOnceItReachesTheDark) {
    FlashSeries s(kFps, 0.1, true);
    EXPECT_FALSE(s.addFrame(1.0, 1.0));
    EXPECT_FALSE(s.addFrame(0.85, 1.0));   // 0.15 down, but both ends bright
    EXPECT_TRUE(s.addFrame(0.75, 1.0));    // the same run, now with a dark end
    FlashSeries red(kFps, 20.0, false);    // red has no such rule
    EXPECT_FALSE(red.addFrame(300.0, 1.0));
    EXPECT_TRUE(red.addFrame(280.0, 1.0));
}

TEST(FlashSeries, ChangesOfFewPixelsAndTheFirstFrameAreNoChange) {
    FlashSeries s(kFps, 0.1, true);
    EXPECT_FALSE(s.addFrame(0.5, 1.0));     // nothing before it
    EXPECT_FALSE(s.addFrame(0.0, 0.249));   // under a quarter of the pixels
    EXPECT_FALSE(s.addFrame(0.5, 0.249));
    EXPECT_TRUE(s.addFrame(0.0, 0.25));
}

TEST(FlashSeries, TheSumDropsChangesOlderThanASecond) {
    FlashSeries s(kFps, 0.1, true);
    s.addFrame(0.0, 1.0);
    s.addFrame(0.06, 1.0);
    for (int i = 0; i < kFps - 1; ++i) EXPECT_FALSE(s.addFrame(0.06, 1.0));   // zeros join the run
    EXPECT_FALSE(s.addFrame(0.12, 1.0));   // the first 0.06 has left the sum: only the second within the second
    FlashSeries t(kFps, 0.1, true);
    t.addFrame(0.0, 1.0);
    t.addFrame(0.06, 1.0);
    for (int i = 0; i < kFps - 2; ++i) t.addFrame(0.06, 1.0);
    EXPECT_TRUE(t.addFrame(0.12, 1.0));    // both steps of 0.06 within one second
}

TEST(FlashMeter, ReportsAndJsonNameEveryFigure) {
    const FlashFigures f = alternate(filled(kBlack), filled(kWhite), 4, 2);
    const std::string json = flashJson(f);
    EXPECT_NE(json.find("\"luminance\": {\"most_flashes_in_one_second\": 4.0"), std::string::npos);
    EXPECT_NE(json.find("\"verdict\": \"fail\""), std::string::npos);
    EXPECT_NE(json.find("\"worst_tile\""), std::string::npos);
    const auto lines = describeFlash(f);
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[0], "flash luminance most flashes in one second: 4.0");
    EXPECT_EQ(lines[6], "flash verdict: fail");
    EXPECT_EQ(lines[13], "flash tile verdict: fail");
}

}  // namespace
