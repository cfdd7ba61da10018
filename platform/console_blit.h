// Drawing the console's picture into a window's own pixels, for presenting without a
// GPU, into the rectangle fitPicture chose, top byte set opaque.
//
//   blitFitted(picture, 640, 480, window_pixels, pitch_in_pixels, fitPicture(w, h, 640, 480));
//   blitSharp(picture, 640, 480, window_pixels, pitch_in_pixels, fitPicture(w, h, 640, 480, false));
//   fillPixels(window_pixels, pitch_in_pixels, w, h, 0xFF000000u);   // black bars
//
// blitFitted samples the nearest source pixel. blitSharp, for enlarging by a factor
// that is not whole, averages each destination pixel's footprint on the source (an
// area filter, the same as growing by the largest whole factor and scaling the rest
// linearly): every source row and column covers the same share of the screen, and only
// the one destination row or column that straddles an edge is mixed, so edges stay
// crisp. Weights are in 1/256: a pixel inside one source pixel is that pixel exactly.
// Shrinking, or a whole factor, takes blitFitted's nearest pixel.
//
// In blitFitted, destination pixel (x, y) of the rectangle shows source pixel
// (((2x + 1) * width) / (2 * r.width), ((2y + 1) * height) / (2 * r.height)): the source
// pixel under its centre, as a GPU's nearest sampling picks it. Whole factors (1, 2, ...)
// make every source pixel an equal square block.
#pragma once
#include <cstdint>

#include "platform/console_fit.h"

inline constexpr uint32_t kOpaque = 0xFF000000u;

void blitFitted(const uint32_t* source, int width, int height, uint32_t* destination, int pitchPixels,
                const PictureRect& r);
void blitSharp(const uint32_t* source, int width, int height, uint32_t* destination, int pitchPixels,
               const PictureRect& r);
// The share (of 256) of source index next = first + 1 in destination index d of an area-
// filtered enlargement from sourceSize to destinationSize; first is the source index at d's start.
struct AreaTap {
    int first;
    int nextWeight;
};
AreaTap areaTap(int d, int sourceSize, int destinationSize);
void fillPixels(uint32_t* destination, int pitchPixels, int width, int height, uint32_t value);
