// The doubled frame, written into the locked 640x480 surface.
//
//   bool full = outputFrame(pixels);  // pixels: row-major, 640 per row; full: ColourSelector was 1
//
// Source row k becomes surface row 40 + 2k (the TrailBuffer, tinted by inv44to46, bin1
// and bin2) and 41 + 2k (the ColourBuffer); source column i becomes columns 2i and 2i + 1.
// Rows 0..39 and 440..479 are never written. Unless ColourSelector is 1 only the odd
// columns of the colour rows are written, so the even ones keep what an earlier frame left.
// A null pixel pointer writes nothing (tools that want only the buffers).
#pragma once
#include <cstdint>

bool outputFrame(uint32_t* pixels);
