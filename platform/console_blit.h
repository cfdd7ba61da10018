// Drawing the console's picture into a window's own pixels, for presenting without a
// GPU: nearest neighbour into the rectangle fitPicture chose, top byte set opaque.
//
//   blitFitted(picture, 640, 480, window_pixels, pitch_in_pixels, fitPicture(w, h, 640, 480));
//   fillPixels(window_pixels, pitch_in_pixels, w, h, 0xFF000000u);   // black bars
//
// Destination pixel (x, y) of the rectangle shows source pixel
// (((2x + 1) * width) / (2 * r.width), ((2y + 1) * height) / (2 * r.height)): the source
// pixel under its centre, as a GPU's nearest sampling picks it. Whole factors (1, 2, ...)
// make every source pixel an equal square block.
#pragma once
#include <cstdint>

#include "platform/console_fit.h"

inline constexpr uint32_t kOpaque = 0xFF000000u;

void blitFitted(const uint32_t* source, int width, int height, uint32_t* destination, int pitchPixels,
                const PictureRect& r);
void fillPixels(uint32_t* destination, int pitchPixels, int width, int height, uint32_t value);
