// Where the show's selectors spend a course of frames: each frame's spectrum
// goes through the show's own band levels, selector steps and peak test, and
// the counter tallies the values they leave.
//
//   CourseCounter course;                           // the selectors start as the show's do
//   for (each frame) course.addFrame(spectrum);     // 512 values, as the show fetches them
//   (or course.addRecord(runFrame(...)) when the frames are drawn too)
//   CourseStats s = course.stats();
//   std::vector<std::string> misses = checkShowTargets(s);   // empty: the track drives every selector enough
//
// The selectors are the show's process-wide counters, so one course is
// counted at a time.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/show_frame.h"

struct CourseStats {
    int64_t frames = 0;
    int64_t scene[4] = {};
    int64_t colour[5] = {};
    int64_t pictureWhileRotating[3] = {};
    int64_t rotating = 0;  // non-peak frames with SceneSelector 0 or 1
    int64_t pattern = 0;   // non-peak frames with SceneSelector 2 or 3
    int64_t peakFrames = 0;
    int64_t peakRuns = 0;  // separate stretches of consecutive peak frames
};

class CourseCounter {
public:
    CourseCounter();
    // Returns whether the frame is a peak frame.
    bool addFrame(const float* spectrum);
    // A frame the show's own frame function ran (it stepped the selectors itself).
    void addRecord(const FrameRecord& record);
    const CourseStats& stats() const { return stats_; }

private:
    CourseStats stats_;
    bool lastWasPeak_ = false;
};

// The lines of the stats report, one figure per line.
std::vector<std::string> describeStats(const CourseStats& s);
// The targets the default track is made for; each miss is one line.
std::vector<std::string> checkShowTargets(const CourseStats& s);
