// A 5x7 bitmap font of our own: capitals, digits and a little punctuation
// (lower case is drawn as capitals, anything else as a blank).
//
//   drawText(canvas, clip, "NIGHT BUS", 10, 20, 3, 1.0);   // 3x scale, cell 6 x 8 units
//   int w = textWidth("NIGHT BUS", 3);
#pragma once
#include <string_view>

#include "tools/ziv-pictures/canvas.h"

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;

// Rows of the glyph from the top, bit 4 the leftmost column; all zero for a blank.
const unsigned char* glyphRows(char ch);
int textWidth(std::string_view text, double scale);
void drawText(Canvas& c, Rect clip, std::string_view text, double x, double y, double scale, double value);
