#include "scenes/rotating_scene.h"

#include <cstring>

#include "scenes/spectrum_features.h"
#include "pictures/picture_bank.h"
#include "scenes/exact_trig.h"
#include "scenes/fast_scenes.h"
#include "scenes/scene_buffer.h"

const RotatingSceneRow RotatingSceneTable[kRotatingSceneRows] = {
    {&Picture8, false, false}, {&Picture2, false, false}, {&Picture1, false, true},
    {&Picture3, true, false},  {&Picture2, false, false}, {&Picture1, false, true},
};

namespace {
struct {
    // dx * c and dx * s depend on the column alone: computing them once per frame
    // gives the very same rounded products as computing them per pixel.
    double column_cos[kSceneWidth];
    double column_sin[kSceneWidth];
} rotation_state;
}  // namespace

RotationTerms rotationTerms(float numerator, float divisor) {
    const double theta = static_cast<double>(numerator) / static_cast<double>(divisor);
    return {static_cast<float>(exactCos(theta)), exactSin(theta)};
}

void rotatePicture(const Picture& source, Picture& destination, float numerator, float divisor) {
    const RotationTerms terms = rotationTerms(numerator, divisor);
    const double c = static_cast<double>(terms.cosine);
    const double s = terms.sine;
    for (int32_t x = 0; x < kSceneWidth; ++x) {
        const double dx = static_cast<double>((x - kRotationCentreX) / 2);
        rotation_state.column_cos[x] = dx * c;
        rotation_state.column_sin[x] = dx * s;
    }
    const SceneKernels* fast = sceneKernels(vectorPath());
    for (int32_t y = kSceneHeight - 1; y >= 0; --y) {
        const int32_t row_dy = (y - kRotationCentreY) / 2;
        const double dy = static_cast<double>(row_dy);
        const double yc = static_cast<double>(static_cast<float>(dy * c));
        const double ys = dy * s;
        int32_t* out = destination.data() + y * kSceneWidth;
        if (fast) {
            // A row depends on dy alone, and the halving gives most dy to two rows (dy = 0 to three).
            if (y + 1 < kSceneHeight && (y + 1 - kRotationCentreY) / 2 == row_dy)
                std::memcpy(out, out + kSceneWidth, sizeof(int32_t) * kSceneWidth);
            else
                fast->rotateRow(rotation_state.column_cos, rotation_state.column_sin, yc, ys, source.data(), out);
            continue;
        }
        for (int32_t x = kSceneWidth - 1; x >= 0; --x) {
            // |dx| <= 80 and |dy| <= 50 keep u and v within -95..95 for every angle, so
            // these casts are always in range and the read stays inside the picture.
            const int32_t v = static_cast<int32_t>(yc - rotation_state.column_sin[x]);
            const int32_t u = static_cast<int32_t>(rotation_state.column_cos[x] + ys);
            out[x] = source[v * kSceneWidth + u + kRotationCentreIndex];
        }
    }
}

int32_t drawRotatingScene(int32_t elapsedMs) {
    // Only 0..1 and 0..2 reach here; anything else falls back to the first row rather than read past the table.
    const bool selectors_valid = (SceneSelector == 0 || SceneSelector == 1) && PictureSelector >= 0 &&
                                 PictureSelector < kPictureSelectorCount;
    const int32_t row = selectors_valid ? SceneSelector * kPictureSelectorCount + PictureSelector : 0;
    const RotatingSceneRow& entry = RotatingSceneTable[row];
    const float angle_ms = static_cast<float>(elapsedMs);
    rotatePicture(*entry.picture, SceneBuffer, entry.negatedAngle ? -angle_ms : angle_ms, kRotationDivisor);
    if (entry.halvesInv44to46)
        SpectrumFeatures.inv44to46 = static_cast<float>(static_cast<double>(SpectrumFeatures.inv44to46) * kHalving);
    return row;
}
