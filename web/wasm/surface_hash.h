// One hash of a whole 640x480 surface, the same in the page and in the
// native tools that check it.
//
//   uint64_t h = surfaceHash(pixels, 640 * 480);
//
// FNV-1a over the 32-bit pixels, each taken as one value: cheap enough to
// hash every frame of a long replay.
#pragma once
#include <cstddef>
#include <cstdint>

inline uint64_t surfaceHash(const uint32_t* pixels, size_t count) {
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < count; ++i) {
        h ^= pixels[i];
        h *= 1099511628211ull;
    }
    return h;
}
