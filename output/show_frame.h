// One frame of the show, every stage in the frame loop's order.
//
//   resetShowState();                                      // as at entry: trail 0, selectors 0, 2, 0, random 1
//   FrameRecord r = runFrame(spectrum, elapsedMs, pixels); // pixels: the locked 640x480 surface
//
// The live frame loop and the offline renderer both call runFrame, so there
// is one pipeline. The record says what the frame took, for statistics.
#pragma once
#include <cstdint>

#include "output/output_constants.h"

enum class PatternKind : int8_t { None = -1, Mosaic = 0, SpectralRamp = 1, RampedPicture = 2 };
inline constexpr int kPatternKindCount = 3;  // Mosaic, SpectralRamp, RampedPicture

struct FrameRecord {
    bool peak = false;
    int8_t cutNumber = -1;      // 0..16 on a peak frame
    int8_t rotatingRow = -1;    // 0..5, the rotating scene's table row
    PatternKind pattern = PatternKind::None;
    int8_t patternChoice = -1;  // 0..8, the pattern draw mod 9 (a ramped picture shows PictureSetA[patternChoice])
    int8_t mapping = -1;        // 0..3, or 4 for the peak mapping
    bool fullColourRows = false;  // ColourSelector was 1: every column of the colour rows written
    int8_t sceneSelector = 0;   // the selectors as this frame used them
    int8_t colourSelector = 0;
    int8_t pictureSelector = 0;
};

// Without the loop option, the first frame whose elapsed time passes this ends the show.
inline constexpr int32_t kShowLengthMs = 394000;

void resetShowState();
FrameRecord runFrame(const float* spectrum, int32_t elapsedMs, uint32_t* pixels);
// The head of runFrame alone: band levels, selector steps and the peak test,
// nothing drawn. The record holds the selectors and `peak`; a course counted
// from it (ziv-track-stats) matches one counted from the drawn frames.
FrameRecord selectFrame(const float* spectrum);
