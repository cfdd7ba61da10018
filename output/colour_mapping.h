// Colouring of the scene into the ColourBuffer and the fading trail.
//
//   int32_t m = mapColours(peak);   // peak: mapping 4; else 0, 1, 2 by ColourSelector, 3 for 3 and 4
//   resetTrail();                   // the trail the show starts from: all 0
//
// Pixels are (R << 16) | (G << 8) | B with components that are neither clamped nor
// masked: a component above 255 or below 0 spills into its neighbours' bits. The
// scene and the trail are read as unsigned 32-bit values; the trail becomes
// floor(0.8 t + 0.2 s) in every mapping.
#pragma once
#include <array>
#include <cstdint>

#include "scenes/scene_constants.h"

using ColourImage = std::array<uint32_t, kScenePixels>;
using TrailImage = std::array<int32_t, kScenePixels>;

extern ColourImage ColourBuffer;
extern TrailImage TrailBuffer;

int32_t mapColours(bool peakFrame);
void resetTrail();
