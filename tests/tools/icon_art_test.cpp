#include "icon_art.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>

#include "platform/app_icon.h"

namespace {

constexpr uint32_t kClear = 0x00000000u;

uint32_t colour(int paletteIndex) { return 0xFF000000u | appIconPalette()[paletteIndex]; }

IconImage fromRows(const std::vector<std::string>& rows) {
    IconImage icon{static_cast<int>(rows.size()), {}};
    for (const std::string& row : rows)
        for (char c : row) icon.argb.push_back(c == '.' ? kClear : colour(c <= '9' ? c - '0' : c - 'a' + 10));
    return icon;
}

}  // namespace

TEST(IconArt, IsTheProgramsOwnIcon) {
    const IconImage icon = appIconImage();
    ASSERT_EQ(icon.size, kAppIconSize);
    std::vector<uint32_t> own(kAppIconSize * kAppIconSize);
    ASSERT_TRUE(appIconPixels(own.data()));
    EXPECT_EQ(icon.argb, own);
}

TEST(IconArt, EnlargingKeepsEveryPixelASharpSquare) {
    const IconImage icon = appIconImage();
    const IconImage big = enlargeIcon(icon, 8);
    ASSERT_EQ(big.size, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            ASSERT_EQ(big.argb[y * 256 + x], icon.argb[(y / 8) * 32 + x / 8]) << x << "," << y;
}

TEST(IconArt, HalvingTakesTheMajorityAndBreaksTiesByPaletteThenTransparency) {
    // Blocks, left to right: three bright over one dark; bright and dark
    // half and half; outline and transparency half and half; all clear.
    const IconImage icon = fromRows({
        "ee1e0.00..",
        "e111.0....",
    });
    IconImage square{10, icon.argb};
    square.argb.resize(100, kClear);
    const IconImage half = halveIcon(square);
    ASSERT_EQ(half.size, 5);
    EXPECT_EQ(half.argb[0], colour(14));
    EXPECT_EQ(half.argb[1], colour(1));  // the dark ground keeps the gap between bars
    EXPECT_EQ(half.argb[2], colour(0));  // the outline beats transparency
    EXPECT_EQ(half.argb[3], colour(0));  // three outline pixels
    EXPECT_EQ(half.argb[4], kClear);
}

TEST(IconArt, TheSmallIconKeepsTheBarsApartAndTheOutlineWhole) {
    const IconImage small = halveIcon(appIconImage());
    ASSERT_EQ(small.size, 16);
    // Row 11 of the small icon crosses the six bars at their feet (rows 22-23 of the design).
    std::string row;
    for (int x = 0; x < 16; ++x) {
        const uint32_t c = small.argb[11 * 16 + x];
        row += c == kClear ? '.' : c == colour(10) ? 'a' : c == colour(1) ? '1' : c == colour(0) ? '0' : '?';
    }
    EXPECT_EQ(row, "01a1a1a1a1a1a110");
    // The corners stay transparent, the edges between them are outline.
    EXPECT_EQ(small.argb[0], kClear);
    EXPECT_EQ(small.argb[15 * 16 + 15], kClear);
    EXPECT_EQ(small.argb[8 * 16 + 0], colour(0));
    EXPECT_EQ(small.argb[8 * 16 + 15], colour(0));
}

TEST(IconArt, TheSvgDrawsExactlyTheIconsPixels) {
    const IconImage icon = appIconImage();
    const std::string svg = iconSvg(icon);
    EXPECT_NE(svg.find("viewBox=\"0 0 32 32\""), std::string::npos);
    std::vector<uint32_t> drawn(32 * 32, kClear);
    const std::regex rect("<rect x=\"(\\d+)\" y=\"(\\d+)\" width=\"(\\d+)\" height=\"1\" fill=\"#([0-9A-F]{6})\"/>");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), rect); it != std::sregex_iterator(); ++it) {
        const int x = std::stoi((*it)[1]), y = std::stoi((*it)[2]), w = std::stoi((*it)[3]);
        const uint32_t c = 0xFF000000u | static_cast<uint32_t>(std::stoul((*it)[4], nullptr, 16));
        for (int i = 0; i < w; ++i) {
            ASSERT_EQ(drawn[y * 32 + x + i], kClear) << "pixel " << x + i << "," << y << " drawn twice";
            drawn[y * 32 + x + i] = c;
        }
    }
    EXPECT_EQ(drawn, icon.argb);
}
