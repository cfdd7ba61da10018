// What the show would do with a spectrum sequence: the band levels, the three
// selector counters and the peak test, counted over a whole course of frames.
//
//   CourseCounter course;
//   for (each frame) course.addFrame(spectrum);     // 512 values, as the show fetches them
//   CourseStats s = course.stats();
//   std::vector<std::string> misses = checkShowTargets(s);   // empty: the track drives every selector enough
//
// Used to tune the track and to check it; the thresholds are the show's own.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct FrameLevels {
    float bin1, mean0to20, mean44to46, mean14to16, bin64, bin128, bin256;
};

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

FrameLevels levelsOf(const float* spectrum);

class CourseCounter {
public:
    // Returns whether the frame is a peak frame.
    bool addFrame(const float* spectrum);
    const CourseStats& stats() const { return stats_; }
    int sceneSelector() const { return scene_; }
    int colourSelector() const { return colour_; }
    int pictureSelector() const { return picture_; }

private:
    CourseStats stats_;
    int scene_ = 0, colour_ = 2, picture_ = 0;
    bool lastWasPeak_ = false;
};

// The lines of the stats report, one figure per line.
std::vector<std::string> describeStats(const CourseStats& s);
// The targets the default track is made for; each miss is one line.
std::vector<std::string> checkShowTargets(const CourseStats& s);
