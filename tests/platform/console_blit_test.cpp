#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/console_blit.h"
#include "platform/console_fit.h"

namespace {

constexpr uint32_t kOutside = 0x12345678u;

// A 640x480 picture whose every pixel is its own, top bytes set to show they are dropped.
std::vector<uint32_t> numberedPicture() {
    std::vector<uint32_t> p(640 * 480);
    for (uint32_t i = 0; i < p.size(); ++i) p[i] = (i * 2654435761u) | 0x7F000000u;
    return p;
}

// Blits into a display of the given size (with a wider pitch) and checks every pixel
// against the nearest-source rule, and that nothing outside the rectangle was written.
void expectFitted(int displayWidth, int displayHeight) {
    const std::vector<uint32_t> picture = numberedPicture();
    const int pitch = displayWidth + 24;
    std::vector<uint32_t> display(static_cast<size_t>(pitch) * displayHeight, kOutside);
    const PictureRect r = fitPicture(displayWidth, displayHeight, 640, 480);
    blitFitted(picture.data(), 640, 480, display.data(), pitch, r);
    for (int y = 0; y < displayHeight; ++y) {
        for (int x = 0; x < pitch; ++x) {
            const uint32_t got = display[static_cast<size_t>(y) * pitch + x];
            const bool inside = x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
            if (!inside) {
                ASSERT_EQ(got, kOutside) << "written outside the picture at " << x << "," << y;
                continue;
            }
            const int sx = ((2 * (x - r.x) + 1) * 640) / (2 * r.width);
            const int sy = ((2 * (y - r.y) + 1) * 480) / (2 * r.height);
            ASSERT_EQ(got, picture[static_cast<size_t>(sy) * 640 + sx] | 0xFF000000u)
                << displayWidth << "x" << displayHeight << " at " << x << "," << y;
        }
    }
}

TEST(ConsoleBlit, OneToOneWindowIsThePictureMadeOpaque) { expectFitted(640, 480); }

TEST(ConsoleBlit, WholeFactorsMakeSquareBlocksBetweenUntouchedBars) {
    expectFitted(1280, 1024);  // doubled, bars above and below
    expectFitted(1920, 1080);  // doubled, bars all round
    expectFitted(2000, 1500);  // three times
}

TEST(ConsoleBlit, SmallerScreensTakeTheNearestSourcePixel) {
    expectFitted(1024, 768);  // 1.6 times
    expectFitted(800, 480);   // bars left and right, one to one
    expectFitted(320, 240);   // halved
}

TEST(ConsoleBlit, FillPaintsOnlyItsRectangle) {
    std::vector<uint32_t> display(10 * 4, kOutside);
    fillPixels(display.data(), 10, 7, 3, kOpaque);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x) EXPECT_EQ(display[y * 10 + x], (x < 7 && y < 3) ? kOpaque : kOutside);
}

// --- the sharp fill

// How many screen rows (or columns) each source row (column) covers: the source is one
// column (row) of `size` pixels, one of them white, blitted into `screen` pixels; the
// white's share of every screen pixel is summed. Nearest or sharp, as asked.
std::vector<double> coveredSizes(int size, int screen, bool sharp) {
    std::vector<double> covered(static_cast<size_t>(size));
    std::vector<uint32_t> source(static_cast<size_t>(size));
    std::vector<uint32_t> shown(static_cast<size_t>(screen));
    for (int k = 0; k < size; ++k) {
        std::fill(source.begin(), source.end(), 0u);
        source[k] = 0xFFFFFFu;
        const PictureRect r{0, 0, 1, screen};
        if (sharp)
            blitSharp(source.data(), 1, size, shown.data(), 1, r);
        else
            blitFitted(source.data(), 1, size, shown.data(), 1, r);
        double sum = 0.0;
        for (uint32_t p : shown) sum += (p & 0xFFu) / 255.0;
        covered[k] = sum;
    }
    return covered;
}

double spread(const std::vector<double>& v) {
    return *std::max_element(v.begin(), v.end()) - *std::min_element(v.begin(), v.end());
}

TEST(ConsoleSharpFill, EverySourceRowCoversTheSameHeightOnScreen) {
    // 480 rows onto a 1920x1080, 3840x2160, 1680x1050 and 1024x768 screen: 2.25, 4.5,
    // 2.1875 and 1.6 screen rows each. Nearest sampling gives 2 or 3, 4 or 5, ... rows.
    for (const int screen : {1080, 2160, 1050, 768}) {
        const std::vector<double> sharp = coveredSizes(480, screen, true);
        const double each = screen / 480.0;
        for (int k = 0; k < 480; ++k) ASSERT_NEAR(sharp[k], each, 0.02) << "row " << k << " at " << screen;
        const std::vector<double> nearest = coveredSizes(480, screen, false);
        EXPECT_LT(spread(sharp), 0.03) << screen;
        EXPECT_GE(spread(nearest), 1.0) << "nearest sampling is even at " << screen;
        std::printf("480 rows on %d: sharp %.4f..%.4f, nearest %.0f..%.0f screen rows\n", screen,
                    *std::min_element(sharp.begin(), sharp.end()), *std::max_element(sharp.begin(), sharp.end()),
                    *std::min_element(nearest.begin(), nearest.end()), *std::max_element(nearest.begin(), nearest.end()));
    }
    // Columns: 640 onto 1440 and 2880 (the 4:3 area of 1920x1080 and 3840x2160).
    for (const int screen : {1440, 2880}) EXPECT_LT(spread(coveredSizes(640, screen, true)), 0.03) << screen;
}

TEST(ConsoleSharpFill, OnlyTheRowStraddlingAnEdgeIsMixed) {
    // Two flat colours, rows 0..239 and 240..479, over 1080 rows: every screen row is
    // exactly one of them but the single row that holds the edge at 540.
    std::vector<uint32_t> source(480);
    for (int k = 0; k < 480; ++k) source[k] = k < 240 ? 0x102030u : 0xF0E0D0u;
    std::vector<uint32_t> shown(1080);
    blitSharp(source.data(), 1, 480, shown.data(), 1, PictureRect{0, 0, 1, 1080});
    for (int y = 0; y < 1080; ++y) EXPECT_EQ(shown[y], (y < 540 ? 0x102030u : 0xF0E0D0u) | kOpaque) << y;
    // One source row in the middle of black: its 2.25 rows are two full rows and a quarter.
    std::fill(source.begin(), source.end(), 0u);
    source[100] = 0xFFFFFFu;  // rows 225, 226 full, 227 one quarter (100 * 2.25 = 225)
    blitSharp(source.data(), 1, 480, shown.data(), 1, PictureRect{0, 0, 1, 1080});
    for (int y = 0; y < 1080; ++y) {
        const uint32_t want = y == 225 || y == 226 ? 0xFFFFFFu : y == 227 ? 0x404040u : 0u;
        EXPECT_EQ(shown[y], want | kOpaque) << y;
    }
}

TEST(ConsoleSharpFill, StaysInsideItsRectangleAndKeepsFlatAreasExact) {
    // The 4:3 area of a 1920x1080 display with a wider pitch, from a picture of 8x8 flat
    // blocks: pixels well inside a block are the block's colour exactly.
    std::vector<uint32_t> picture(640 * 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) picture[y * 640 + x] = ((x / 8) * 2654435761u + (y / 8) * 40503u) & 0xFFFFFFu;
    const int pitch = 1920 + 24;
    std::vector<uint32_t> display(static_cast<size_t>(pitch) * 1080, kOutside);
    const PictureRect r = fitPicture(1920, 1080, 640, 480, false);
    blitSharp(picture.data(), 640, 480, display.data(), pitch, r);
    for (int y = 0; y < 1080; ++y) {
        for (int x = 0; x < pitch; ++x) {
            const uint32_t got = display[static_cast<size_t>(y) * pitch + x];
            const bool inside = x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
            if (!inside) {
                ASSERT_EQ(got, kOutside) << "written outside the picture at " << x << "," << y;
                continue;
            }
            // 8 source pixels are 18 screen pixels; 2 from each block's edge hold only that block.
            const int bx = (x - r.x) % 18, by = (y - r.y) % 18;
            if (bx < 2 || bx >= 16 || by < 2 || by >= 16) continue;
            const int sx = (x - r.x) * 640 / 1440, sy = (y - r.y) * 480 / 1080;
            ASSERT_EQ(got, picture[static_cast<size_t>(sy) * 640 + sx] | kOpaque) << x << "," << y;
        }
    }
}

TEST(ConsoleSharpFill, WholeFactorsAndShrinkingAreNearestSampling) {
    const std::vector<uint32_t> picture = numberedPicture();
    for (const PictureRect r : {PictureRect{0, 0, 1280, 960}, PictureRect{0, 0, 320, 240}}) {
        std::vector<uint32_t> sharp(static_cast<size_t>(r.width) * r.height);
        std::vector<uint32_t> nearest(sharp.size());
        blitSharp(picture.data(), 640, 480, sharp.data(), r.width, r);
        blitFitted(picture.data(), 640, 480, nearest.data(), r.width, r);
        EXPECT_EQ(sharp, nearest) << r.width;
    }
}

}  // namespace
