// The colour stage's and the output stage's vector paths: the same bits as the scalar
// code of colour_mapping.cpp and frame_output.cpp. A group of four pixels whose products
// leave the int32 range (or are NaN) is done by the scalar formulas of pixel_formulas.h.
//
//   if (const OutputKernels* fast = outputKernels(vectorPath())) fast->trailRow(...);
//
// outputKernels gives null for VectorPath::Scalar: the caller then runs its plain loop.
#pragma once
#include <cstdint>

#include "output/pixel_formulas.h"
#include "scenes/vector_path.h"

struct OutputKernels {
    // Every pixel of the frame in `mapping` (0..3, or 4 for the peak mapping).
    void (*mapColours)(int32_t mapping, const ColourFactors& k, const int32_t* scene, uint32_t* colour,
                       int32_t* trail);
    // One colour row of the surface from 320 colour pixels: every column, or only the odd
    // ones (the even ones are not touched).
    void (*colourRow)(const uint32_t* colour_in, uint32_t* out, bool every_column);
    // One trail row of the surface from 320 trail values.
    void (*trailRow)(const int32_t* trail_in, double red_factor, double green_factor, double blue_factor,
                     uint32_t* out);
};

const OutputKernels* outputKernels(VectorPath path);
