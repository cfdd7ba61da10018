#include "gst/frame_fit.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Each source pixel holds its own coordinates, so a copied pixel tells where it came from.
std::vector<uint32_t> coordinatePicture(int width, int height) {
    std::vector<uint32_t> pixels(static_cast<size_t>(width * height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels[static_cast<size_t>(y * width + x)] = 0x01000000u | (y << 12) | x;
    return pixels;
}

struct Output {
    int width, height;
    size_t stride;
    std::vector<uint8_t> bytes;
    uint32_t at(int x, int y) const {
        uint32_t v;
        std::memcpy(&v, bytes.data() + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 4, 4);
        return v;
    }
};

Output fitted(int width, int height, int pictureWidth = 640, int pictureHeight = 480, size_t padding = 0) {
    FrameFit fit;
    fit.resize(width, height, pictureWidth, pictureHeight);
    Output out{width, height, static_cast<size_t>(width) * 4 + padding, {}};
    out.bytes.assign(out.stride * static_cast<size_t>(height), 0xAB);
    const std::vector<uint32_t> picture = coordinatePicture(pictureWidth, pictureHeight);
    fit.copy(picture.data(), out.bytes.data(), out.stride);
    return out;
}

}  // namespace

TEST(FrameFit, SameSizeCopiesEveryPixelAndLeavesStridePaddingAlone) {
    const Output out = fitted(640, 480, 640, 480, 16);
    for (int y = 0; y < 480; y += 7)
        for (int x = 0; x < 640; x += 5) ASSERT_EQ(out.at(x, y), 0x01000000u | (y << 12) | x) << x << "," << y;
    EXPECT_EQ(out.at(639, 479), 0x01000000u | (479 << 12) | 639);
    EXPECT_EQ(out.bytes[640 * 4], 0xAB);   // padding after the first row untouched
}

TEST(FrameFit, WholeFactorRepeatsEachPixelExactly) {
    const Output out = fitted(1920, 1440);
    for (int y = 0; y < 1440; y += 11)
        for (int x = 0; x < 1920; x += 13) ASSERT_EQ(out.at(x, y), 0x01000000u | ((y / 3) << 12) | (x / 3));
}

TEST(FrameFit, WideOutputGetsBarsLeftAndRightWithSquarePixels) {
    FrameFit fit;
    fit.resize(1280, 720, 640, 480);
    EXPECT_EQ(fit.pictureWidth(), 960);   // 720 x 4 / 3: the same factor both ways
    EXPECT_EQ(fit.pictureHeight(), 720);
    EXPECT_EQ(fit.left(), 160);
    EXPECT_EQ(fit.top(), 0);
    const Output out = fitted(1280, 720);
    for (int y = 0; y < 720; y += 9) {
        EXPECT_EQ(out.at(0, y), 0u);
        EXPECT_EQ(out.at(159, y), 0u);
        EXPECT_EQ(out.at(1120, y), 0u);
        EXPECT_EQ(out.at(1279, y), 0u);
        EXPECT_NE(out.at(160, y), 0u);
        EXPECT_NE(out.at(1119, y), 0u);
    }
    EXPECT_EQ(out.at(160, 0), 0x01000000u);                       // the picture's corners reach its edges
    EXPECT_EQ(out.at(1119, 719), 0x01000000u | (479 << 12) | 639);
}

TEST(FrameFit, TallOutputGetsBarsAboveAndBelow) {
    FrameFit fit;
    fit.resize(640, 720, 640, 480);
    EXPECT_EQ(fit.pictureWidth(), 640);
    EXPECT_EQ(fit.pictureHeight(), 480);
    EXPECT_EQ(fit.top(), 120);
    const Output out = fitted(640, 720);
    EXPECT_EQ(out.at(300, 119), 0u);
    EXPECT_EQ(out.at(300, 120), 0x01000000u | 300);
    EXPECT_EQ(out.at(300, 599), 0x01000000u | (479 << 12) | 300);
    EXPECT_EQ(out.at(300, 600), 0u);
}

TEST(FrameFit, SmallerOutputSamplesNearestPixels) {
    const Output out = fitted(320, 240);
    for (int y = 0; y < 240; y += 3)
        for (int x = 0; x < 320; x += 3) ASSERT_EQ(out.at(x, y), 0x01000000u | ((2 * y + 1) << 12) | (2 * x + 1));
}

TEST(FrameFit, TinyAndOddSizesStayInsideTheOutput) {
    for (const auto& [w, h] : {std::pair{1, 1}, {1, 480}, {640, 1}, {3, 7}, {641, 481}, {7, 3}}) {
        FrameFit fit;
        fit.resize(w, h, 640, 480);
        EXPECT_GE(fit.pictureWidth(), 1);
        EXPECT_GE(fit.pictureHeight(), 1);
        EXPECT_LE(fit.left() + fit.pictureWidth(), w) << w << "x" << h;
        EXPECT_LE(fit.top() + fit.pictureHeight(), h) << w << "x" << h;
        const Output out = fitted(w, h);
        // Every pixel is a bar's black or a picture pixel (top byte 1), none the fill left before.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_TRUE(out.at(x, y) == 0 || out.at(x, y) >> 24 == 1) << x << "," << y << " at " << w << "x" << h;
    }
}
