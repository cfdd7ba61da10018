// The picture bank read through the real embedded blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "pictures/pcx_decoder.h"
#include "pictures/picture_bank.h"
#include "pictures/picture_blocks.h"
#include "scenes/rotating_scene.h"
#include "scenes/scene_buffer.h"
#include "scenes/scene_constants.h"
#include "scenes/spectrum_features.h"

namespace {

struct Stats {
    int32_t min, max;
    double mean;
};

Stats statsOf(const Picture& p) {
    Stats s{INT32_MAX, INT32_MIN, 0.0};
    int64_t sum = 0;
    for (int32_t v : p) {
        s.min = std::min(s.min, v);
        s.max = std::max(s.max, v);
        sum += v;
    }
    s.mean = static_cast<double>(sum) / kPicturePixels;
    return s;
}

class Bank : public ::testing::Test {
protected:
    static void SetUpTestSuite() { loadPictureBank(); }
};

}  // namespace

TEST_F(Bank, SinglePicturesHaveTheirIntensityRangeAndMean) {
    struct Expected {
        const Picture* picture;
        const char* name;
        int32_t min, max;
        double mean;
    };
    const Expected expected[] = {
        {&Picture1, "Picture1", 86, 221, 179.0}, {&Picture2, "Picture2", 4, 73, 32.0},
        {&Picture3, "Picture3", 0, 120, 34.0},   {&Picture4, "Picture4", 32, 216, 117.0},
        {&Picture5, "Picture5", 4, 73, 32.0},    {&Picture6, "Picture6", 0, 255, 128.0},
        {&Picture7, "Picture7", 0, 255, 162.0},
    };
    for (const Expected& e : expected) {
        const Stats s = statsOf(*e.picture);
        EXPECT_NEAR(s.min, e.min, 4) << e.name;
        EXPECT_NEAR(s.max, e.max, 4) << e.name;
        EXPECT_NEAR(s.mean, e.mean, 3.0) << e.name;
    }
    const Stats p8 = statsOf(Picture8);
    EXPECT_NEAR(p8.min, 0, 4);
    EXPECT_NEAR(p8.max, 217, 4);
    EXPECT_LE(p8.mean, 1.0) << "Picture8 is almost black";
    EXPECT_GT(p8.mean, 0.0);
}

// The rotating scene shows nothing of Picture8 outside the disc of radius 94
// around the centre: every lit pixel has to be inside it.
TEST_F(Bank, Picture8LightsOnlyTheVisibleDisc) {
    int lit = 0;
    for (int y = 0; y < kPictureHeight; ++y) {
        for (int x = 0; x < kPictureWidth; ++x) {
            if (Picture8[static_cast<size_t>(y * kPictureWidth + x)] == 0) continue;
            ++lit;
            const int dx = x - 160, dy = y - 100;
            EXPECT_LE(dx * dx + dy * dy, 94 * 94) << "lit pixel at " << x << ", " << y;
        }
    }
    EXPECT_GT(lit, 20);
}

TEST_F(Bank, EveryValueIsAnIntensity) {
    for (int i = 0; i < kPictureBankSize; ++i) {
        const Stats s = statsOf(*pictureDecodeSteps()[i].picture);
        EXPECT_GE(s.min, 0) << pictureDecodeSteps()[i].name;
        EXPECT_LE(s.max, 255) << pictureDecodeSteps()[i].name;
    }
}

TEST_F(Bank, SetMeansSpreadOverTheirRanges) {
    struct Set {
        const Picture* pictures;
        int count;
        double low, high;
    };
    const Set sets[] = {{PictureSetA, kPictureSetASize, 59.0, 175.0}, {PictureSetB, kPictureSetBSize, 6.0, 70.0}};
    for (const Set& set : sets) {
        std::vector<double> means;
        for (int i = 0; i < set.count; ++i) means.push_back(statsOf(set.pictures[i]).mean);
        const auto [lo, hi] = std::minmax_element(means.begin(), means.end());
        EXPECT_NEAR(*lo, set.low, 3.0);
        EXPECT_NEAR(*hi, set.high, 3.0);
    }
}

TEST_F(Bank, DecodeStepsFollowTheBlockTable) {
    std::vector<int> blocks;
    for (int i = 0; i < kPictureBankSize; ++i) blocks.push_back(pictureDecodeSteps()[i].block);
    std::vector<int> expected = {1, 2, 3, 4, 2, 5, 6};
    for (int b = 7; b <= 35; ++b) expected.push_back(b);
    EXPECT_EQ(blocks, expected);
    EXPECT_EQ(pictureDecodeSteps()[0].picture, &Picture1);
    EXPECT_EQ(pictureDecodeSteps()[4].picture, &Picture5);
    EXPECT_EQ(pictureDecodeSteps()[7].picture, &PictureSetA[0]);
    EXPECT_EQ(pictureDecodeSteps()[16].picture, &PictureSetB[0]);
    EXPECT_EQ(pictureDecodeSteps()[35].picture, &Picture8);
}

TEST_F(Bank, EachPictureHoldsItsOwnBlock) {
    std::vector<int32_t> decoded(kPicturePixels);
    for (int i = 0; i < kPictureBankSize; ++i) {
        const PictureDecodeStep& step = pictureDecodeSteps()[i];
        const PictureSource& source = kPictureBlocks[step.block - 1];
        MemoryStream s(source.data, source.size);
        std::fill(decoded.begin(), decoded.end(), -1);
        decodePcx(&s, kPictureWidth, kPictureHeight, decoded.data());
        EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), step.picture->begin())) << step.name;
    }
}

TEST_F(Bank, Picture2AndPicture5AreEqualAndEveryOtherPairDiffers) {
    EXPECT_EQ(Picture2, Picture5);
    for (int i = 0; i < kPictureBankSize; ++i) {
        for (int j = i + 1; j < kPictureBankSize; ++j) {
            const PictureDecodeStep& a = pictureDecodeSteps()[i];
            const PictureDecodeStep& b = pictureDecodeSteps()[j];
            if (a.picture == &Picture2 && b.picture == &Picture5) continue;
            EXPECT_NE(*a.picture, *b.picture) << a.name << " and " << b.name;
        }
    }
}

TEST_F(Bank, LoadingAgainGivesTheSamePictures) {
    const Picture first = PictureSetB[7];
    const Picture eighth = Picture8;
    loadPictureBank();
    EXPECT_EQ(PictureSetB[7], first);
    EXPECT_EQ(Picture8, eighth);
}

// The turning scene as drawn (magnified, turned): the picture that
// kBrightestPicture selects lights the frame more than either other, in both
// scenes and at every angle of a turn. What steers the selector relies on it.
TEST_F(Bank, TheBrightestPictureOfTheTurningSceneIsSo) {
    auto meanOfScene = [](const Picture& picture, bool negated, int32_t ms) {
        rotatePicture(picture, SceneBuffer, negated ? -static_cast<float>(ms) : static_cast<float>(ms), kRotationDivisor);
        int64_t sum = 0;
        for (int32_t v : SceneBuffer) sum += v;
        return static_cast<double>(sum) / kScenePixels;
    };
    for (int scene = 0; scene < 2; ++scene)
        for (int32_t ms = 0; ms < 19000; ms += 1000) {
            double mean[kPictureSelectorCount];
            for (int p = 0; p < kPictureSelectorCount; ++p) {
                const RotatingSceneRow& row = RotatingSceneTable[scene * kPictureSelectorCount + p];
                mean[p] = meanOfScene(*row.picture, row.negatedAngle, ms);
            }
            for (int p = 0; p < kPictureSelectorCount; ++p) {
                if (p != kBrightestPicture) {
                    EXPECT_GT(mean[kBrightestPicture], 1.5 * mean[p]) << "scene " << scene << ", picture " << p << ", " << ms << " ms";
                }
            }
        }
}

// Every committed block is in exactly the asset format the show was built around.
TEST(Blocks, EveryBlockIsInTheAssetFormat) {
    for (int n = 0; n < kPictureBlockCount; ++n) {
        SCOPED_TRACE("block " + std::to_string(n + 1));
        const PictureSource& source = kPictureBlocks[n];
        ASSERT_GT(source.size, kPcxHeaderSize + 769);
        const uint8_t* b = source.data;
        const auto u16 = [b](int at) { return b[at] | (b[at + 1] << 8); };
        EXPECT_EQ(b[0], 0x0A);
        EXPECT_EQ(b[1], 5);
        EXPECT_EQ(b[2], 1);
        EXPECT_EQ(b[3], 8);
        EXPECT_EQ(u16(4), 0);
        EXPECT_EQ(u16(6), 0);
        EXPECT_EQ(u16(8), 319);
        EXPECT_EQ(u16(10), 199);
        EXPECT_EQ(b[64], 0);
        EXPECT_EQ(b[65], 1);
        EXPECT_EQ(u16(66), 320);
        EXPECT_EQ(u16(68), 2);
        EXPECT_EQ(u16(70), 0);
        EXPECT_EQ(u16(72), 0);
        for (int i = 74; i < 128; ++i) ASSERT_EQ(b[i], 0) << "filler byte " << i;

        // Codes: every row exactly 320 pixels, no run crossing a row end, no empty run.
        int at = kPcxHeaderSize;
        const int codesEnd = source.size - 769;
        for (int row = 0; row < kPictureHeight; ++row) {
            int x = 0;
            while (x < kPictureWidth) {
                ASSERT_LT(at, codesEnd) << "codes run into the palette in row " << row;
                const uint8_t code = b[at++];
                if (code < 0xC0) {
                    ++x;
                    continue;
                }
                ASSERT_NE(code, 0xC0) << "empty run in row " << row;
                ASSERT_LT(at, codesEnd);
                ++at;
                x += code - 0xC0;
            }
            ASSERT_EQ(x, kPictureWidth) << "a run crosses the end of row " << row;
        }
        EXPECT_EQ(at, codesEnd) << "extra bytes after the codes";
        EXPECT_EQ(b[codesEnd], 0x0C);
        for (int i = 0; i < 256; ++i) {
            for (int k = 0; k < 3; ++k) ASSERT_EQ(b[codesEnd + 1 + 3 * i + k], i) << "palette entry " << i;
        }
    }
}

namespace {

int opens = 0;
MemoryStream* failOnEighthOpen(const uint8_t* data, int32_t size) {
    return ++opens == 8 ? nullptr : openMemoryStream(data, size);
}

}  // namespace

TEST(BankDeathTest, StopsWithAMessageWhenAStreamCannotBeOpened) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            opens = 0;
            useStreamOpener(failOnEighthOpen);
            loadPictureBank();
        },
        ::testing::ExitedWithCode(1), "ziv: cannot open picture block 7 \\(PictureSetA\\[0\\]\\): out of memory");
    useStreamOpener(nullptr);
}
