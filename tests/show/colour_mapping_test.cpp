#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "scenes/spectrum_features.h"
#include "output/colour_mapping.h"
#include "scenes/scene_buffer.h"

namespace {

// Colours one pixel value through the whole stage and returns its pixel.
uint32_t colourOf(int32_t scene, int32_t selector, bool peak = false) {
    SceneBuffer.fill(scene);
    ColourSelector = selector;
    mapColours(peak);
    return ColourBuffer[31416];
}

class ColourMapping : public ::testing::Test {
protected:
    void SetUp() override {
        SpectrumFeatures = {};
        resetTrail();
    }
    void TearDown() override { ColourSelector = 2; }
};

TEST_F(ColourMapping, ListedPixelsOfEachMapping) {
    SpectrumFeatures.bin1 = 0.5f;
    SpectrumFeatures.bin2 = 0.25f;
    SpectrumFeatures.bin51 = 1.0f;
    EXPECT_EQ(colourOf(200, 0), 0x006432C8u);

    SpectrumFeatures = {};
    SpectrumFeatures.bin51 = 0.5f;
    SpectrumFeatures.inv63to65 = 0.5f;
    EXPECT_EQ(colourOf(200, 2), 0x00646432u);

    SpectrumFeatures = {};
    SpectrumFeatures.mean44to46 = 0.5f;
    SpectrumFeatures.bin1 = 1.0f;
    SpectrumFeatures.bin2 = 0.5f;
    SpectrumFeatures.mean0to20 = 0.25f;
    EXPECT_EQ(colourOf(200, 3), 0x00643219u);
    EXPECT_EQ(colourOf(200, 4), 0x00643219u);

    SpectrumFeatures = {};
    SpectrumFeatures.bin256 = 0.5f;
    for (int32_t selector = 0; selector < 5; ++selector) EXPECT_EQ(colourOf(200, selector, true), 0x0064C8C8u);
}

TEST_F(ColourMapping, MappingOneRoundsItsSharedProductToFloatForRedAndBlueOnly) {
    SpectrumFeatures.mean0to20 = 0.04f;  // slightly below 0.04
    SpectrumFeatures.mean14to16 = 1.0f;
    SpectrumFeatures.bin1 = 100.0f;
    // p = 25 * mean0to20 = 0.99999999... rounds to 1.0f: R = 100, B = 1; G keeps the double: 0.
    EXPECT_EQ(colourOf(25, 1), 0x00640001u);
}

TEST_F(ColourMapping, ComponentsSpillAndNegativesFillTheHighBits) {
    SpectrumFeatures.bin1 = 2.0f;
    EXPECT_EQ(colourOf(255, 0), 0x01FE0000u);  // R = 510 reaches bit 24
    SpectrumFeatures = {};
    SpectrumFeatures.bin51 = 1.5f;
    EXPECT_EQ(colourOf(200, 0), 0x0000012Cu);  // B = 300 reaches G's byte
    SpectrumFeatures = {};
    SpectrumFeatures.bin1 = 0.5f;
    SpectrumFeatures.bin2 = 0.25f;
    SpectrumFeatures.bin51 = -0.25f;
    EXPECT_EQ(colourOf(200, 0), 0xFFFFFFCEu);  // B = -50
}

TEST_F(ColourMapping, SceneIsReadUnsignedAndTruncatedThrough64Bits) {
    // -1 counts as 4294967295: R = 4294967295 keeps its low 32 bits, which shifted by 16 give 0xFFFF0000.
    SpectrumFeatures.bin1 = 1.0f;
    EXPECT_EQ(colourOf(-1, 0), 0xFFFF0000u);
    // Peak mapping: G and B are the stored value itself.
    SpectrumFeatures = {};
    EXPECT_EQ(colourOf(-1, 0, true), 0xFFFFFFFFu);
    EXPECT_EQ(colourOf(0x1234, 0, true), 0x00123634u);  // G (0x123400) and B (0x1234) merge by OR
}

TEST_F(ColourMapping, ProductsBeyondEvery64BitIntegerGiveZero) {
    SpectrumFeatures.bin1 = 1e30f;
    SpectrumFeatures.bin51 = 0.5f;
    EXPECT_EQ(colourOf(200, 0), 0x00000064u);
    SpectrumFeatures.bin1 = std::nanf("");
    EXPECT_EQ(colourOf(200, 0), 0x00000064u);
}

// ---- trail -------------------------------------------------------------------

std::vector<int32_t> trailUnder(int32_t scene, int32_t start, int frames, int32_t selector = 2) {
    SceneBuffer.fill(scene);
    TrailBuffer.fill(start);
    ColourSelector = selector;
    std::vector<int32_t> seen;
    for (int f = 0; f < frames; ++f) {
        mapColours(false);
        seen.push_back(TrailBuffer[777]);
    }
    return seen;
}

TEST_F(ColourMapping, BlackSceneFadesTrailFrom255ToZeroIn21Frames) {
    const std::vector<int32_t> expected = {204, 163, 130, 104, 83, 66, 52, 41, 32, 25, 20,
                                           16, 12, 9, 7, 5, 4, 3, 2, 1, 0};
    EXPECT_EQ(trailUnder(0, 255, 21), expected);
}

TEST_F(ColourMapping, TrailRisesTowardTheSceneAndStopsFourShort) {
    const std::vector<int32_t> rise = trailUnder(255, 0, 60);
    EXPECT_EQ(rise[0], 51);
    EXPECT_EQ(rise[1], 91);
    EXPECT_EQ(rise[2], 123);
    EXPECT_EQ(rise.back(), 251);
    EXPECT_EQ(trailUnder(4, 0, 5).back(), 0);
    EXPECT_EQ(trailUnder(100, 255, 60).back(), 100);
}

TEST_F(ColourMapping, TrailReadsSceneAndTrailUnsignedAndIsTheSameInEveryMapping) {
    EXPECT_EQ(trailUnder(-1, 0, 1)[0], 858993459);
    // The trail itself is read unsigned too: a stored -1 under a scene of -1 stays 4294967295.
    EXPECT_EQ(trailUnder(-1, -1, 1)[0], -1);
    EXPECT_EQ(trailUnder(0, -1, 1)[0], -858993460);  // floor(0.8 * 4294967295) = 3435973836
    SpectrumFeatures.bin1 = 0.7f;
    SpectrumFeatures.mean44to46 = 0.3f;
    for (int32_t selector = 0; selector < 5; ++selector) {
        EXPECT_EQ(trailUnder(200, 17, 3, selector), (std::vector<int32_t>{53, 82, 105})) << selector;
    }
    SceneBuffer.fill(200);
    TrailBuffer.fill(17);
    mapColours(true);
    EXPECT_EQ(TrailBuffer[0], 53);
}

TEST_F(ColourMapping, ChoosesMappingBySelectorAndPeak) {
    const int32_t selectors[] = {0, 1, 2, 3, 4};
    const int32_t mappings[] = {0, 1, 2, 3, 3};
    for (int n = 0; n < 5; ++n) {
        ColourSelector = selectors[n];
        EXPECT_EQ(mapColours(false), mappings[n]);
        EXPECT_EQ(mapColours(true), 4);
    }
}

}  // namespace
