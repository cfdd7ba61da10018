// Writes a 320x200 greyscale picture as a PCX block in the show's asset format:
// 128-byte header, runs that stop at row ends and are never empty, 0x0C and
// the identity grey palette.
//
//   std::vector<uint8_t> block = encodePcx(grey);
#pragma once
#include <cstdint>
#include <vector>

#include "tools/ziv-pictures/canvas.h"

std::vector<uint8_t> encodePcx(const Grey& picture);
