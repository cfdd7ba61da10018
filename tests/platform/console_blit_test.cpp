#include <gtest/gtest.h>

#include <cstdint>
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

}  // namespace
