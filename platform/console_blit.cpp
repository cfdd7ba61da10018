#include "platform/console_blit.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstring>
#include <vector>

namespace {

void copyRowOpaque(const uint32_t* in, uint32_t* out, int width) {
    int x = 0;
#if defined(__SSE2__)
    const __m128i opaque = _mm_set1_epi32(static_cast<int32_t>(kOpaque));
    for (; x + 4 <= width; x += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                         _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x)), opaque));
#endif
    for (; x < width; ++x) out[x] = in[x] | kOpaque;
}

void doubleRowOpaque(const uint32_t* in, uint32_t* out, int width) {
    int x = 0;
#if defined(__SSE2__)
    const __m128i opaque = _mm_set1_epi32(static_cast<int32_t>(kOpaque));
    for (; x + 4 <= width; x += 4) {
        const __m128i c = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x)), opaque);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * x), _mm_unpacklo_epi32(c, c));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * x + 4), _mm_unpackhi_epi32(c, c));
    }
#endif
    for (; x < width; ++x) out[2 * x] = out[2 * x + 1] = in[x] | kOpaque;
}

int sourceOf(int d, int sourceSize, int destinationSize) {
    return static_cast<int>(((2 * int64_t{d} + 1) * sourceSize) / (2 * int64_t{destinationSize}));
}

}  // namespace

void fillPixels(uint32_t* destination, int pitchPixels, int width, int height, uint32_t value) {
    for (int y = 0; y < height; ++y) {
        uint32_t* row = destination + static_cast<int64_t>(y) * pitchPixels;
        for (int x = 0; x < width; ++x) row[x] = value;
    }
}

void blitFitted(const uint32_t* source, int width, int height, uint32_t* destination, int pitchPixels,
                const PictureRect& r) {
    if (r.width <= 0 || r.height <= 0 || width <= 0 || height <= 0) return;
    uint32_t* origin = destination + static_cast<int64_t>(r.y) * pitchPixels + r.x;
    const bool whole = r.width % width == 0 && r.height % height == 0 && r.width / width == r.height / height;
    const int factor = whole ? r.width / width : 0;
    if (factor == 1 || factor == 2) {
        for (int y = 0; y < height; ++y) {
            uint32_t* out = origin + static_cast<int64_t>(y) * factor * pitchPixels;
            if (factor == 1)
                copyRowOpaque(source + static_cast<int64_t>(y) * width, out, width);
            else {
                doubleRowOpaque(source + static_cast<int64_t>(y) * width, out, width);
                std::memcpy(out + pitchPixels, out, sizeof(uint32_t) * r.width);
            }
        }
        return;
    }
    // Any other size: a column map once, then each destination row from its source row,
    // and a row that shows the same source row as the one above is copied.
    static std::vector<int> column;  // kept between frames: the frame loop allocates only when the size changes
    column.resize(static_cast<size_t>(r.width));
    for (int x = 0; x < r.width; ++x) column[x] = sourceOf(x, width, r.width);
    int previous = -1;
    for (int y = 0; y < r.height; ++y) {
        const int sy = sourceOf(y, height, r.height);
        uint32_t* out = origin + static_cast<int64_t>(y) * pitchPixels;
        if (sy == previous) {
            std::memcpy(out, out - pitchPixels, sizeof(uint32_t) * r.width);
            continue;
        }
        const uint32_t* in = source + static_cast<int64_t>(sy) * width;
        for (int x = 0; x < r.width; ++x) out[x] = in[column[x]] | kOpaque;
        previous = sy;
    }
}
