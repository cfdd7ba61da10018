// Where the show's selectors spend a course of frames: each frame's spectrum
// goes through the show's own band levels, selector steps and peak test
// (selectFrame), and the course is counted from the records they leave.
//
//   CourseCounter course;                           // the selectors start as the show's do
//   for (each frame) course.addFrame(spectrum);     // kSpectrumBands values, as the show fetches them
//   CourseStats s = course.stats();
//   std::vector<std::string> misses = checkShowTargets(s);   // empty: the track drives every selector enough
//
// The selectors are the show's process-wide counters, so one course is
// counted at a time.
#pragma once
#include <string>
#include <vector>

#include "output/course_stats.h"

class CourseCounter {
public:
    CourseCounter();
    // Returns whether the frame is a peak frame.
    bool addFrame(const float* spectrum);
    const CourseStats& stats() const { return stats_; }

private:
    CourseStats stats_;
};

// The lines of the stats report, one figure per line.
std::vector<std::string> describeStats(const CourseStats& s);
// The targets the default track is made for; each miss is one line.
std::vector<std::string> checkShowTargets(const CourseStats& s);
