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

// a and b mixed as (a * (256 - w) + b * w) / 256 per channel, rounded; the top byte opaque.
inline uint32_t mix(uint32_t a, uint32_t b, uint32_t w) {
    const uint32_t v = 256 - w;
    const uint32_t rb = (((a & 0xFF00FFu) * v + (b & 0xFF00FFu) * w + 0x800080u) >> 8) & 0xFF00FFu;
    const uint32_t g = (((a & 0xFF00u) * v + (b & 0xFF00u) * w + 0x8000u) >> 8) & 0xFF00u;
    return rb | g | kOpaque;
}

void mixRows(const uint32_t* a, const uint32_t* b, uint32_t w, uint32_t* out, int width) {
    int x = 0;
#if defined(__SSE2__)
    // Per 16-bit lane: (a * v + b * w + 128) >> 8, the same sums as mix(); every product fits.
    const __m128i zero = _mm_setzero_si128();
    const __m128i vw = _mm_set1_epi16(static_cast<short>(256 - w));
    const __m128i ww = _mm_set1_epi16(static_cast<short>(w));
    const __m128i half = _mm_set1_epi16(128);
    const __m128i opaque = _mm_set1_epi32(static_cast<int32_t>(kOpaque));
    for (; x + 4 <= width; x += 4) {
        const __m128i pa = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x));
        const __m128i pb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
        const auto blend = [&](__m128i la, __m128i lb) {
            return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(la, vw), _mm_mullo_epi16(lb, ww)), half), 8);
        };
        const __m128i lo = blend(_mm_unpacklo_epi8(pa, zero), _mm_unpacklo_epi8(pb, zero));
        const __m128i hi = blend(_mm_unpackhi_epi8(pa, zero), _mm_unpackhi_epi8(pb, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_or_si128(_mm_packus_epi16(lo, hi), opaque));
    }
#endif
    for (; x < width; ++x) out[x] = mix(a[x], b[x], w);
}

}  // namespace

AreaTap areaTap(int d, int sourceSize, int destinationSize) {
    // In units of 1/(sourceSize * destinationSize) of the picture: destination index d
    // spans [d * sourceSize, (d + 1) * sourceSize), source index i spans
    // [i * destinationSize, (i + 1) * destinationSize).
    const int64_t start = int64_t{d} * sourceSize;
    const int64_t end = start + sourceSize;
    const int first = static_cast<int>(start / destinationSize);
    const int64_t boundary = int64_t{first + 1} * destinationSize;
    if (end <= boundary || first + 1 >= sourceSize) return {first, 0};
    return {first, static_cast<int>(((end - boundary) * 256 + sourceSize / 2) / sourceSize)};
}

void blitSharp(const uint32_t* source, int width, int height, uint32_t* destination, int pitchPixels,
               const PictureRect& r) {
    if (r.width <= 0 || r.height <= 0 || width <= 0 || height <= 0) return;
    const bool whole = r.width % width == 0 && r.height % height == 0;
    if (whole || r.width < width || r.height < height) {
        blitFitted(source, width, height, destination, pitchPixels, r);
        return;
    }
    // Kept between frames: the frame loop allocates only when the size changes.
    static std::vector<AreaTap> column;
    static std::vector<uint32_t> scaled[2];  // source rows scaled across, for two source rows
    static int scaledRow[2];
    static int lastWidth = -1, lastHeight = -1, lastRectWidth = -1;
    if (lastWidth != width || lastHeight != height || lastRectWidth != r.width) {
        column.resize(static_cast<size_t>(r.width));
        for (int x = 0; x < r.width; ++x) column[x] = areaTap(x, width, r.width);
        scaled[0].resize(static_cast<size_t>(r.width));
        scaled[1].resize(static_cast<size_t>(r.width));
        lastWidth = width;
        lastHeight = height;
        lastRectWidth = r.width;
    }
    scaledRow[0] = scaledRow[1] = -1;  // the picture changes every frame
    const auto scaledFor = [&](int sy) -> const uint32_t* {
        for (int i = 0; i < 2; ++i)
            if (scaledRow[i] == sy) return scaled[i].data();
        // Rows are asked for in rising order: the lower row is the one no longer needed.
        const int slot = scaledRow[0] < scaledRow[1] ? 0 : 1;
        const uint32_t* in = source + static_cast<int64_t>(sy) * width;
        uint32_t* out = scaled[slot].data();
        for (int x = 0; x < r.width; ++x) {
            const AreaTap t = column[x];
            out[x] = t.nextWeight == 0 ? in[t.first] | kOpaque : mix(in[t.first], in[t.first + 1], t.nextWeight);
        }
        scaledRow[slot] = sy;
        return out;
    };
    uint32_t* origin = destination + static_cast<int64_t>(r.y) * pitchPixels + r.x;
    int previous = -1;  // the source row a pure destination row above showed
    for (int y = 0; y < r.height; ++y) {
        const AreaTap t = areaTap(y, height, r.height);
        uint32_t* out = origin + static_cast<int64_t>(y) * pitchPixels;
        if (t.nextWeight == 0) {
            if (t.first == previous)
                std::memcpy(out, out - pitchPixels, sizeof(uint32_t) * r.width);
            else
                std::memcpy(out, scaledFor(t.first), sizeof(uint32_t) * r.width);
            previous = t.first;
            continue;
        }
        const uint32_t* a = scaledFor(t.first);
        const uint32_t* b = scaledFor(t.first + 1);
        mixRows(a, b, static_cast<uint32_t>(t.nextWeight), out, r.width);
        previous = -1;
    }
}

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
