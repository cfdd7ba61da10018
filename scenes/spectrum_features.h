// Band levels of the music's spectrum, the three selector counters and the peak test.
//
//   computeSpectrumFeatures(fetchSpectrum());  // fills SpectrumFeatures, once at the head of a frame
//   updateSelectors();                         // steps SceneSelector, ColourSelector, PictureSelector
//   bool peak = isPeakFrame();                 // a hard cut to a picture instead of a scene
//   resetSelectors();                          // 0, 2, 0: the values the show starts from
//
// Every sum and product is formed in double from the 32-bit inputs and rounded to a
// 32-bit float only where a field is stored; the three-entry means multiply by the
// float nearest 1/3 rather than divide, which differs from a division in the last bit.
#pragma once
#include <cstdint>

#include "scenes/spectrum.h"

// The float nearest 1/3 (bits 0x3EAAAAAB), widened exactly to double.
inline constexpr float kOneThirdFloat = 0.3333333432674407958984375f;
// Thresholds: the doubles nearest these decimals, compared with the widened floats.
inline constexpr double kSceneStepLevel = 0.3;     // bin1 >
inline constexpr double kSceneJumpLevel = 0.5;     // bin1 >
inline constexpr double kColourStepLevel = 0.3;    // mean0to20 >
inline constexpr double kPictureStepLevel = 0.1;   // mean44to46 >
inline constexpr double kPictureStep2Level = 0.3;  // mean14to16 >
inline constexpr double kPeakLevel = 0.8;          // bin64, bin128, bin256 >=
inline constexpr int32_t kSceneSelectorCount = 4;
inline constexpr int32_t kColourSelectorCount = 5;
inline constexpr int32_t kPictureSelectorCount = 3;
inline constexpr int32_t kSceneSelectorStart = 0;
inline constexpr int32_t kSceneSelectorJump = 2;
inline constexpr int32_t kColourSelectorStart = 2;
inline constexpr int32_t kPictureSelectorStart = 0;

struct SpectrumFeatureSet {
    float bin1, bin2, bin51, mean0to20, mean44to46, mean14to16;
    float bin64, mean63to65, inv63to65, bin128, bin256, inv44to46;
};

extern SpectrumFeatureSet SpectrumFeatures;
extern int32_t SceneSelector;
extern int32_t ColourSelector;
extern int32_t PictureSelector;

double meanOfBins(const float* spectrum, int32_t a, int32_t b);
void computeSpectrumFeatures(const float* spectrum);
void updateSelectors();
bool isPeakFrame();
void resetSelectors();
