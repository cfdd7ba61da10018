#include "output/colour_mapping.h"

#include "scenes/spectrum_features.h"
#include "output/output_constants.h"
#include "scenes/scene_buffer.h"
#include "scenes/truncation.h"

ColourImage ColourBuffer{};
TrailImage TrailBuffer{};

namespace {

// The factors of one frame, widened once. The bracketed products of mappings 1 and 2
// come before the product with s, so they are the same for every pixel.
struct Factors {
    double bin1, bin2, bin51, bin256, mean0to20, mean44to46;
    double mean14to16_mean0to20;  // (mean14to16 * mean0to20), mapping 1's green
    double inv63to65_bin51;       // (inv63to65 * bin51), mapping 2's blue
};

inline uint32_t pack(uint32_t r, uint32_t g, uint32_t b) { return (r << 16) | (g << 8) | b; }

template <int Mapping>
void mapWith(const Factors& k) {
    for (int32_t i = kScenePixels - 1; i >= 0; --i) {
        const uint32_t scene = static_cast<uint32_t>(SceneBuffer[i]);
        const double s = static_cast<double>(scene);
        uint32_t pixel;
        if constexpr (Mapping == 0) {
            pixel = pack(truncToInt64Low32(k.bin1 * s), truncToInt64Low32(k.bin2 * s), truncToInt64Low32(k.bin51 * s));
        } else if constexpr (Mapping == 1) {
            const double p = static_cast<double>(static_cast<float>(k.mean0to20 * s));
            pixel = pack(truncToInt64Low32(k.bin1 * p), truncToInt64Low32(k.mean14to16_mean0to20 * s),
                         truncToInt64Low32(p));
        } else if constexpr (Mapping == 2) {
            const uint32_t r = truncToInt64Low32(k.bin51 * s);
            pixel = pack(r, r, truncToInt64Low32(k.inv63to65_bin51 * s));
        } else if constexpr (Mapping == 3) {
            const double m = s * k.mean44to46;
            pixel = pack(truncToInt64Low32(k.bin1 * m), truncToInt64Low32(k.bin2 * m),
                         truncToInt64Low32(k.mean0to20 * m));
        } else {
            pixel = pack(truncToInt64Low32(s * k.bin256), scene, scene);
        }
        ColourBuffer[i] = pixel;
        const double t = static_cast<double>(static_cast<uint32_t>(TrailBuffer[i]));
        TrailBuffer[i] = static_cast<int32_t>(truncToInt64Low32(t * kTrailKeep + s * kTrailTake));
    }
}

}  // namespace

int32_t mapColours(bool peakFrame) {
    const SpectrumFeatureSet& f = SpectrumFeatures;
    Factors k{};
    k.bin1 = f.bin1;
    k.bin2 = f.bin2;
    k.bin51 = f.bin51;
    k.bin256 = f.bin256;
    k.mean0to20 = f.mean0to20;
    k.mean44to46 = f.mean44to46;
    k.mean14to16_mean0to20 = static_cast<double>(f.mean14to16) * static_cast<double>(f.mean0to20);
    k.inv63to65_bin51 = static_cast<double>(f.inv63to65) * static_cast<double>(f.bin51);

    int32_t mapping = kPeakColourMapping;
    if (!peakFrame) mapping = (ColourSelector >= 0 && ColourSelector <= 2) ? ColourSelector : kColourMappingCount - 1;
    switch (mapping) {
        case 0: mapWith<0>(k); break;
        case 1: mapWith<1>(k); break;
        case 2: mapWith<2>(k); break;
        case 3: mapWith<3>(k); break;
        default: mapWith<kPeakColourMapping>(k); break;
    }
    return mapping;
}

void resetTrail() { TrailBuffer.fill(0); }
