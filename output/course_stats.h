// What a course of frames did, counted from each frame's record: where the
// selectors stood and how often the peak cut, the rotating scene and the
// pattern scenes ran. ziv-render's statistics and ziv-track-stats' report are
// both this one count.
//
//   CourseStats s;
//   countCourseFrame(s, runFrame(spectrum, elapsedMs, pixels));   // a drawn frame
//   countCourseFrame(s, selectFrame(spectrum));                   // or its selectors alone
#pragma once
#include <cstdint>

#include "output/show_frame.h"
#include "scenes/spectrum_features.h"

struct CourseStats {
    int64_t frames = 0;
    int64_t peakFrames = 0;
    int64_t peakRuns = 0;  // runs of consecutive peak frames
    int64_t sceneSelector[kSceneSelectorCount] = {};
    int64_t colourSelector[kColourSelectorCount] = {};
    int64_t pictureSelector[kPictureSelectorCount] = {};
    int64_t pictureWhileRotating[kPictureSelectorCount] = {};
    int64_t rotating = 0;    // non-peak frames with SceneSelector 0 or 1
    int64_t pattern = 0;     // non-peak frames with SceneSelector 2 or 3
    int64_t outOfRange = 0;  // record fields outside their tables (none in a sound pipeline)
    bool lastWasPeak = false;
};

void countCourseFrame(CourseStats& stats, const FrameRecord& record);

// Counts value into table when it lies in it; anything else is noted in
// stats.outOfRange, never written out of bounds.
template <int N>
void tallyRecordValue(int64_t (&table)[N], int value, CourseStats& stats) {
    if (value >= 0 && value < N) ++table[value];
    else ++stats.outOfRange;
}
