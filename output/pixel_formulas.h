// One pixel of the colour stage and of a trail row, as plain scalar code: the readable
// definition that every faster path of these stages must match bit for bit, and the
// path those take for a pixel whose products leave the int32 range.
//
//   ColourFactors k = colourFactorsOf(SpectrumFeatures);
//   mapPixel<2>(k, scene, colour, trail, i);         // ColourBuffer[i] and TrailBuffer[i] from SceneBuffer[i]
//   uint32_t p = trailPixel(t, inv44to46, bin1, bin2);
#pragma once
#include <cstdint>

#include "scenes/spectrum_features.h"
#include "output/output_constants.h"
#include "scenes/truncation.h"

// The factors of one frame, widened once. The bracketed products of mappings 1 and 2
// come before the product with s, so they are the same for every pixel.
struct ColourFactors {
    double bin1, bin2, bin51, bin256, mean0to20, mean44to46;
    double mean14to16_mean0to20;  // (mean14to16 * mean0to20), mapping 1's green
    double inv63to65_bin51;       // (inv63to65 * bin51), mapping 2's blue
};

inline ColourFactors colourFactorsOf(const SpectrumFeatureSet& f) {
    ColourFactors k{};
    k.bin1 = f.bin1;
    k.bin2 = f.bin2;
    k.bin51 = f.bin51;
    k.bin256 = f.bin256;
    k.mean0to20 = f.mean0to20;
    k.mean44to46 = f.mean44to46;
    k.mean14to16_mean0to20 = static_cast<double>(f.mean14to16) * static_cast<double>(f.mean0to20);
    k.inv63to65_bin51 = static_cast<double>(f.inv63to65) * static_cast<double>(f.bin51);
    return k;
}

inline uint32_t packColour(uint32_t r, uint32_t g, uint32_t b) { return (r << 16) | (g << 8) | b; }

template <int Mapping>
inline void mapPixel(const ColourFactors& k, const int32_t* scene_in, uint32_t* colour_out, int32_t* trail, int32_t i) {
    const uint32_t scene = static_cast<uint32_t>(scene_in[i]);
    const double s = static_cast<double>(scene);
    uint32_t pixel;
    if constexpr (Mapping == 0) {
        pixel = packColour(truncToInt64Low32(k.bin1 * s), truncToInt64Low32(k.bin2 * s), truncToInt64Low32(k.bin51 * s));
    } else if constexpr (Mapping == 1) {
        const double p = static_cast<double>(static_cast<float>(k.mean0to20 * s));
        pixel = packColour(truncToInt64Low32(k.bin1 * p), truncToInt64Low32(k.mean14to16_mean0to20 * s),
                           truncToInt64Low32(p));
    } else if constexpr (Mapping == 2) {
        const uint32_t r = truncToInt64Low32(k.bin51 * s);
        pixel = packColour(r, r, truncToInt64Low32(k.inv63to65_bin51 * s));
    } else if constexpr (Mapping == 3) {
        const double m = s * k.mean44to46;
        pixel = packColour(truncToInt64Low32(k.bin1 * m), truncToInt64Low32(k.bin2 * m),
                           truncToInt64Low32(k.mean0to20 * m));
    } else {
        pixel = packColour(truncToInt64Low32(s * k.bin256), scene, scene);
    }
    colour_out[i] = pixel;
    const double t = static_cast<double>(static_cast<uint32_t>(trail[i]));
    trail[i] = static_cast<int32_t>(truncToInt64Low32(t * kTrailKeep + s * kTrailTake));
}

inline uint32_t trailPixel(int32_t trail, double red_factor, double green_factor, double blue_factor) {
    const double t = static_cast<double>(trail);
    const uint32_t red = truncToInt64Low32(red_factor * t);
    const uint32_t green = truncToInt64Low32(green_factor * t);
    const uint32_t blue = truncToInt64Low32(blue_factor * t);
    return (((red << 8) | green) << 8) | blue;
}
