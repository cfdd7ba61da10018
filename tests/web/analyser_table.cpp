// Writes a run of samples and the spectrum the desktop's library measures at
// each 60 fps frame of it (libziv: ziv_feed_f32, ziv_set_frame,
// ziv_frame_spectrum), with the loudness running on, for the page to feed the
// same samples to its own library and compare.
//
//   web_analyser_table FILE
//
// File, little-endian: int32 frames, int32 samples, the samples (float32,
// mono, 44100 Hz), then per frame its 512 float32 bands.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

#include "ziv/ziv.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: web_analyser_table FILE\n");
        return 2;
    }
    constexpr int32_t kFrames = 240;
    constexpr int kFps = 60;
    // Every frame's position is fed, and a window's worth beyond the last.
    constexpr int32_t kSamples = (kFrames - 1) * ZIV_SAMPLE_RATE / kFps + 1024;
    std::vector<float> samples(kSamples);
    uint32_t noise = 1;
    for (int32_t n = 0; n < kSamples; ++n) {
        // A kick, a bell, a high ting and noise, louder and quieter from frame to frame.
        const double gain = 0.05 + 0.9 * ((n / 735) % 40) / 40.0;
        const double t = n / static_cast<double>(ZIV_SAMPLE_RATE);
        noise = noise * 1664525u + 1013904223u;
        const double x = 0.6 * std::sin(2 * std::numbers::pi * 50 * t) + 0.3 * std::sin(2 * std::numbers::pi * 660 * t) +
                         0.1 * std::sin(2 * std::numbers::pi * 5500 * t) + 0.05 * ((noise >> 8) / 8388608.0 - 1.0);
        samples[static_cast<size_t>(n)] = static_cast<float>(gain * x);
    }
    ziv_options options;
    ziv_options_init(&options);
    options.fps = kFps;
    ziv_show* show = nullptr;
    if (ziv_create(&options, &show) != ZIV_OK || ziv_feed_f32(show, samples.data(), samples.size(), ZIV_SAMPLE_RATE, 1) != ZIV_OK) {
        std::fprintf(stderr, "web_analyser_table: %s\n", ziv_last_error());
        return 1;
    }
    FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror("web_analyser_table");
        return 1;
    }
    bool ok = std::fwrite(&kFrames, 4, 1, f) == 1 && std::fwrite(&kSamples, 4, 1, f) == 1 &&
              std::fwrite(samples.data(), 4, samples.size(), f) == samples.size();
    float spectrum[ZIV_SPECTRUM_BANDS];
    for (int32_t frame = 0; ok && frame < kFrames; ++frame) {
        ok = ziv_set_frame(show, frame) == ZIV_OK && ziv_frame_spectrum(show, spectrum, ZIV_SPECTRUM_BANDS) == ZIV_OK &&
             std::fwrite(spectrum, 4, ZIV_SPECTRUM_BANDS, f) == ZIV_SPECTRUM_BANDS;
    }
    ok = std::fclose(f) == 0 && ok;
    ziv_destroy(show);
    if (!ok) std::fprintf(stderr, "web_analyser_table: cannot write '%s'\n", argv[1]);
    return ok ? 0 : 1;
}
