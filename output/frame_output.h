// The doubled frame, written into the locked 640x480 surface.
//
//   bool full = outputFrame(pixels);  // pixels: row-major, 640 per row; full: ColourSelector was 1
//
// Source row k becomes surface row 40 + 2k (the TrailBuffer, tinted by inv44to46, bin1
// and bin2) and 41 + 2k (the ColourBuffer); source column i becomes columns 2i and 2i + 1.
// Rows 0..39 and 440..479 are never written. Unless ColourSelector is 1 only the odd
// columns of the colour rows are written, so the even ones keep what an earlier frame left.
// A null pixel pointer writes nothing (tools that want only the buffers).
//
//   if (!full) carryKeptColumns(previousSurface, pixels);  // after outputFrame(pixels) returned full
//
// A caller that draws each frame into another buffer than the frame before (a pool of
// surfaces lent to a writer thread) copies from the frame before the even columns of the
// colour rows, the only pixels a frame without full colour rows keeps that another frame
// writes. The rows above and below the picture are never written: buffers that start
// alike (zeroed, as a new surface) keep them alike.
#pragma once
#include <cstdint>

bool outputFrame(uint32_t* pixels);
void carryKeptColumns(const uint32_t* previous, uint32_t* pixels);
