// The application's icon at the sizes a desktop asks for, all drawn from the
// one 32x32 16-colour design in platform/app_icon.cpp, so the design has one owner.
//
//   IconImage icon = appIconImage();          // 32x32, 0xAARRGGBB, alpha 0 or 255
//   IconImage big = enlargeIcon(icon, 8);     // 256x256, each pixel an 8x8 square
//   IconImage small = halveIcon(icon);        // 16x16, see halveIcon
//   std::string svg = iconSvg(icon);          // the same pixels as squares in a 32x32 view box
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct IconImage {
    int size = 0;                // width and height
    std::vector<uint32_t> argb;  // row-major, size * size
};

IconImage appIconImage();
IconImage enlargeIcon(const IconImage& icon, int factor);
// Each 2x2 block becomes its most frequent colour; a tie goes to the colour
// earlier in the icon's palette, and transparency loses every tie. Thin
// bright bars on the dark ground thus keep a dark gap between them, and the
// dark outline survives next to the transparent corner.
IconImage halveIcon(const IconImage& icon);
std::string iconSvg(const IconImage& icon);
