#include "output/fast_output.h"

#if defined(__x86_64__)
#include <immintrin.h>

#include "scenes/scene_constants.h"

static_assert(kSceneWidth % 4 == 0 && kScenePixels % 4 == 0, "kernels work in groups of 4 pixels");

#define ZIV_KERNEL_FILE "output/fast_output.inc"
#include "scenes/per_target.inc"

namespace {
const OutputKernels sse2_kernels{sse2::mapColours, sse2::colourRow, sse2::trailRow};
const OutputKernels avx2_kernels{avx2::mapColours, avx2::colourRow, avx2::trailRow};
}  // namespace

const OutputKernels* outputKernels(VectorPath path) {
    if (path == VectorPath::Avx2) return &avx2_kernels;
    if (path == VectorPath::Sse2) return &sse2_kernels;
    return nullptr;
}
#else
const OutputKernels* outputKernels(VectorPath) { return nullptr; }
#endif
