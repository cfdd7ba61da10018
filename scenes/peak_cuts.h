// The hard cut to a whole picture on a peak frame.
//
//   int32_t c = drawPeakCut();   // one or two random draws; SceneBuffer = the chosen picture
//
// The cut number c = draw mod 17 picks a row of PeakCutTable; rows with a random slot
// take a second draw (mod 9 for PictureSetA, mod 19 for PictureSetB). The return value
// is only for statistics: the frame itself needs nothing back.
#pragma once
#include <cstdint>

#include "pictures/picture_bank.h"
#include "scenes/scene_constants.h"

enum class PeakSource : uint8_t { Fixed, RandomSlotOfSetA, RandomSlotOfSetB };

struct PeakCutRow {
    PeakSource source;
    const Picture* picture;  // the fixed picture; null for the random-slot rows
};

extern const PeakCutRow PeakCutTable[kPeakCutCount];

int32_t drawPeakCut();
