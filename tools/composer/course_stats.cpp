#include "course_stats.h"

#include <cstdio>

#include "audio/spectrum_features.h"

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
    computeSpectrumFeatures(spectrum);
    updateSelectors();
    FrameRecord r;
    r.peak = isPeakFrame();
    r.sceneSelector = static_cast<int8_t>(SceneSelector);
    r.colourSelector = static_cast<int8_t>(ColourSelector);
    r.pictureSelector = static_cast<int8_t>(PictureSelector);
    addRecord(r);
    return r.peak;
}

void CourseCounter::addRecord(const FrameRecord& r) {
    ++stats_.frames;
    ++stats_.scene[r.sceneSelector & 3];
    ++stats_.colour[r.colourSelector % 5];
    if (r.peak) {
        ++stats_.peakFrames;
        if (!lastWasPeak_) ++stats_.peakRuns;
    } else if (r.sceneSelector <= 1) {
        ++stats_.rotating;
        ++stats_.pictureWhileRotating[r.pictureSelector % 3];
    } else {
        ++stats_.pattern;
    }
    lastWasPeak_ = r.peak;
}

std::vector<std::string> describeStats(const CourseStats& s) {
    std::vector<std::string> out;
    out.push_back(line("frames %.0f", static_cast<double>(s.frames)));
    for (int v = 0; v < 4; ++v) out.push_back(line("SceneSelector %.0f: %.2f%%", v, percent(s.scene[v], s.frames)));
    out.push_back(line("rotating scene: %.2f%%", percent(s.rotating, s.frames)));
    out.push_back(line("pattern scenes: %.2f%%", percent(s.pattern, s.frames)));
    for (int v = 0; v < 5; ++v) out.push_back(line("ColourSelector %.0f: %.2f%%", v, percent(s.colour[v], s.frames)));
    for (int v = 0; v < 3; ++v)
        out.push_back(line("PictureSelector %.0f: %.2f%% of rotating frames", v, percent(s.pictureWhileRotating[v], s.rotating)));
    out.push_back(line("peak frames: %.2f%% in %.0f runs", percent(s.peakFrames, s.frames), static_cast<double>(s.peakRuns)));
    return out;
}

std::vector<std::string> checkShowTargets(const CourseStats& s) {
    std::vector<std::string> misses;
    for (int v = 0; v < 4; ++v)
        if (percent(s.scene[v], s.frames) < 8.0) misses.push_back(line("SceneSelector %.0f below 8%% (%.2f%%)", v, percent(s.scene[v], s.frames)));
    if (percent(s.rotating, s.frames) < 15.0) misses.push_back(line("rotating scene below 15%% (%.2f%%)", percent(s.rotating, s.frames)));
    if (percent(s.pattern, s.frames) < 15.0) misses.push_back(line("pattern scenes below 15%% (%.2f%%)", percent(s.pattern, s.frames)));
    for (int v = 0; v < 5; ++v)
        if (percent(s.colour[v], s.frames) < 5.0) misses.push_back(line("ColourSelector %.0f below 5%% (%.2f%%)", v, percent(s.colour[v], s.frames)));
    for (int v = 0; v < 3; ++v)
        if (percent(s.pictureWhileRotating[v], s.rotating) < 10.0)
            misses.push_back(line("PictureSelector %.0f below 10%% of rotating frames (%.2f%%)", v, percent(s.pictureWhileRotating[v], s.rotating)));
    const double peaks = percent(s.peakFrames, s.frames);
    if (peaks < 0.3 || peaks > 5.0) misses.push_back(line("peak frames outside 0.3..5%% (%.2f%%)", peaks));
    if (s.peakRuns < 20) misses.push_back(line("fewer than 20 peak runs (%.0f)", static_cast<double>(s.peakRuns)));
    return misses;
}
