// Whole surfaces as PNG files a person can open: the golden frames of
// tests/golden/ and the actual and diff images a failing run writes beside
// them.
//
//   writeSurfacePng("frame.png", pixels, 640, 480);        // false: could not write
//   std::vector<uint32_t> back; int w, h;
//   readSurfacePng("frame.png", back, &w, &h);             // false: missing or not a PNG
//
// Every bit of a 0xAARRGGBB pixel survives the round trip: red, green and
// blue as they are, and the top byte as the alpha channel's complement, so
// pixels the show writes (top byte 0) open fully opaque.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

bool writeSurfacePng(const std::string& path, const uint32_t* pixels, int width, int height);
bool readSurfacePng(const std::string& path, std::vector<uint32_t>& pixels, int* width, int* height);
