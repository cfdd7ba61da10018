#include "scenes/spectrum_features.h"

SpectrumFeatureSet SpectrumFeatures{};
int32_t SceneSelector = kSceneSelectorStart;
int32_t ColourSelector = kColourSelectorStart;
int32_t PictureSelector = kPictureSelectorStart;

namespace {

// Stands in for a spectrum the audio library failed to hand out: a frame of silence
// is drawn instead of reading through a null pointer.
const float silent_spectrum[kSpectrumEntriesRead] = {};

float meanOfThree(double first, double second, double third) {
    return static_cast<float>(((first + second) + third) * static_cast<double>(kOneThirdFloat));
}

void stepDown(int32_t& selector, int32_t count) {
    selector -= 1;
    if (selector < 0) selector = count - 1;
}

}  // namespace

double meanOfBins(const float* spectrum, int32_t a, int32_t b) {
    double sum = 0.0;
    for (int32_t k = b; k >= a; --k) sum += static_cast<double>(spectrum[k]);
    return sum / static_cast<double>(b - a + 1);
}

void computeSpectrumFeatures(const float* spectrum) {
    const float* s = spectrum ? spectrum : silent_spectrum;
    SpectrumFeatureSet& f = SpectrumFeatures;
    f.bin1 = s[1];
    f.bin2 = s[2];
    f.bin51 = s[51];
    f.mean0to20 = static_cast<float>(meanOfBins(s, 0, 20));
    f.mean44to46 = meanOfThree(s[46], s[45], s[44]);
    f.mean14to16 = meanOfThree(s[16], s[15], s[14]);
    f.bin64 = s[64];
    f.mean63to65 = meanOfThree(s[65], s[63], s[64]);
    f.inv63to65 = static_cast<float>(1.0 - static_cast<double>(f.mean63to65));
    f.bin128 = s[128];
    f.bin256 = s[256];
    f.inv44to46 = static_cast<float>(1.0 - static_cast<double>(f.mean44to46));
}

void updateSelectors() {
    const SpectrumFeatureSet& f = SpectrumFeatures;
    if (static_cast<double>(f.bin1) > kSceneStepLevel) stepDown(SceneSelector, kSceneSelectorCount);
    if (static_cast<double>(f.bin1) > kSceneJumpLevel) SceneSelector = kSceneSelectorJump;
    if (static_cast<double>(f.mean0to20) > kColourStepLevel) stepDown(ColourSelector, kColourSelectorCount);
    if (static_cast<double>(f.mean44to46) > kPictureStepLevel) stepDown(PictureSelector, kPictureSelectorCount);
    if (static_cast<double>(f.mean14to16) > kPictureStep2Level) stepDown(PictureSelector, kPictureSelectorCount);
}

bool isPeakFrame() {
    const SpectrumFeatureSet& f = SpectrumFeatures;
    return static_cast<double>(f.bin64) >= kPeakLevel || static_cast<double>(f.bin128) >= kPeakLevel ||
           static_cast<double>(f.bin256) >= kPeakLevel;
}

void resetSelectors() {
    SceneSelector = kSceneSelectorStart;
    ColourSelector = kColourSelectorStart;
    PictureSelector = kPictureSelectorStart;
}
