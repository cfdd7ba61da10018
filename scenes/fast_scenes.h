// The scenes' vector paths: the same pixels as the scalar code of pattern_scenes.cpp and
// rotating_scene.cpp, bit for bit, a row (or the whole mosaic) at a time.
//
//   if (const SceneKernels* fast = sceneKernels(vectorPath())) fast->spectralRampRow(...);
//
// sceneKernels gives null for VectorPath::Scalar: the caller then runs its plain loop.
#pragma once
#include <cstdint>

#include "pictures/picture.h"
#include "scenes/vector_path.h"

struct SceneKernels {
    // out[x], x = 0..319, of the row whose first pixel index is base.
    void (*spectralRampRow)(int32_t base, double mean14to16, double bin2, double offset, double inv63to65,
                            int32_t* out);
    // out[x] = trunc((picture_row[x] + offset) * inv63to65) mod 255; offset already wrapped.
    void (*rampedPictureRow)(const int32_t* picture_row, int32_t offset, double inv63to65, int32_t* out);
    // out[x] = source[trunc(yc - column_sin[x]) * 320 + trunc(column_cos[x] + ys) + 32160].
    void (*rotateRow)(const double* column_cos, const double* column_sin, double yc, double ys,
                      const int32_t* source, int32_t* out);
    // The whole mosaic from generator state `state`; returns the state after its 64000 draws.
    uint32_t (*noiseMosaic)(uint32_t state, const Picture* set_a, int32_t* out);
};

const SceneKernels* sceneKernels(VectorPath path);
