#include "platform/app_icon.h"

namespace {

// The sixteen colours of the classic PC palette, 0x00RRGGBB.
constexpr uint32_t kPalette[kAppIconColours] = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
    0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
};

// A spectrum of six bands over a dark blue tile.
constexpr const char* kRows[kAppIconSize] = {
    "................................",
    "...00000000000000000000000000...",
    "..0111111111111111111111111110..",
    ".011111111111111111111111111110.",
    ".01111111111fff1111111111111110.",
    ".011111111111111111111111111110.",
    ".01111111111ccc1111111111111110.",
    ".01111111111ccc11111fff11111110.",
    ".01111111111ccc1111111111111110.",
    ".0111111fff1ccc11111ccc11111110.",
    ".01111111111ccc11111ccc11111110.",
    ".0111111ccc1ccc11111ccc11111110.",
    ".0111111ccc1ccc1fff1ccc11111110.",
    ".0111111ccc1ccc11111ccc11111110.",
    ".0111111eee1eee1eee1eee11111110.",
    ".011fff1eee1eee1eee1eee11111110.",
    ".0111111eee1eee1eee1eee11111110.",
    ".011eee1eee1eee1eee1eee1fff1110.",
    ".011eee1eee1eee1eee1eee11111110.",
    ".011eee1eee1eee1eee1eee1eee1110.",
    ".011aaa1aaa1aaa1aaa1aaa1aaa1110.",
    ".011aaa1aaa1aaa1aaa1aaa1aaa1110.",
    ".011aaa1aaa1aaa1aaa1aaa1aaa1110.",
    ".011aaa1aaa1aaa1aaa1aaa1aaa1110.",
    ".011aaa1aaa1aaa1aaa1aaa1aaa1110.",
    ".011aaa1aaa1aaa1aaa1aaa1aaa1110.",
    ".011111111111111111111111111110.",
    ".088888888888888888888888888880.",
    ".011111111111111111111111111110.",
    "..0111111111111111111111111110..",
    "...00000000000000000000000000...",
    "................................",
};

int paletteIndex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

const char* const* appIconRows() { return kRows; }
const uint32_t* appIconPalette() { return kPalette; }

bool appIconPixels(uint32_t* argb) {
    for (int y = 0; y < kAppIconSize; ++y) {
        const char* row = kRows[y];
        for (int x = 0; x < kAppIconSize; ++x) {
            if (row[x] == '\0') return false;  // a short row: never read past its end
            const int i = paletteIndex(row[x]);
            if (i < 0 && row[x] != '.') return false;
            argb[y * kAppIconSize + x] = i < 0 ? 0u : 0xFF000000u | kPalette[i];
        }
    }
    return true;
}

bool appIconRgba(uint8_t* rgba) {
    uint32_t argb[kAppIconSize * kAppIconSize];
    if (!appIconPixels(argb)) return false;
    for (int i = 0; i < kAppIconSize * kAppIconSize; ++i) {
        rgba[4 * i + 0] = static_cast<uint8_t>(argb[i] >> 16);
        rgba[4 * i + 1] = static_cast<uint8_t>(argb[i] >> 8);
        rgba[4 * i + 2] = static_cast<uint8_t>(argb[i]);
        rgba[4 * i + 3] = static_cast<uint8_t>(argb[i] >> 24);
    }
    return true;
}
