// What each spectrum entry the show reads does, and the threshold it answers to:
// the one table whoever shapes a spectrum (the analyser) and the tests read.
//
//   for (const BandRange& r : kBandRoles) { ... r.first .. r.last, r.role, r.threshold ... }
//   BandRole role = roleOfBand(45);          // BandRole::PictureStep
//
// A range's threshold is the level its band or mean crosses to act (none: 0).
// Bands in no range only colour the frame (51 and the pattern ramps' bands
// take part in colour formulas too; the selectors read none of them).
#pragma once
#include <cstdint>

#include "scenes/spectrum_features.h"

enum class BandRole : int8_t {
    Colour,        // only colours: every band no selector reads
    SceneStep,     // band 1: steps SceneSelector above kSceneStepLevel, sets it to 2 above kSceneJumpLevel; the trail's green
    TrailBlue,     // band 2: the trail's blue, the colour rows' green; read by no selector
    ColourStep,    // mean of 0..20 (band 1 and 2 included): steps ColourSelector
    PictureStep2,  // mean of 14..16: steps PictureSelector a second time
    PictureStep,   // mean of 44..46: steps PictureSelector; 1 - their mean is the trail's red
    PatternRamp,   // 63 and 65 (with 64): the pattern ramps
    Cut,           // 64, 128, 256: a peak cut at kPeakLevel or above
};

struct BandRange {
    int first, last;
    BandRole role;
    double threshold;
};

// Most specific first: a band's role is the first range that holds it.
inline constexpr BandRange kBandRoles[] = {
    {1, 1, BandRole::SceneStep, kSceneStepLevel},
    {2, 2, BandRole::TrailBlue, 0.0},
    {14, 16, BandRole::PictureStep2, kPictureStep2Level},
    {0, 20, BandRole::ColourStep, kColourStepLevel},
    {44, 46, BandRole::PictureStep, kPictureStepLevel},
    {64, 64, BandRole::Cut, kPeakLevel},
    {128, 128, BandRole::Cut, kPeakLevel},
    {256, 256, BandRole::Cut, kPeakLevel},
    {63, 65, BandRole::PatternRamp, 0.0},
};

constexpr BandRole roleOfBand(int band) {
    for (const BandRange& r : kBandRoles)
        if (band >= r.first && band <= r.last) return r.role;
    return BandRole::Colour;
}

static_assert(kSceneStepLevel < kSceneJumpLevel, "band 1 steps the scene before it sets it");
static_assert(roleOfBand(15) == BandRole::PictureStep2 && roleOfBand(17) == BandRole::ColourStep);
static_assert(roleOfBand(64) == BandRole::Cut && roleOfBand(65) == BandRole::PatternRamp);
static_assert(roleOfBand(51) == BandRole::Colour && roleOfBand(kSpectrumEntriesRead) == BandRole::Colour);
