#include "tools/ziv-render/render_stats.h"

namespace {

template <int N>
std::string list(const int64_t (&table)[N]) {
    std::string out = "[";
    for (int i = 0; i < N; ++i) out += (i ? ", " : "") + std::to_string(table[i]);
    return out + "]";
}

}  // namespace

void countFrame(RenderStats& s, const FrameRecord& r) {
    countCourseFrame(s, r);
    if (r.peak) {
        tallyRecordValue(s.peakCuts, r.cutNumber, s);
    } else {
        if (r.rotatingRow >= 0) tallyRecordValue(s.rotatingRows, r.rotatingRow, s);
        if (r.pattern != PatternKind::None) tallyRecordValue(s.patternKinds, static_cast<int>(r.pattern), s);
    }
    tallyRecordValue(s.mappings, r.mapping, s);
    if (r.fullColourRows) ++s.outputFullRows;
}

std::string renderStatsJson(const RenderStats& s, int fps, const LookFigures* look, const FlashFigures* flash) {
    std::string j = "{\n";
    j += "  \"frames\": " + std::to_string(s.frames) + ",\n";
    j += "  \"fps\": " + std::to_string(fps) + ",\n";
    j += "  \"peak_frames\": " + std::to_string(s.peakFrames) + ",\n";
    j += "  \"peak_runs\": " + std::to_string(s.peakRuns) + ",\n";
    j += "  \"peak_cuts\": " + list(s.peakCuts) + ",\n";
    j += "  \"scene_selector\": " + list(s.sceneSelector) + ",\n";
    j += "  \"colour_selector\": " + list(s.colourSelector) + ",\n";
    j += "  \"picture_selector\": " + list(s.pictureSelector) + ",\n";
    j += "  \"rotating_rows\": " + list(s.rotatingRows) + ",\n";
    j += "  \"pattern_kinds\": {\"mosaic\": " + std::to_string(s.patternKinds[0]) +
         ", \"spectral_ramp\": " + std::to_string(s.patternKinds[1]) +
         ", \"ramped_picture\": " + std::to_string(s.patternKinds[2]) + "},\n";
    j += "  \"mappings\": {\"0\": " + std::to_string(s.mappings[0]) + ", \"1\": " + std::to_string(s.mappings[1]) +
         ", \"2\": " + std::to_string(s.mappings[2]) + ", \"3\": " + std::to_string(s.mappings[3]) +
         ", \"peak\": " + std::to_string(s.mappings[4]) + "},\n";
    j += "  \"output_full_rows\": " + std::to_string(s.outputFullRows) + ",\n";
    j += "  \"unknown_record_values\": " + std::to_string(s.outOfRange) + (look || flash ? ",\n" : "\n");
    if (look) j += "  \"look\": " + lookJson(*look) + (flash ? ",\n" : "\n");
    if (flash) j += "  \"flash\": " + flashJson(*flash) + "\n";
    j += "}\n";
    return j;
}
