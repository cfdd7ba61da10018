#include <gtest/gtest.h>

#include <cmath>

#include "scenes/spectrum_features.h"
#include "doubles/synthetic_pictures.h"
#include "pictures/picture_bank.h"
#include "scenes/rotating_scene.h"
#include "scenes/scene_buffer.h"

namespace {

using ziv::test::fillWithIndices;

constexpr int at(int y, int x) { return y * 320 + x; }

// Each source pixel holds its own index, so the scene reads back where every pixel came from.
class RotatingScene : public ::testing::Test {
protected:
    void SetUp() override {
        fillWithIndices(Picture8, 0);
        fillWithIndices(Picture2, 100000);
        fillWithIndices(Picture1, 200000);
        fillWithIndices(Picture3, 300000);
        SpectrumFeatures = {};
        SpectrumFeatures.inv44to46 = 0.75f;
    }
    void TearDown() override {
        SceneSelector = 0;
        PictureSelector = 0;
    }
};

TEST_F(RotatingScene, AtZeroMsItIsThePlainTwofoldMagnification) {
    rotatePicture(Picture8, SceneBuffer, 0.0f, 3000.0f);
    EXPECT_EQ(SceneBuffer[at(0, 0)], 16080);
    EXPECT_EQ(SceneBuffer[at(199, 319)], 47919);
    EXPECT_EQ(SceneBuffer[at(100, 160)], 32160);
    for (int x = 0; x < 320; ++x) {
        EXPECT_EQ(SceneBuffer[at(99, x)], SceneBuffer[at(100, x)]);
        EXPECT_EQ(SceneBuffer[at(101, x)], SceneBuffer[at(100, x)]);
    }
    for (int y = 0; y < 200; ++y) {
        EXPECT_EQ(SceneBuffer[at(y, 159)], SceneBuffer[at(y, 160)]);
        EXPECT_EQ(SceneBuffer[at(y, 161)], SceneBuffer[at(y, 160)]);
    }
    // Column 0 and row 0 map alone; columns 1 and 2 share a source column.
    EXPECT_NE(SceneBuffer[at(50, 0)], SceneBuffer[at(50, 1)]);
    EXPECT_EQ(SceneBuffer[at(50, 1)], SceneBuffer[at(50, 2)]);
    EXPECT_NE(SceneBuffer[at(0, 50)], SceneBuffer[at(1, 50)]);
}

TEST_F(RotatingScene, OneRadianTruncatesTowardZeroAndTheNegatedRowTurnsBack) {
    rotatePicture(Picture8, SceneBuffer, 3000.0f, 3000.0f);
    EXPECT_EQ(SceneBuffer[at(100, 180)], at(92, 165));  // v = trunc(-8.41) = -8, not -9
    rotatePicture(Picture8, SceneBuffer, -3000.0f, 3000.0f);
    EXPECT_EQ(SceneBuffer[at(100, 180)], at(108, 165));
}

TEST_F(RotatingScene, CosineIsRoundedToFloatAndSineIsNot) {
    // Pixels where keeping the cosine in double, not rounding dy * c to float, or rounding
    // the sine to float would each pick a neighbouring source pixel.
    rotatePicture(Picture8, SceneBuffer, 676.0f, 3000.0f);
    EXPECT_EQ(SceneBuffer[at(13, 304)], 13660);
    rotatePicture(Picture8, SceneBuffer, 544.0f, 3000.0f);
    EXPECT_EQ(SceneBuffer[at(77, 39)], 32099);
    rotatePicture(Picture8, SceneBuffer, 125.0f, 3000.0f);
    EXPECT_EQ(SceneBuffer[at(97, 15)], 32409);
}

TEST_F(RotatingScene, EveryPixelMatchesThePlainFormulaAtManyAngles) {
    const float angles[] = {0.0f, 125.0f, 1234.0f, 4712.0f, -9000.0f, 56548.0f, 393999.0f, 16777216.0f};
    for (float ms : angles) {
        rotatePicture(Picture8, SceneBuffer, ms, 3000.0f);
        const double theta = static_cast<double>(ms) / 3000.0;
        const double c = static_cast<float>(std::cos(theta));
        const double s = std::sin(theta);
        for (int y = 0; y < 200; ++y) {
            const int dy = (y - 100) / 2;
            const double yc = static_cast<float>(dy * c);
            for (int x = 0; x < 320; ++x) {
                const int dx = (x - 160) / 2;
                const int v = static_cast<int>(yc - dx * s);
                const int u = static_cast<int>(dx * c + dy * s);
                ASSERT_EQ(SceneBuffer[at(y, x)], v * 320 + u + 32160) << ms << " ms, row " << y << ", column " << x;
                ASSERT_GE(u, -94);
                ASSERT_LE(u, 94);
            }
        }
    }
}

TEST_F(RotatingScene, TableChoosesPictureDirectionAndHalving) {
    struct Row { int32_t scene, picture, offset; int32_t pixel; bool halved; };
    // At 3000 ms, row 100 column 180 shows (92, 165) turning forward, (108, 165) backward.
    const Row rows[] = {
        {0, 0, 0, at(92, 165), false},      {0, 1, 100000, at(92, 165), false},
        {0, 2, 200000, at(92, 165), true},  {1, 0, 300000, at(108, 165), false},
        {1, 1, 100000, at(92, 165), false}, {1, 2, 200000, at(92, 165), true},
    };
    for (const Row& r : rows) {
        SceneSelector = r.scene;
        PictureSelector = r.picture;
        SpectrumFeatures.inv44to46 = 0.75f;
        EXPECT_EQ(drawRotatingScene(3000), r.scene * 3 + r.picture);
        EXPECT_EQ(SceneBuffer[at(100, 180)], r.offset + r.pixel) << r.scene << "/" << r.picture;
        EXPECT_EQ(SpectrumFeatures.inv44to46, r.halved ? 0.375f : 0.75f) << r.scene << "/" << r.picture;
    }
}

}  // namespace
