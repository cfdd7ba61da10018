// What the rendered frames showed, counted from the frame function's records.
//
//   RenderStats s;
//   countFrame(s, runFrame(spectrum, elapsedMs, surface));   // every frame
//   std::string json = renderStatsJson(s, fps, &lookFigures);   // look optional
#pragma once
#include <cstdint>
#include <string>

#include "app/show_frame.h"
#include "tools/look/look_meter.h"

struct RenderStats {
    int64_t frames = 0;
    int64_t peakFrames = 0;
    int64_t peakRuns = 0;           // runs of consecutive peak frames
    int64_t peakCuts[17] = {};
    int64_t sceneSelector[4] = {};
    int64_t colourSelector[5] = {};
    int64_t pictureSelector[3] = {};
    int64_t rotatingRows[6] = {};
    int64_t patternKinds[3] = {};   // mosaic, spectral ramp, ramped picture
    int64_t mappings[5] = {};       // 0..3, then the peak mapping
    int64_t outputFullRows = 0;     // frames that wrote every column of the colour rows
    int64_t outOfRange = 0;         // record fields outside their tables (none in a sound pipeline)
    bool lastWasPeak = false;
};

void countFrame(RenderStats& stats, const FrameRecord& record);
// With look, the object also holds what the frames looked like ("look").
std::string renderStatsJson(const RenderStats& stats, int fps, const LookFigures* look = nullptr);
