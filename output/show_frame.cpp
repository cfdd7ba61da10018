#include "output/show_frame.h"

#include "scenes/spectrum_features.h"
#include "output/colour_mapping.h"
#include "output/frame_output.h"
#include "output/output_constants.h"
#include "scenes/pattern_scenes.h"
#include "scenes/peak_cuts.h"
#include "scenes/random.h"
#include "scenes/rotating_scene.h"
#include "scenes/scene_constants.h"

void resetShowState() {
    resetTrail();
    resetSelectors();
    resetRandom();
}

namespace {
PatternKind patternKindOf(int32_t choice) {
    if (choice == kMosaicChoice) return PatternKind::Mosaic;
    if (choice == kSpectralRampChoice) return PatternKind::SpectralRamp;
    return PatternKind::RampedPicture;
}
}  // namespace

FrameRecord selectFrame(const float* spectrum) {
    computeSpectrumFeatures(spectrum);
    updateSelectors();
    FrameRecord record;
    record.sceneSelector = static_cast<int8_t>(SceneSelector);
    record.colourSelector = static_cast<int8_t>(ColourSelector);
    record.pictureSelector = static_cast<int8_t>(PictureSelector);
    record.peak = isPeakFrame();
    return record;
}

FrameRecord runFrame(const float* spectrum, int32_t elapsedMs, uint32_t* pixels) {
    FrameRecord record = selectFrame(spectrum);
    if (record.peak) {
        record.cutNumber = static_cast<int8_t>(drawPeakCut());
    } else if (SceneSelector == 0 || SceneSelector == 1) {
        record.rotatingRow = static_cast<int8_t>(drawRotatingScene(elapsedMs));
    } else {
        const int32_t choice = drawPatternScene();
        record.patternChoice = static_cast<int8_t>(choice);
        record.pattern = patternKindOf(choice);
    }
    record.mapping = static_cast<int8_t>(mapColours(record.peak));
    record.fullColourRows = outputFrame(pixels);
    return record;
}
