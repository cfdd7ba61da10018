// Decodes the run-length-coded pixels of a PCX block into 32-bit intensities.
//
//   MemoryStream* s = openMemoryStream(block, blockSize);
//   decodePcx(s, 320, 200, picture.data());   // skips the 128-byte header, closes s
#pragma once
#include <cstdint>

#include "pictures/read_stream.h"

inline constexpr int kPcxHeaderSize = 128;
inline constexpr uint8_t kPcxRunFlag = 0xC0;  // a code byte of 192 or more starts a run

void decodePcx(ReadStream* stream, int32_t width, int32_t height, int32_t* destination);
