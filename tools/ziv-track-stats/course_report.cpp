#include "tools/ziv-track-stats/course_report.h"

#include <cstdio>

#include "output/show_frame.h"
#include "scenes/spectrum_features.h"

namespace {

double percent(int64_t part, int64_t whole) { return whole > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0; }

std::string line(const char* format, double a, double b = 0.0) {
    char text[160];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

}  // namespace

CourseCounter::CourseCounter() { resetSelectors(); }

bool CourseCounter::addFrame(const float* spectrum) {
    const FrameRecord record = selectFrame(spectrum);
    countCourseFrame(stats_, record);
    return record.peak;
}

std::vector<std::string> describeStats(const CourseStats& s) {
    std::vector<std::string> out;
    out.push_back(line("frames %.0f", static_cast<double>(s.frames)));
    for (int v = 0; v < kSceneSelectorCount; ++v) out.push_back(line("SceneSelector %.0f: %.2f%%", v, percent(s.sceneSelector[v], s.frames)));
    out.push_back(line("rotating scene: %.2f%%", percent(s.rotating, s.frames)));
    out.push_back(line("pattern scenes: %.2f%%", percent(s.pattern, s.frames)));
    for (int v = 0; v < kColourSelectorCount; ++v) out.push_back(line("ColourSelector %.0f: %.2f%%", v, percent(s.colourSelector[v], s.frames)));
    for (int v = 0; v < kPictureSelectorCount; ++v)
        out.push_back(line("PictureSelector %.0f: %.2f%% of rotating frames", v, percent(s.pictureWhileRotating[v], s.rotating)));
    out.push_back(line("peak frames: %.2f%% in %.0f runs", percent(s.peakFrames, s.frames), static_cast<double>(s.peakRuns)));
    return out;
}

std::vector<std::string> checkShowTargets(const CourseStats& s) {
    std::vector<std::string> misses;
    for (int v = 0; v < kSceneSelectorCount; ++v)
        if (percent(s.sceneSelector[v], s.frames) < 8.0) misses.push_back(line("SceneSelector %.0f below 8%% (%.2f%%)", v, percent(s.sceneSelector[v], s.frames)));
    if (percent(s.rotating, s.frames) < 15.0) misses.push_back(line("rotating scene below 15%% (%.2f%%)", percent(s.rotating, s.frames)));
    if (percent(s.pattern, s.frames) < 15.0) misses.push_back(line("pattern scenes below 15%% (%.2f%%)", percent(s.pattern, s.frames)));
    for (int v = 0; v < kColourSelectorCount; ++v)
        if (percent(s.colourSelector[v], s.frames) < 5.0) misses.push_back(line("ColourSelector %.0f below 5%% (%.2f%%)", v, percent(s.colourSelector[v], s.frames)));
    for (int v = 0; v < kPictureSelectorCount; ++v)
        if (percent(s.pictureWhileRotating[v], s.rotating) < 10.0)
            misses.push_back(line("PictureSelector %.0f below 10%% of rotating frames (%.2f%%)", v, percent(s.pictureWhileRotating[v], s.rotating)));
    const double peaks = percent(s.peakFrames, s.frames);
    if (peaks < 0.3 || peaks > 5.0) misses.push_back(line("peak frames outside 0.3..5%% (%.2f%%)", peaks));
    if (s.peakRuns < 20) misses.push_back(line("fewer than 20 peak runs (%.0f)", static_cast<double>(s.peakRuns)));
    return misses;
}
