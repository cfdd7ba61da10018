#include "output/colour_mapping.h"

#include "output/fast_output.h"
#include "scenes/spectrum_features.h"
#include "output/output_constants.h"
#include "output/pixel_formulas.h"
#include "scenes/scene_buffer.h"

ColourImage ColourBuffer{};
TrailImage TrailBuffer{};

namespace {

template <int Mapping>
void mapWith(const ColourFactors& k) {
    for (int32_t i = kScenePixels - 1; i >= 0; --i)
        mapPixel<Mapping>(k, SceneBuffer.data(), ColourBuffer.data(), TrailBuffer.data(), i);
}

}  // namespace

int32_t mapColours(bool peakFrame) {
    const ColourFactors k = colourFactorsOf(SpectrumFeatures);
    int32_t mapping = kPeakColourMapping;
    if (!peakFrame) mapping = (ColourSelector >= 0 && ColourSelector <= 2) ? ColourSelector : kColourMappingCount - 1;
    if (const OutputKernels* fast = outputKernels(vectorPath())) {
        fast->mapColours(mapping, k, SceneBuffer.data(), ColourBuffer.data(), TrailBuffer.data());
        return mapping;
    }
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
