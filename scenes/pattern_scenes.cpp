#include "scenes/pattern_scenes.h"

#include "scenes/spectrum_features.h"
#include "pictures/picture_bank.h"
#include "scenes/fast_scenes.h"
#include "scenes/random.h"
#include "scenes/scene_buffer.h"
#include "scenes/truncation.h"

float rowOffset(int32_t y) {
    const double base = static_cast<double>(y * kSceneWidth);
    const SpectrumFeatureSet& f = SpectrumFeatures;
    return static_cast<float>(((base * static_cast<double>(f.mean63to65)) * kRampScale) *
                              static_cast<double>(f.bin128));
}

void drawNoiseMosaic() {
    if (const SceneKernels* fast = sceneKernels(vectorPath())) {
        setRandomState(fast->noiseMosaic(randomState(), PictureSetA, SceneBuffer.data()));
        return;
    }
    // A local copy of the generator keeps the 64000 draws in registers; the order of
    // draws (index 63999 first) decides which picture each pixel comes from.
    uint32_t state = randomState();
    for (int32_t i = kScenePixels - 1; i >= 0; --i) {
        state = nextRandomState(state);
        SceneBuffer[i] = PictureSetA[randomValueOf(state) % kPictureSetASize][i];
    }
    setRandomState(state);
}

void drawSpectralRamp() {
    const SpectrumFeatureSet& f = SpectrumFeatures;
    const double mean14to16 = f.mean14to16;
    const double bin2 = f.bin2;
    const double inv63to65 = f.inv63to65;
    const SceneKernels* fast = sceneKernels(vectorPath());
    for (int32_t y = kSceneHeight - 1; y >= 0; --y) {
        const double offset = static_cast<double>(rowOffset(y));
        const int32_t base = y * kSceneWidth;
        if (fast) {
            fast->spectralRampRow(base, mean14to16, bin2, offset, inv63to65, SceneBuffer.data() + base);
            continue;
        }
        for (int32_t x = kSceneWidth - 1; x >= 0; --x) {
            const int32_t i = base + x;
            const int32_t q = truncToInt32((((static_cast<double>(i) * mean14to16) * bin2) * kRampScale) + offset);
            const int32_t r = q % kPatternWrap;
            SceneBuffer[i] = truncToInt32(static_cast<double>(r) * inv63to65);
        }
    }
}

void drawRampedPicture(int32_t k) {
    if (k < 0 || k >= kPictureSetASize) return;  // only drawPatternScene calls it, with 1, 3..8
    const Picture& picture = PictureSetA[k];
    const double inv63to65 = SpectrumFeatures.inv63to65;
    const SceneKernels* fast = sceneKernels(vectorPath());
    for (int32_t y = kSceneHeight - 1; y >= 0; --y) {
        const int32_t offset = truncToInt32(static_cast<double>(rowOffset(y))) % kPatternWrap;
        const int32_t base = y * kSceneWidth;
        if (fast) {
            fast->rampedPictureRow(picture.data() + base, offset, inv63to65, SceneBuffer.data() + base);
            continue;
        }
        for (int32_t x = kSceneWidth - 1; x >= 0; --x) {
            const int32_t i = base + x;
            // Pictures hold 0..255, so the sum cannot overflow; int64 keeps that true for any content.
            const int64_t s = static_cast<int64_t>(picture[i]) + offset;
            const int32_t p = truncToInt32(static_cast<double>(s) * inv63to65);
            SceneBuffer[i] = p % kPatternWrap;
        }
    }
}

int32_t drawPatternScene() {
    const int32_t k = drawRandom() % kPatternChoiceCount;
    if (k == kMosaicChoice)
        drawNoiseMosaic();
    else if (k == kSpectralRampChoice)
        drawSpectralRamp();
    else
        drawRampedPicture(k);
    return k;
}
