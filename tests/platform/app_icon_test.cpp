#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "platform/app_icon.h"
#include "platform/window_icon.h"

namespace {

TEST(AppIcon, IsThirtyTwoRowsOfThirtyTwoPaletteLetters) {
    const char* const* rows = appIconRows();
    std::set<char> used;
    for (int y = 0; y < kAppIconSize; ++y) {
        ASSERT_NE(rows[y], nullptr) << "row " << y;
        EXPECT_EQ(std::strlen(rows[y]), static_cast<size_t>(kAppIconSize)) << "row " << y;
        for (const char* c = rows[y]; *c; ++c) {
            EXPECT_TRUE((*c >= '0' && *c <= '9') || (*c >= 'a' && *c <= 'f') || *c == '.') << "row " << y;
            if (*c != '.') used.insert(*c);
        }
    }
    EXPECT_LE(used.size(), static_cast<size_t>(kAppIconColours));
    EXPECT_GE(used.size(), 4u);  // a picture, not a blank tile
}

TEST(AppIcon, PixelsAreOpaquePaletteColoursOrFullyTransparent) {
    uint32_t argb[kAppIconSize * kAppIconSize];
    std::memset(argb, 0xAB, sizeof argb);
    ASSERT_TRUE(appIconPixels(argb));
    const uint32_t* palette = appIconPalette();
    int opaque = 0;
    for (uint32_t p : argb) {
        const uint32_t alpha = p >> 24;
        ASSERT_TRUE(alpha == 0 || alpha == 0xFF) << std::hex << p;
        if (alpha == 0) {
            EXPECT_EQ(p, 0u);
            continue;
        }
        ++opaque;
        bool inPalette = false;
        for (int i = 0; i < kAppIconColours; ++i) inPalette |= (p & 0xFFFFFFu) == palette[i];
        EXPECT_TRUE(inPalette) << std::hex << p;
    }
    EXPECT_EQ(argb[0] >> 24, 0u);  // rounded corners
    EXPECT_EQ(argb[kAppIconSize * kAppIconSize / 2 + kAppIconSize / 2] >> 24, 0xFFu);
    EXPECT_GT(opaque, kAppIconSize * kAppIconSize / 2);
}

TEST(AppIcon, RgbaBytesAreTheSamePixelsInMemoryOrder) {
    uint32_t argb[kAppIconSize * kAppIconSize];
    uint8_t rgba[kAppIconSize * kAppIconSize * 4];
    ASSERT_TRUE(appIconPixels(argb));
    ASSERT_TRUE(appIconRgba(rgba));
    for (int i = 0; i < kAppIconSize * kAppIconSize; ++i) {
        const uint32_t p = argb[i];
        ASSERT_EQ(rgba[4 * i + 0], (p >> 16) & 0xFF) << i;
        ASSERT_EQ(rgba[4 * i + 1], (p >> 8) & 0xFF) << i;
        ASSERT_EQ(rgba[4 * i + 2], p & 0xFF) << i;
        ASSERT_EQ(rgba[4 * i + 3], p >> 24) << i;
    }
}

TEST(AppIcon, SetsOnAWindowAndRefusesNone) {
    EXPECT_FALSE(setAppIcon(nullptr));
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Window* w = SDL_CreateWindow("ziv", 0, 0, 64, 64, SDL_WINDOW_HIDDEN);
    ASSERT_NE(w, nullptr) << SDL_GetError();
    EXPECT_TRUE(setAppIcon(w));
    SDL_DestroyWindow(w);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

}  // namespace
