// The scene every frame draws: 320x200 intensities, row-major, index y * 320 + x.
//
//   SceneBuffer[y * kSceneWidth + x] = value;   // every scene overwrites all of it
//
// Normally 0..255; nothing clamps it, and the colour stage reads it as unsigned.
#pragma once
#include <array>
#include <cstdint>

#include "scenes/scene_constants.h"

using SceneImage = std::array<int32_t, kScenePixels>;

extern SceneImage SceneBuffer;
