#include <gtest/gtest.h>

#include "scenes/spectrum_features.h"
#include "doubles/synthetic_pictures.h"
#include "pictures/picture_bank.h"
#include "scenes/pattern_scenes.h"
#include "scenes/random.h"
#include "scenes/scene_buffer.h"

namespace {

using ziv::test::fillSyntheticPictures;
using ziv::test::syntheticPictureId;

uint32_t step(uint32_t state) { return state * 214013u + 2531011u; }
int32_t valueOf(uint32_t state) { return static_cast<int32_t>((state >> 16) & 0x7FFF); }

uint32_t stateBeforeDrawWith(int32_t modulus, int32_t wanted) {
    uint32_t state = 1;
    while (valueOf(step(state)) % modulus != wanted) state = step(state);
    return state;
}

void useWorkedExampleFeatures() {
    SpectrumFeatures = {};
    SpectrumFeatures.mean63to65 = 0.0625f;
    SpectrumFeatures.inv63to65 = 0.9375f;
    SpectrumFeatures.bin128 = 1.0f;
    SpectrumFeatures.mean14to16 = 0.5f;
    SpectrumFeatures.bin2 = 0.25f;
}

constexpr int at(int y, int x) { return y * 320 + x; }

TEST(PatternScenes, WorkedExampleRowOffsets) {
    useWorkedExampleFeatures();
    EXPECT_EQ(rowOffset(0), 0.0f);
    EXPECT_EQ(rowOffset(100), 40000.0f);
    EXPECT_EQ(rowOffset(199), 79600.0f);
}

TEST(PatternScenes, WorkedExampleRampedPicture) {
    useWorkedExampleFeatures();
    PictureSetA[4].fill(0);
    PictureSetA[4][at(0, 17)] = 200;    // offset 0:   200 * 0.9375 = 187
    PictureSetA[4][at(100, 17)] = 200;  // offset 220: 420 -> 393 -> 138
    PictureSetA[4][at(199, 17)] = 255;  // offset 40:  295 -> 276 -> 21
    drawRampedPicture(4);
    EXPECT_EQ(SceneBuffer[at(0, 17)], 187);
    EXPECT_EQ(SceneBuffer[at(100, 17)], 138);
    EXPECT_EQ(SceneBuffer[at(199, 17)], 21);
    EXPECT_EQ(SceneBuffer[at(100, 18)], 206);  // a 0 pixel shows the wrapped offset alone: 220 * 0.9375
}

TEST(PatternScenes, WorkedExampleSpectralRamp) {
    useWorkedExampleFeatures();
    drawSpectralRamp();
    EXPECT_EQ(SceneBuffer[at(0, 160)], 135);   // q = 400, r = 145
    EXPECT_EQ(SceneBuffer[at(199, 319)], 142); // q = 239597, r = 152
    // Row 0 has no offset: the ramp there depends on the column alone, 2.5 per column.
    EXPECT_EQ(SceneBuffer[at(0, 1)], 1);       // q = 2
    EXPECT_EQ(SceneBuffer[at(0, 101)], 236);   // q = 252: scaled, no wrap after the scaling
    EXPECT_EQ(SceneBuffer[at(0, 102)], 0);     // q = 255 wraps to 0 before the scaling
}

TEST(PatternScenes, RowOffsetIsRoundedToFloatBeforeItIsTruncated) {
    // In double the offset of row 143 is 45854.9998...; rounded to float it is 45855.
    SpectrumFeatures = {};
    SpectrumFeatures.mean63to65 = 0.1f;
    SpectrumFeatures.bin128 = 0x1.00880ep-1f;
    SpectrumFeatures.inv63to65 = 1.0f;
    EXPECT_EQ(rowOffset(143), 45855.0f);
    PictureSetA[6].fill(0);
    drawRampedPicture(6);
    EXPECT_EQ(SceneBuffer[at(143, 0)], 45855 % 255);
}

TEST(PatternScenes, FlatSpectrumLeavesPicturesAloneButWraps255ToZero) {
    fillSyntheticPictures();
    SpectrumFeatures = {};
    SpectrumFeatures.inv63to65 = 1.0f;
    SpectrumFeatures.bin128 = 1.0f;
    PictureSetA[7][5] = 255;
    drawRampedPicture(7);
    for (int i = 0; i < 64000; ++i) {
        const int32_t want = PictureSetA[7][i] == 255 ? 0 : PictureSetA[7][i];
        ASSERT_EQ(SceneBuffer[i], want) << "index " << i;
    }
}

TEST(PatternScenes, ZeroScaleWritesZeroEverywhere) {
    fillSyntheticPictures();
    useWorkedExampleFeatures();
    SpectrumFeatures.inv63to65 = 0.0f;
    SceneBuffer.fill(9);
    drawRampedPicture(3);
    for (int32_t v : SceneBuffer) ASSERT_EQ(v, 0);
    SceneBuffer.fill(9);
    drawSpectralRamp();
    for (int32_t v : SceneBuffer) ASSERT_EQ(v, 0);
}

TEST(PatternScenes, KindIsOneDrawAndTheMosaicMakes64000More) {
    fillSyntheticPictures();
    useWorkedExampleFeatures();
    for (int32_t k = 0; k < 9; ++k) {
        const uint32_t start = stateBeforeDrawWith(9, k);
        setRandomState(start);
        SceneBuffer.fill(-1);
        EXPECT_EQ(drawPatternScene(), k);
        uint32_t after = step(start);
        if (k == 0) {
            for (int n = 0; n < 64000; ++n) after = step(after);
        }
        EXPECT_EQ(randomState(), after) << "kind " << k;
        if (k != 0 && k != 2) {  // slots 0 and 2 are never ramped pictures
            EXPECT_EQ(SceneBuffer[at(0, 17)], PictureSetA[k][at(0, 17)] * 15 / 16 % 255) << k;
        }
        if (k == 2) {
            EXPECT_EQ(SceneBuffer[at(0, 160)], 135);
        }
    }
}

TEST(PatternScenes, MosaicTakesOneDrawPerPixelFromTheLastIndexDown) {
    fillSyntheticPictures();
    const uint32_t start = 12345;
    setRandomState(start);
    drawNoiseMosaic();
    uint32_t state = start;
    bool used[9] = {};
    for (int i = 63999; i >= 0; --i) {
        state = step(state);
        const int32_t slot = valueOf(state) % 9;
        used[slot] = true;
        ASSERT_EQ(SceneBuffer[i], PictureSetA[slot][i]) << "index " << i;
    }
    for (bool u : used) EXPECT_TRUE(u);
    EXPECT_EQ(randomState(), state);
}

TEST(PatternScenes, FeaturesFarOutsideTheirRangeStayDefined) {
    // Truncations that leave the int32 range give INT32_MIN, whose truncating remainder is -128.
    SpectrumFeatures = {};
    SpectrumFeatures.mean14to16 = 1e30f;
    SpectrumFeatures.bin2 = 1.0f;
    SpectrumFeatures.inv63to65 = 1.0f;
    drawSpectralRamp();
    EXPECT_EQ(SceneBuffer[0], 0);  // i = 0 stays 0
    EXPECT_EQ(SceneBuffer[1], -128);
    EXPECT_EQ(SceneBuffer[63999], -128);

    fillSyntheticPictures();
    SpectrumFeatures.mean63to65 = 1e30f;
    SpectrumFeatures.bin128 = 1.0f;
    drawRampedPicture(1);
    EXPECT_EQ(SceneBuffer[at(0, 0)], PictureSetA[1][at(0, 0)]);
    EXPECT_EQ(SceneBuffer[at(1, 0)], PictureSetA[1][at(1, 0)] - 128);
}

}  // namespace
