#include <gtest/gtest.h>

#include <vector>

#include "scenes/spectrum_features.h"
#include "output/colour_mapping.h"
#include "output/frame_output.h"

namespace {

constexpr uint32_t kUntouched = 0xDEADBEEFu;

class FrameOutput : public ::testing::Test {
protected:
    void SetUp() override {
        surface.assign(640 * 480, kUntouched);
        SpectrumFeatures = {};
        for (int32_t i = 0; i < 64000; ++i) ColourBuffer[i] = 0x01000000u + static_cast<uint32_t>(i);
        TrailBuffer.fill(0);
    }
    void TearDown() override { ColourSelector = 2; }
    uint32_t& px(int x, int row) { return surface[row * 640 + x]; }
    std::vector<uint32_t> surface;
};

TEST_F(FrameOutput, ColourRowsShowTheirSourcePixelOnOddColumnsOnly) {
    ColourSelector = 2;
    EXPECT_FALSE(outputFrame(surface.data()));
    for (int row = 41; row <= 439; row += 2) {
        for (int x = 0; x < 640; ++x) {
            const uint32_t want = x % 2 ? ColourBuffer[x / 2 + (row - 40) / 2 * 320] : kUntouched;
            ASSERT_EQ(px(x, row), want) << "column " << x << ", row " << row;
        }
    }
    EXPECT_EQ(px(1, 41), ColourBuffer[0]);
    EXPECT_EQ(px(639, 439), ColourBuffer[63999]);
}

TEST_F(FrameOutput, BandsAboveAndBelowThePictureAreNeverWritten) {
    for (int32_t selector : {1, 2}) {
        ColourSelector = selector;
        TrailBuffer.fill(200);
        SpectrumFeatures.inv44to46 = 1.0f;
        outputFrame(surface.data());
        for (int row = 0; row < 480; ++row) {
            if (row >= 40 && row < 440) continue;
            for (int x = 0; x < 640; ++x) ASSERT_EQ(px(x, row), kUntouched) << x << ", " << row;
        }
        for (int x = 0; x < 640; ++x) {
            ASSERT_NE(px(x, 40), kUntouched);
            ASSERT_NE(px(x, 439 - 1), kUntouched);
        }
    }
}

TEST_F(FrameOutput, SelectorOneWritesEveryColumnAndLaterFramesKeepTheEvenOnes) {
    ColourSelector = 1;
    EXPECT_TRUE(outputFrame(surface.data()));
    EXPECT_EQ(px(0, 41), ColourBuffer[0]);
    EXPECT_EQ(px(638, 439), ColourBuffer[63999]);
    for (int32_t i = 0; i < 64000; ++i) ColourBuffer[i] = 0x00ABCDEFu;
    ColourSelector = 4;
    EXPECT_FALSE(outputFrame(surface.data()));
    EXPECT_EQ(px(0, 41), 0x01000000u);           // left by the earlier frame
    EXPECT_EQ(px(638, 439), 0x01000000u + 63999u);
    EXPECT_EQ(px(1, 41), 0x00ABCDEFu);
}

TEST_F(FrameOutput, CarryingTheKeptColumnsMakesAnotherBufferTheSurfaceItself) {
    // One surface: a frame with full colour rows, then one without.
    ColourSelector = 1;
    TrailBuffer.fill(30);
    outputFrame(surface.data());
    const std::vector<uint32_t> afterFull = surface;
    for (int32_t i = 0; i < 64000; ++i) ColourBuffer[i] = 0x00ABCDEFu ^ static_cast<uint32_t>(i);
    TrailBuffer.fill(90);
    ColourSelector = 3;
    outputFrame(surface.data());
    // The second frame drawn into a buffer that missed the first (same start), then carried.
    std::vector<uint32_t> other(640 * 480, kUntouched);
    outputFrame(other.data());
    ASSERT_NE(other, surface);
    carryKeptColumns(afterFull.data(), other.data());
    EXPECT_EQ(other, surface);
}

TEST_F(FrameOutput, TrailRowsAreTintedDoubledAndUnclamped) {
    for (int32_t i = 0; i < 64000; ++i) TrailBuffer[i] = i % 256;
    SpectrumFeatures.inv44to46 = 1.0f;  // pure red scale
    outputFrame(surface.data());
    for (int row = 40; row < 440; row += 2) {
        for (int x = 0; x < 640; ++x) {
            const uint32_t t = static_cast<uint32_t>(TrailBuffer[x / 2 + (row - 40) / 2 * 320]);
            ASSERT_EQ(px(x, row), t << 16) << "column " << x << ", row " << row;
        }
    }
    TrailBuffer.fill(0);
    SpectrumFeatures.bin1 = 3.0f;
    SpectrumFeatures.bin2 = -7.0f;
    outputFrame(surface.data());
    EXPECT_EQ(px(100, 100), 0u);  // a trail of 0 is black whatever the factors

    SpectrumFeatures = {};
    TrailBuffer.fill(1);
    SpectrumFeatures.bin2 = -1.0f;
    outputFrame(surface.data());
    EXPECT_EQ(px(5, 40), 0xFFFFFFFFu);  // blue -1 covers every bit
    SpectrumFeatures = {};
    TrailBuffer.fill(100);
    SpectrumFeatures.inv44to46 = 0.5f;
    SpectrumFeatures.bin1 = 3.0f;   // green 300 spills into red's byte
    SpectrumFeatures.bin2 = 0.25f;
    outputFrame(surface.data());
    EXPECT_EQ(px(5, 40), (50u << 16 | 300u << 8 | 25u));
}

TEST_F(FrameOutput, TrailIsReadSigned) {
    // -2 * 0.25 truncates to 0; the unsigned reading (4294967294) would give 0x3FFFFFFF.
    TrailBuffer.fill(-2);
    SpectrumFeatures.inv44to46 = 0.25f;
    outputFrame(surface.data());
    EXPECT_EQ(px(0, 40), 0u);
    SpectrumFeatures.inv44to46 = 1.0f;
    outputFrame(surface.data());
    EXPECT_EQ(px(0, 40), 0xFFFE0000u);
}

}  // namespace
