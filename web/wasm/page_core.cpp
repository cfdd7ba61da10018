// The page's own part of the core: what only a canvas needs. The show itself
// is libziv, compiled from the library's own sources and exported as its C
// API (ziv/ziv.h), so the page is a host like every other program:
//
//   ziv_create(options, &show);                         // a show per start of the page's show
//   ziv_feed_f32(show, block, frames, 44100, channels);   // every block the audio worklet hears
//   ziv_set_position(show, heard, elapsedMs);            // the samples heard by the speakers, the clock
//   ziv_draw_frame(show, NULL);
//   ziv_page_rgba(show);                                 // -> R, G, B, A bytes for the canvas
//
// The test build adds the checks' exports (page_checks.cpp).
#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdlib>

#include "audio/audio_constants.h"
#include "audio/music.h"
#include "output/output_constants.h"
#include "output/show_frame.h"
#include "scenes/spectrum.h"
#include "ziv/ziv.h"

namespace {
struct {
    uint8_t rgba[kSurfacePixels * 4];
    int32_t figures[6] = {kSurfaceWidth, kSurfaceHeight, kSpectrumBands, kSpectrumEntriesRead, kMixRate,
                          kShowLengthMs};
} page;
}  // namespace

extern "C" {

// The figures the page needs, from their one owner each: surface width and
// height, spectrum bands, bands the show reads, mixing rate, show length in ms.
EMSCRIPTEN_KEEPALIVE const int32_t* ziv_figures() { return page.figures; }
EMSCRIPTEN_KEEPALIVE const char* ziv_music_file() { return kMusicFileName; }

// The latest frame's 0x00RRGGBB pixels as the R, G, B, A bytes a canvas takes; null without a show.
EMSCRIPTEN_KEEPALIVE uint8_t* ziv_page_rgba(const ziv_show* show) {
    const uint32_t* pixels = ziv_frame_pixels(show);
    if (!pixels) return nullptr;
    for (int i = 0; i < kSurfacePixels; ++i) {
        const uint32_t p = pixels[i];
        uint8_t* o = page.rgba + 4 * i;
        o[0] = static_cast<uint8_t>(p >> 16);
        o[1] = static_cast<uint8_t>(p >> 8);
        o[2] = static_cast<uint8_t>(p);
        o[3] = 0xFF;
    }
    return page.rgba;
}

EMSCRIPTEN_KEEPALIVE void* ziv_alloc(size_t bytes) { return std::malloc(bytes); }
EMSCRIPTEN_KEEPALIVE void ziv_free(void* p) { std::free(p); }

}  // extern "C"
