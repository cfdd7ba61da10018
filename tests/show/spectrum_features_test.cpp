#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <vector>

#include "scenes/spectrum_features.h"

namespace {

std::vector<float> silence() { return std::vector<float>(512, 0.0f); }

void setFeatures(float bin1, float mean0to20, float mean44to46, float mean14to16) {
    SpectrumFeatures = {};
    SpectrumFeatures.bin1 = bin1;
    SpectrumFeatures.mean0to20 = mean0to20;
    SpectrumFeatures.mean44to46 = mean44to46;
    SpectrumFeatures.mean14to16 = mean14to16;
}

const float kJustBelow03 = std::nextafter(0.3f, 0.0f);

// ---- band levels -------------------------------------------------------------

TEST(Features, ThreeEntryMeansMultiplyByTheFloatNearestOneThird) {
    EXPECT_EQ(std::bit_cast<uint32_t>(kOneThirdFloat), 0x3EAAAAABu);
    auto s = silence();
    s[44] = 0.25f;
    s[45] = 0.5f;
    s[46] = 1.0f;
    computeSpectrumFeatures(s.data());
    EXPECT_EQ(std::bit_cast<uint32_t>(SpectrumFeatures.mean44to46), 0x3F155556u);
    // A division by three lands one bit lower, so the check above tells the two apart.
    EXPECT_EQ(std::bit_cast<uint32_t>(static_cast<float>(1.75 / 3.0)), 0x3F155555u);
    EXPECT_EQ(SpectrumFeatures.inv44to46, static_cast<float>(1.0 - static_cast<double>(SpectrumFeatures.mean44to46)));
}

TEST(Features, EachMeanReadsItsOwnThreeEntries) {
    auto s = silence();
    s[14] = 0.25f; s[15] = 0.5f; s[16] = 1.0f;
    s[63] = 0.5f;  s[64] = 1.0f; s[65] = 0.25f;
    s[13] = s[17] = s[43] = s[47] = s[62] = s[66] = 9.0f;  // neighbours that must not leak in
    computeSpectrumFeatures(s.data());
    EXPECT_EQ(std::bit_cast<uint32_t>(SpectrumFeatures.mean14to16), 0x3F155556u);
    EXPECT_EQ(std::bit_cast<uint32_t>(SpectrumFeatures.mean63to65), 0x3F155556u);
    EXPECT_EQ(SpectrumFeatures.mean44to46, 0.0f);
    EXPECT_EQ(SpectrumFeatures.inv63to65, static_cast<float>(1.0 - static_cast<double>(SpectrumFeatures.mean63to65)));
    EXPECT_EQ(SpectrumFeatures.bin64, 1.0f);
}

TEST(Features, SingleBinsAreCopiedBitForBit) {
    auto s = silence();
    const float odd = std::bit_cast<float>(0x3E99999Bu);
    s[1] = odd; s[2] = 2 * odd; s[51] = 3 * odd; s[64] = 0.125f; s[128] = 0.375f; s[256] = 0.625f;
    computeSpectrumFeatures(s.data());
    EXPECT_EQ(std::bit_cast<uint32_t>(SpectrumFeatures.bin1), 0x3E99999Bu);
    EXPECT_EQ(SpectrumFeatures.bin2, 2 * odd);
    EXPECT_EQ(SpectrumFeatures.bin51, 3 * odd);
    EXPECT_EQ(SpectrumFeatures.bin64, 0.125f);
    EXPECT_EQ(SpectrumFeatures.bin128, 0.375f);
    EXPECT_EQ(SpectrumFeatures.bin256, 0.625f);
}

TEST(Features, MeanOfBinsAddsHighestIndexFirstAndDividesByTheCount) {
    auto s = silence();
    // 1 + 2^-53 rounds back to 1, so adding the tiny entries after the large one loses
    // them all; adding them first would keep 20 * 2^-53.
    s[20] = 1.0f;
    for (int k = 0; k < 20; ++k) s[k] = std::ldexp(1.0f, -53);
    s[21] = 5.0f;  // outside 0..20
    EXPECT_EQ(meanOfBins(s.data(), 0, 20), 1.0 / 21.0);
    computeSpectrumFeatures(s.data());
    EXPECT_EQ(SpectrumFeatures.mean0to20, static_cast<float>(1.0 / 21.0));
}

TEST(Features, MissingSpectrumCountsAsSilence) {
    auto s = silence();
    s[1] = 0.9f;
    computeSpectrumFeatures(s.data());
    computeSpectrumFeatures(nullptr);
    EXPECT_EQ(SpectrumFeatures.bin1, 0.0f);
    EXPECT_EQ(SpectrumFeatures.inv44to46, 1.0f);
    EXPECT_EQ(SpectrumFeatures.inv63to65, 1.0f);
}

// ---- selectors ---------------------------------------------------------------

TEST(Selectors, SceneSelectorCountsDownCyclically) {
    resetSelectors();
    const int32_t expected[] = {3, 2, 1, 0, 3};
    for (int32_t want : expected) {
        setFeatures(0.4f, 0, 0, 0);
        updateSelectors();
        EXPECT_EQ(SceneSelector, want);
    }
    EXPECT_EQ(ColourSelector, 2);
    EXPECT_EQ(PictureSelector, 0);
}

TEST(Selectors, ThresholdsCompareTheWidenedFloatWithTheDouble) {
    // The float nearest 0.3 lies above the double 0.3 and steps; the float below it does not.
    resetSelectors();
    setFeatures(0.3f, 0.3f, 0, 0.0f);
    updateSelectors();
    EXPECT_EQ(SceneSelector, 3);
    EXPECT_EQ(ColourSelector, 1);
    setFeatures(kJustBelow03, kJustBelow03, 0, 0);
    updateSelectors();
    EXPECT_EQ(SceneSelector, 3);
    EXPECT_EQ(ColourSelector, 1);

    resetSelectors();
    setFeatures(0, 0, 0.1f, 0);
    updateSelectors();
    EXPECT_EQ(PictureSelector, 2);
    setFeatures(0, 0, std::nextafter(0.1f, 0.0f), 0);
    updateSelectors();
    EXPECT_EQ(PictureSelector, 2);
}

TEST(Selectors, HalfStepsOnceButOnlyAboveHalfJumpsToTwo) {
    resetSelectors();
    setFeatures(0.5f, 0, 0, 0);  // exactly 0.5: not above it
    updateSelectors();
    EXPECT_EQ(SceneSelector, 3);
    for (int32_t from = 0; from < 4; ++from) {
        SceneSelector = from;
        setFeatures(std::nextafter(0.5f, 1.0f), 0, 0, 0);
        updateSelectors();
        EXPECT_EQ(SceneSelector, 2) << "from " << from;
    }
    for (int frame = 0; frame < 5; ++frame) {
        setFeatures(0.9f, 0, 0, 0);
        updateSelectors();
        EXPECT_EQ(SceneSelector, 2);
    }
}

TEST(Selectors, ColourSelectorWrapsFromZeroToFour) {
    resetSelectors();
    const int32_t expected[] = {1, 0, 4, 3, 2};
    for (int32_t want : expected) {
        setFeatures(0, 0.31f, 0, 0);
        updateSelectors();
        EXPECT_EQ(ColourSelector, want);
    }
}

TEST(Selectors, PictureSelectorMovesTwoPlacesWhenBothBandsAreLoud) {
    resetSelectors();
    const int32_t expected[] = {1, 2, 0};
    for (int32_t want : expected) {
        setFeatures(0, 0, 0.2f, 0.4f);
        updateSelectors();
        EXPECT_EQ(PictureSelector, want);
    }
    setFeatures(0, 0, 0, 0.4f);  // the second band alone moves it one place
    updateSelectors();
    EXPECT_EQ(PictureSelector, 2);
}

TEST(Selectors, SilenceMovesNothing) {
    resetSelectors();
    auto s = silence();
    for (int frame = 0; frame < 3; ++frame) {
        computeSpectrumFeatures(s.data());
        updateSelectors();
        EXPECT_FALSE(isPeakFrame());
    }
    EXPECT_EQ(SceneSelector, 0);
    EXPECT_EQ(ColourSelector, 2);
    EXPECT_EQ(PictureSelector, 0);
}

// ---- peak test ---------------------------------------------------------------

TEST(PeakTest, AnyOfTheThreeBinsAtTheFloatNearest08MakesAPeak) {
    const int bins[] = {64, 128, 256};
    for (int bin : bins) {
        auto s = silence();
        s[bin] = 0.8f;
        computeSpectrumFeatures(s.data());
        EXPECT_TRUE(isPeakFrame()) << "bin " << bin;
        s[bin] = std::nextafter(0.8f, 0.0f);
        computeSpectrumFeatures(s.data());
        EXPECT_FALSE(isPeakFrame()) << "bin " << bin;
    }
    auto s = silence();
    s[63] = s[65] = s[127] = s[129] = s[255] = 1.0f;  // loud neighbours alone are no peak
    computeSpectrumFeatures(s.data());
    EXPECT_FALSE(isPeakFrame());
}

}  // namespace
