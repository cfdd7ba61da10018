// Writes windows of samples and the spectra this build's analyser makes of
// them, one after another with its loudness running on, for the page to run
// the same windows through its own analyser and compare.
//
//   web_analyser_table FILE
//
// File, little-endian: int32 windows, float64 dtSeconds, then per window 1024
// float32 samples followed by the 512 float32 bands of the spectrum.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

#include "audio/spectrum_analyser.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: web_analyser_table FILE\n");
        return 2;
    }
    constexpr int32_t kWindows = 240;
    constexpr double kDt = 1.0 / 60.0;
    AnalyserState state;
    resetAnalyser(state);
    std::vector<float> window(kAnalysisWindow);
    std::vector<float> spectrum(kSpectrumBands);
    FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror("web_analyser_table");
        return 1;
    }
    bool ok = std::fwrite(&kWindows, 4, 1, f) == 1 && std::fwrite(&kDt, 8, 1, f) == 1;
    uint32_t noise = 1;
    for (int32_t w = 0; ok && w < kWindows; ++w) {
        // A kick, a bell, a high ting and noise, louder and quieter from window to window.
        const double gain = 0.05 + 0.9 * (w % 40) / 40.0;
        for (int n = 0; n < kAnalysisWindow; ++n) {
            const double t = (w * 735 + n) / 44100.0;
            noise = noise * 1664525u + 1013904223u;
            const double x = 0.6 * std::sin(2 * std::numbers::pi * 50 * t) + 0.3 * std::sin(2 * std::numbers::pi * 660 * t) +
                             0.1 * std::sin(2 * std::numbers::pi * 5500 * t) + 0.05 * ((noise >> 8) / 8388608.0 - 1.0);
            window[n] = static_cast<float>(gain * x);
        }
        analyseSpectrum(state, window.data(), kDt, spectrum.data());
        ok = std::fwrite(window.data(), 4, window.size(), f) == window.size() &&
             std::fwrite(spectrum.data(), 4, spectrum.size(), f) == spectrum.size();
    }
    ok = std::fclose(f) == 0 && ok;
    if (!ok) std::fprintf(stderr, "web_analyser_table: cannot write '%s'\n", argv[1]);
    return ok ? 0 : 1;
}
