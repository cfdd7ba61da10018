#include "output/course_stats.h"

void countCourseFrame(CourseStats& s, const FrameRecord& r) {
    ++s.frames;
    const bool rotating = !r.peak && (r.sceneSelector == 0 || r.sceneSelector == 1);
    if (r.peak) {
        ++s.peakFrames;
        if (!s.lastWasPeak) ++s.peakRuns;
    } else if (rotating) {
        ++s.rotating;
    } else {
        ++s.pattern;
    }
    s.lastWasPeak = r.peak;
    tallyRecordValue(s.sceneSelector, r.sceneSelector, s);
    tallyRecordValue(s.colourSelector, r.colourSelector, s);
    tallyRecordValue(s.pictureSelector, r.pictureSelector, s);
    if (rotating && r.pictureSelector >= 0 && r.pictureSelector < kPictureSelectorCount)
        ++s.pictureWhileRotating[r.pictureSelector];
}
