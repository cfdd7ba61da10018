// Turning a 640x480 surface into the bytes of each output format.
//
//   std::string h = y4mHeader(60);                 // once per file
//   std::vector<uint8_t> f(kY4mFrameBytes);
//   encodeY4mFrame(surface, f.data());             // "FRAME\n" + Y, Cb, Cr planes
//   encodeRawFrame(surface, raw);                  // kRawFrameBytes, little-endian uint32
//   encodePng(surface, png);                       // a whole PNG file in memory
//   pngFrameName(7) == "frame-000007.png"
//
// Only the low 24 bits of a pixel (0x00RRGGBB) reach y4m and PNG, as on the
// display; raw keeps all 32. Pure functions of the surface: the same surface
// gives the same bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/ziv-render/render_constants.h"

inline constexpr size_t kRawFrameBytes = static_cast<size_t>(kSurfacePixels) * 4;
inline constexpr size_t kY4mFrameBytes = 6 + static_cast<size_t>(kSurfacePixels) * 3;

std::string y4mHeader(int fps);
void encodeY4mFrame(const uint32_t* surface, uint8_t* out);
// One pixel as BT.601 studio-range Y, Cb, Cr (integer arithmetic).
void rgbToYCbCr(uint32_t pixel, uint8_t* y, uint8_t* cb, uint8_t* cr);
void encodeRawFrame(const uint32_t* surface, uint8_t* out);
bool encodePng(const uint32_t* surface, std::vector<uint8_t>& png);
std::string pngFrameName(int64_t frame);
// Whether a name is one pngFrameName gives: frame-, six or more digits, .png.
bool isFrameFileName(const std::string& name);
