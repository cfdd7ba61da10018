// Writes the traces the page's replay test feeds both builds:
//   golden.trace    the golden frames' synthetic spectra (tests/show_frame_test.cpp), 240 frames
//   extremes.trace  entries anywhere in the trace's range -8..8, clocks jumping into the days
//
//   web_golden_traces DIR
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "scenes/spectrum.h"
#include "tools/ziv-render/render_constants.h"
#include "libziv/trace_file.h"

namespace {

constexpr int kBands = kSpectrumBands;

bool writeTrace(const std::string& path, const std::vector<int32_t>& times, const std::vector<float>& spectra) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    uint8_t header[kTraceHeaderBytes];
    encodeTraceHeader(kBands, header);
    bool ok = std::fwrite(header, 1, sizeof header, f) == sizeof header;
    std::vector<uint8_t> record(traceRecordBytes(kBands));
    for (size_t i = 0; ok && i < times.size(); ++i) {
        encodeTraceRecord(times[i], spectra.data() + i * kBands, kBands, record.data());
        ok = std::fwrite(record.data(), 1, record.size(), f) == record.size();
    }
    ok = std::fclose(f) == 0 && ok;
    if (!ok) std::fprintf(stderr, "web_golden_traces: cannot write '%s'\n", path.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: web_golden_traces DIR\n");
        return 2;
    }
    const std::string dir = argv[1];

    std::vector<int32_t> times;
    std::vector<float> spectra;
    for (int frame = 0; frame < 240; ++frame) {
        for (int k = 0; k < kBands; ++k) spectra.push_back(static_cast<float>((frame * 31 + k * 17) % 97) / 96.0f);
        for (int k : {64, 128, 256}) spectra[frame * kBands + k] *= 0.85f;
        times.push_back(frame * 337);
    }
    if (!writeTrace(dir + "/golden.trace", times, spectra)) return 1;

    times.clear();
    spectra.clear();
    uint32_t state = 12345u;
    const auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;  // 24 bits
    };
    int64_t clock = 0;
    for (int frame = 0; frame < 600; ++frame) {
        for (int k = 0; k < kBands; ++k) {
            const float unit = static_cast<float>(next()) / 16777216.0f;
            spectra.push_back(next() % 4 == 0 ? (unit * 2.0f - 1.0f) * kTraceEntryLimit : unit);
        }
        // Mostly frame steps, now and then a jump of up to about six days, never past int32.
        clock += next() % 16 == 0 ? static_cast<int64_t>(next()) * 32 : next() % 40;
        if (clock > INT32_MAX) clock -= INT32_MAX;
        times.push_back(static_cast<int32_t>(clock));
    }
    return writeTrace(dir + "/extremes.trace", times, spectra) ? 0 : 1;
}
