#include "output/frame_output.h"

#include "scenes/spectrum_features.h"
#include "output/colour_mapping.h"
#include "output/fast_output.h"
#include "output/output_constants.h"
#include "output/pixel_formulas.h"

bool outputFrame(uint32_t* pixels) {
    const bool full_colour_rows = ColourSelector == kFullColourRowsSelector;
    if (!pixels) return full_colour_rows;
    const double red_factor = SpectrumFeatures.inv44to46;
    const double green_factor = SpectrumFeatures.bin1;
    const double blue_factor = SpectrumFeatures.bin2;
    const OutputKernels* fast = outputKernels(vectorPath());
    for (int32_t k = kSceneHeight - 1; k >= 0; --k) {
        const int32_t colour_row = kSurfaceFirstRow + 2 * k + 1;
        uint32_t* colour_out = pixels + colour_row * kSurfaceWidth;
        uint32_t* trail_out = colour_out - kSurfaceWidth;
        const uint32_t* colour_in = ColourBuffer.data() + k * kSceneWidth;
        const int32_t* trail_in = TrailBuffer.data() + k * kSceneWidth;
        if (fast) {
            fast->colourRow(colour_in, colour_out, full_colour_rows);
            fast->trailRow(trail_in, red_factor, green_factor, blue_factor, trail_out);
            continue;
        }
        if (full_colour_rows) {
            for (int32_t i = kSceneWidth - 1; i >= 0; --i) {
                colour_out[2 * i + 1] = colour_in[i];
                colour_out[2 * i] = colour_in[i];
            }
        } else {
            for (int32_t i = kSceneWidth - 1; i >= 0; --i) colour_out[2 * i + 1] = colour_in[i];
        }
        for (int32_t i = kSceneWidth - 1; i >= 0; --i) {
            const uint32_t pixel = trailPixel(trail_in[i], red_factor, green_factor, blue_factor);
            trail_out[2 * i + 1] = pixel;
            trail_out[2 * i] = pixel;
        }
    }
    return full_colour_rows;
}

void carryKeptColumns(const uint32_t* previous, uint32_t* pixels) {
    for (int32_t k = 0; k < kSceneHeight; ++k) {
        const int32_t row = (kSurfaceFirstRow + 2 * k + 1) * kSurfaceWidth;
        for (int32_t i = 0; i < kSceneWidth; ++i) pixels[row + 2 * i] = previous[row + 2 * i];
    }
}
