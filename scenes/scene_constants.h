// The scene layer's constants: buffer size, the random generator, cut and pattern choice, rotation.
#pragma once
#include <cstdint>

#include "pictures/picture.h"

// A scene is one picture's size: the scenes copy and turn pictures pixel for pixel.
inline constexpr int kSceneWidth = kPictureWidth;
inline constexpr int kSceneHeight = kPictureHeight;
inline constexpr int kScenePixels = kSceneWidth * kSceneHeight;

// The generator: state = state * 214013 + 2531011 (mod 2^32), value = (state >> 16) & 0x7FFF.
inline constexpr uint32_t kRandomStart = 1u;
inline constexpr uint32_t kRandomMultiplier = 214013u;
inline constexpr uint32_t kRandomIncrement = 2531011u;
inline constexpr int kRandomShift = 16;
inline constexpr uint32_t kRandomMask = 0x7FFFu;

inline constexpr int32_t kPeakCutCount = 17;      // cut number = draw mod 17
inline constexpr int32_t kPatternChoiceCount = 9; // pattern kind = draw mod 9
inline constexpr int32_t kMosaicChoice = 0;
inline constexpr int32_t kSpectralRampChoice = 2;
inline constexpr int32_t kPatternWrap = 255;      // the ramps' truncating "mod 255"
inline constexpr double kRampScale = 20.0;

inline constexpr float kRotationDivisor = 3000.0f;  // ms per radian
inline constexpr int kRotationCentreX = 160;
inline constexpr int kRotationCentreY = 100;
// Source index of the picture's centre: row 100, column 160.
inline constexpr int kRotationCentreIndex = kRotationCentreY * kSceneWidth + kRotationCentreX;
inline constexpr double kHalving = 0.5;
