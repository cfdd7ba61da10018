// A picture: 320x200 intensities, row-major, index y * 320 + x.
#pragma once
#include <array>
#include <cstdint>

inline constexpr int kPictureWidth = 320;
inline constexpr int kPictureHeight = 200;
inline constexpr int kPicturePixels = kPictureWidth * kPictureHeight;

using Picture = std::array<int32_t, kPicturePixels>;
