#include "scenes/peak_cuts.h"

#include "scenes/random.h"
#include "scenes/scene_buffer.h"

const PeakCutRow PeakCutTable[kPeakCutCount] = {
    {PeakSource::Fixed, &Picture1},
    {PeakSource::RandomSlotOfSetA, nullptr},
    {PeakSource::RandomSlotOfSetA, nullptr},
    {PeakSource::Fixed, &Picture2},
    {PeakSource::Fixed, &Picture3},
    {PeakSource::Fixed, &Picture4},
    {PeakSource::Fixed, &Picture5},
    {PeakSource::Fixed, &Picture6},
    {PeakSource::Fixed, &Picture7},
    {PeakSource::Fixed, &PictureSetA[1]},
    {PeakSource::Fixed, &PictureSetA[2]},
    {PeakSource::Fixed, &PictureSetA[3]},
    {PeakSource::Fixed, &PictureSetA[4]},
    {PeakSource::RandomSlotOfSetB, nullptr},
    {PeakSource::RandomSlotOfSetB, nullptr},
    {PeakSource::RandomSlotOfSetB, nullptr},
    {PeakSource::RandomSlotOfSetB, nullptr},
};

int32_t drawPeakCut() {
    const int32_t cut = drawRandom() % kPeakCutCount;
    const PeakCutRow& row = PeakCutTable[cut];
    const Picture* picture = row.picture;
    if (row.source == PeakSource::RandomSlotOfSetA) picture = &PictureSetA[drawRandom() % kPictureSetASize];
    if (row.source == PeakSource::RandomSlotOfSetB) picture = &PictureSetB[drawRandom() % kPictureSetBSize];
    static_assert(kPicturePixels == kScenePixels);
    SceneBuffer = *picture;
    return cut;
}
