// The page's view of the show: the same frame function, analyser and picture
// bank as the desktop, over buffers the page reads and writes directly.
//
//   ziv_start();                       // pictures decoded, show state as at entry
//   ziv_window()[0..1023] = heard;     // the mono samples heard last, oldest first
//   ziv_analyse(dtSeconds);            // -> ziv_spectrum()
//   ziv_frame(elapsedMs);              // the frame into the 640x480 surface
//   ziv_present();                     // -> RGBA bytes for a canvas
//
// Test modes: ziv_trace_load / ziv_trace_frame replay a recorded trace;
// ziv_surface_hash and ziv_rotation_terms give what the native tools print.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "output/show_frame.h"
#include "audio/audio_constants.h"
#include "audio/music.h"
#include "audio/spectrum_analyser.h"
#include "output/output_constants.h"
#include "pictures/picture_bank.h"
#include "scenes/rotating_scene.h"
#include "scenes/scene_constants.h"
#include "scenes/spectrum.h"
#include "libziv/trace_file.h"
#include "web/wasm/surface_hash.h"

namespace {
struct {
    uint32_t surface[kSurfacePixels];  // persists from frame to frame, as the console's does
    uint8_t rgba[kSurfacePixels * 4];
    float window[kAnalysisWindow];
    float spectrum[kSpectrumBands];
    AnalyserState analyser;
    Trace trace;
    std::string error;
    bool picturesLoaded = false;
    int32_t figures[7] = {kSurfaceWidth, kSurfaceHeight, kAnalysisWindow, kSpectrumBands,
                          kSpectrumEntriesRead, kMixRate, kShowLengthMs};
} page;
}  // namespace

extern "C" {

// A new show: decodes the pictures once, then every show starts as the
// desktop's does (trail 0, selectors 0, 2, 0, random 1, a black surface).
EMSCRIPTEN_KEEPALIVE void ziv_reset() {
    resetShowState();
    resetAnalyser(page.analyser);
    std::memset(page.surface, 0, sizeof page.surface);
    std::memset(page.window, 0, sizeof page.window);
    std::memset(page.spectrum, 0, sizeof page.spectrum);
}

EMSCRIPTEN_KEEPALIVE void ziv_start() {
    if (!page.picturesLoaded) {
        loadPictureBank();
        page.picturesLoaded = true;
    }
    ziv_reset();
}

// The figures the page needs, from their one owner each: surface width and
// height, analysis window, spectrum bands, bands the show reads, mixing
// rate, show length in ms.
EMSCRIPTEN_KEEPALIVE const int32_t* ziv_figures() { return page.figures; }
EMSCRIPTEN_KEEPALIVE const char* ziv_music_file() { return kMusicFileName; }

EMSCRIPTEN_KEEPALIVE float* ziv_window() { return page.window; }
EMSCRIPTEN_KEEPALIVE float* ziv_spectrum() { return page.spectrum; }

EMSCRIPTEN_KEEPALIVE void ziv_analyse(double dtSeconds) {
    analyseSpectrum(page.analyser, page.window, dtSeconds, page.spectrum);
}

// Returns the frame's mapping (0..3, 4 on a peak), so the page can tell
// frames apart without reading pixels.
EMSCRIPTEN_KEEPALIVE int ziv_frame(int32_t elapsedMs) {
    return runFrame(page.spectrum, elapsedMs, page.surface).mapping;
}

// 0x00RRGGBB pixels to the R, G, B, A bytes a canvas takes.
EMSCRIPTEN_KEEPALIVE uint8_t* ziv_present() {
    for (int i = 0; i < kSurfacePixels; ++i) {
        const uint32_t p = page.surface[i];
        uint8_t* o = page.rgba + 4 * i;
        o[0] = static_cast<uint8_t>(p >> 16);
        o[1] = static_cast<uint8_t>(p >> 8);
        o[2] = static_cast<uint8_t>(p);
        o[3] = 0xFF;
    }
    return page.rgba;
}

// Two 32-bit halves, high first: JavaScript has no plain 64-bit return.
EMSCRIPTEN_KEEPALIVE void ziv_surface_hash(uint32_t* out) {
    const uint64_t h = surfaceHash(page.surface, kSurfacePixels);
    out[0] = static_cast<uint32_t>(h >> 32);
    out[1] = static_cast<uint32_t>(h);
}

EMSCRIPTEN_KEEPALIVE void* ziv_alloc(size_t bytes) { return std::malloc(bytes); }
EMSCRIPTEN_KEEPALIVE void ziv_free(void* p) { std::free(p); }
EMSCRIPTEN_KEEPALIVE const char* ziv_error() { return page.error.c_str(); }

// Records in the trace, or -1 with the reason in ziv_error.
EMSCRIPTEN_KEEPALIVE int ziv_trace_load(const uint8_t* data, size_t size) {
    page.trace = Trace{};
    page.error.clear();
    if (!parseTrace(data, size, page.trace, &page.error)) return -1;
    return static_cast<int>(traceRecords(page.trace));
}

EMSCRIPTEN_KEEPALIVE int ziv_trace_records() { return static_cast<int>(traceRecords(page.trace)); }

// Runs the trace's record as the frame; false past the end.
EMSCRIPTEN_KEEPALIVE int ziv_trace_frame(int record) {
    if (record < 0 || record >= traceRecords(page.trace)) return 0;
    runFrame(traceSpectrum(page.trace, record), page.trace.elapsedMs[static_cast<size_t>(record)], page.surface);
    return 1;
}

// The rotating scene's cos (a float) and sin of every elapsedMs in first..first+count-1.
EMSCRIPTEN_KEEPALIVE void ziv_rotation_terms(int32_t first, int32_t count, float* cosines, double* sines) {
    for (int32_t i = 0; i < count; ++i) {
        const RotationTerms t = rotationTerms(static_cast<float>(first + i), kRotationDivisor);
        cosines[i] = t.cosine;
        sines[i] = t.sine;
    }
}

}  // extern "C"
