// The program's icon: 32x32 pixels, 16 colours plus transparency, drawn as
// text below so it can be edited by eye.
//
//   setAppIcon(window);                  // on any SDL window; false if SDL refused it
//   uint32_t argb[kAppIconSize * kAppIconSize];
//   appIconPixels(argb);                 // 0xAARRGGBB, alpha 0 or 255
//   uint8_t rgba[kAppIconSize * kAppIconSize * 4];
//   appIconRgba(rgba);                   // the same as bytes R, G, B, A
//
// Each row is 32 letters: '0'..'9', 'a'..'f' pick a colour of the
// 16-colour palette, '.' is transparent.
#pragma once
#include <cstdint>

struct SDL_Window;

inline constexpr int kAppIconSize = 32;
inline constexpr int kAppIconColours = 16;

const char* const* appIconRows();
const uint32_t* appIconPalette();
bool appIconPixels(uint32_t* argb);
bool appIconRgba(uint8_t* rgba);
bool setAppIcon(SDL_Window* window);
