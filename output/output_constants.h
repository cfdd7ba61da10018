// The colour and output layer's constants.
#pragma once
#include <cstdint>

#include "scenes/scene_constants.h"

inline constexpr int32_t kColourMappingCount = 4;  // chosen by ColourSelector: 0, 1, 2, and 3 for 3 or 4
inline constexpr int32_t kPeakColourMapping = 4;   // reserved for peak frames
inline constexpr int32_t kFullColourRowsSelector = 1;  // ColourSelector that writes every column of the colour rows
inline constexpr double kTrailKeep = 0.8;  // the double nearest 0.8
inline constexpr double kTrailTake = 0.2;  // the double nearest 0.2

inline constexpr int kSurfaceWidth = 640;
inline constexpr int kSurfaceHeight = 480;
inline constexpr int kSurfaceFirstRow = 40;   // rows 0..39 and 440..479 are never written
inline constexpr int kSurfacePixels = kSurfaceWidth * kSurfaceHeight;
