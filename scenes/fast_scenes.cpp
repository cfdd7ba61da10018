#include "scenes/fast_scenes.h"

#if defined(__x86_64__)
#include <immintrin.h>

#include "pictures/picture_bank.h"
#include "scenes/random.h"
#include "scenes/scene_constants.h"

static_assert(kSceneWidth % 16 == 0 && kScenePixels % 16 == 0, "kernels work in groups of 4 and 16 pixels");
static_assert(kPictureSetASize == 9, "the mosaic's mod 9 is a multiply by 7282 and a shift");
static_assert(kPatternWrap == 255, "the ramps' vector mod is proven for 255 alone");
static_assert(sizeof(Picture) == sizeof(int32_t) * kPicturePixels, "pictures lie back to back in PictureSetA");

#define ZIV_KERNEL_FILE "scenes/fast_scenes.inc"
#include "scenes/per_target.inc"

namespace {
const SceneKernels sse2_kernels{sse2::spectralRampRow, sse2::rampedPictureRow, sse2::rotateRow, sse2::noiseMosaic};
const SceneKernels avx2_kernels{avx2::spectralRampRow, avx2::rampedPictureRow, avx2::rotateRow, avx2::noiseMosaic};
}  // namespace

const SceneKernels* sceneKernels(VectorPath path) {
    if (path == VectorPath::Avx2) return &avx2_kernels;
    if (path == VectorPath::Sse2) return &sse2_kernels;
    return nullptr;
}
#else
const SceneKernels* sceneKernels(VectorPath) { return nullptr; }
#endif
