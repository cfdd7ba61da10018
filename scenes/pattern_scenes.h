// The pattern scenes of frames without a peak whose SceneSelector is 2 or 3.
//
//   int32_t k = drawPatternScene();  // one draw: k = 0 mosaic, 2 spectral ramp, else ramped PictureSetA[k]
//   drawNoiseMosaic();               // 64000 more draws, one per pixel from index 63999 down to 0
//   drawSpectralRamp();              // from the pixel index and the spectrum alone
//   drawRampedPicture(k);            // PictureSetA[k] brightened per row, scaled, wrapped
//   float o = rowOffset(y);          // ((y*320 * mean63to65) * 20) * bin128, rounded once to float
//
// All read this frame's SpectrumFeatures and overwrite the whole SceneBuffer.
#pragma once
#include <cstdint>

int32_t drawPatternScene();
void drawNoiseMosaic();
void drawSpectralRamp();
void drawRampedPicture(int32_t k);
float rowOffset(int32_t y);
