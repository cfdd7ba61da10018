// The embedded PCX blocks, compiled in from pictures/blocks/blockNN.pcx at build time.
//
//   const PictureSource& b = kPictureBlocks[6];   // block 7 (block numbers start at 1)
//   MemoryStream* s = openMemoryStream(b.data, b.size);
#pragma once
#include <cstdint>

struct PictureSource {
    const uint8_t* data;  // read-only, lives for the whole process
    int32_t size;         // bytes
};

inline constexpr int kPictureBlockCount = 35;

extern const PictureSource kPictureBlocks[kPictureBlockCount];
