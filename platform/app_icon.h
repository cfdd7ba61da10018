// The program's icon: 32x32 pixels, 16 colours plus transparency, drawn as
// text in app_icon.cpp so it can be edited by eye. Standard library only, a
// library of its own (ziv_app_icon), so the icon tools link the design and
// nothing else; platform/window_icon.h puts it on a window.
//
//   uint32_t argb[kAppIconSize * kAppIconSize];
//   appIconPixels(argb);                 // 0xAARRGGBB, alpha 0 or 255
//   uint8_t rgba[kAppIconSize * kAppIconSize * 4];
//   appIconRgba(rgba);                   // the same as bytes R, G, B, A
//
// Each row is 32 letters: '0'..'9', 'a'..'f' pick a colour of the
// 16-colour palette, '.' is transparent.
#pragma once
#include <cstdint>

inline constexpr int kAppIconSize = 32;
inline constexpr int kAppIconColours = 16;

const char* const* appIconRows();
const uint32_t* appIconPalette();
bool appIconPixels(uint32_t* argb);
bool appIconRgba(uint8_t* rgba);
