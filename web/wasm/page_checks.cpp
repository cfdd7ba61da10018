// The exports of the page's test build only (checks.js): a trace held in
// memory replayed through the library, a hash of the latest frame and the
// rotating scene's terms, each to be set against what native tools compute.
//
//   ziv_test_trace_load(bytes, size);        // records, or -1 (ziv_last_error says why)
//   ziv_test_trace_frame(show, record);      // the record drawn as ziv_draw_spectrum draws it
//   ziv_test_trace_spectrum(record);         // its ziv_test_trace_bands() entries; ziv_test_trace_ms(record)
//   ziv_test_surface_hash(show, out);        // two 32-bit halves, high first
//   ziv_test_rotation_terms(first, count, cosines, sines);
#include <emscripten/emscripten.h>

#include <cstdint>
#include <string>

#include "libziv/trace_file.h"
#include "output/output_constants.h"
#include "scenes/rotating_scene.h"
#include "scenes/scene_constants.h"
#include "web/wasm/surface_hash.h"
#include "ziv/ziv.h"

namespace {
struct {
    Trace trace;
    std::string error;
} checks;

bool inTrace(int record) { return record >= 0 && record < traceRecords(checks.trace); }
}  // namespace

extern "C" {

// Records in the trace, or -1 with the reason in ziv_test_error.
EMSCRIPTEN_KEEPALIVE int ziv_test_trace_load(const uint8_t* data, size_t size) {
    checks.trace = Trace{};
    checks.error.clear();
    if (!parseTrace(data, size, checks.trace, &checks.error)) return -1;
    return static_cast<int>(traceRecords(checks.trace));
}

EMSCRIPTEN_KEEPALIVE const char* ziv_test_error() { return checks.error.c_str(); }
EMSCRIPTEN_KEEPALIVE int ziv_test_trace_bands() { return checks.trace.bands; }

EMSCRIPTEN_KEEPALIVE const float* ziv_test_trace_spectrum(int record) {
    return inTrace(record) ? traceSpectrum(checks.trace, record) : nullptr;
}

EMSCRIPTEN_KEEPALIVE int32_t ziv_test_trace_ms(int record) {
    return inTrace(record) ? checks.trace.elapsedMs[static_cast<size_t>(record)] : -1;
}

// 1: the record drawn; 0 past the end; else the library's error code.
EMSCRIPTEN_KEEPALIVE int ziv_test_trace_frame(ziv_show* show, int record) {
    if (!inTrace(record)) return 0;
    const int done = ziv_draw_spectrum(show, traceSpectrum(checks.trace, record), static_cast<size_t>(checks.trace.bands),
                                       checks.trace.elapsedMs[static_cast<size_t>(record)], nullptr);
    return done == ZIV_OK ? 1 : done;
}

// Two 32-bit halves, high first: JavaScript has no plain 64-bit return.
EMSCRIPTEN_KEEPALIVE void ziv_test_surface_hash(const ziv_show* show, uint32_t* out) {
    const uint32_t* pixels = ziv_frame_pixels(show);
    const uint64_t h = pixels ? surfaceHash(pixels, kSurfacePixels) : 0;
    out[0] = static_cast<uint32_t>(h >> 32);
    out[1] = static_cast<uint32_t>(h);
}

// The rotating scene's cos (a float) and sin of every elapsedMs in first..first+count-1.
EMSCRIPTEN_KEEPALIVE void ziv_test_rotation_terms(int32_t first, int32_t count, float* cosines, double* sines) {
    for (int32_t i = 0; i < count; ++i) {
        const RotationTerms t = rotationTerms(static_cast<float>(first + i), kRotationDivisor);
        cosines[i] = t.cosine;
        sines[i] = t.sine;
    }
}

}  // extern "C"
