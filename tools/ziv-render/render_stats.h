// What the rendered frames showed, counted from the frame function's records:
// the course (output/course_stats.h) and what only drawn frames tell.
//
//   RenderStats s;
//   countFrame(s, runFrame(spectrum, elapsedMs, surface));   // every frame
//   std::string json = renderStatsJson(s, fps, &lookFigures, &flashFigures);   // look and flash optional
#pragma once
#include <cstdint>
#include <string>

#include "output/course_stats.h"
#include "output/output_constants.h"
#include "output/show_frame.h"
#include "scenes/rotating_scene.h"
#include "scenes/scene_constants.h"
#include "tools/look/flash_meter.h"
#include "tools/look/look_meter.h"

struct RenderStats : CourseStats {
    int64_t peakCuts[kPeakCutCount] = {};
    int64_t rotatingRows[kRotatingSceneRows] = {};
    int64_t patternKinds[kPatternKindCount] = {};   // mosaic, spectral ramp, ramped picture
    int64_t mappings[kColourMappingCount + 1] = {};  // 0..3, then the peak mapping
    int64_t outputFullRows = 0;     // frames that wrote every column of the colour rows
};

void countFrame(RenderStats& stats, const FrameRecord& record);
// With look, the object also holds what the frames looked like ("look"); with
// flash, the flash test's figures ("flash").
std::string renderStatsJson(const RenderStats& stats, int fps, const LookFigures* look = nullptr,
                            const FlashFigures* flash = nullptr);
