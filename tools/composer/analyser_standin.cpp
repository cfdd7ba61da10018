// Stand-in for the show's analyser until audio/spectrum_analyser.cpp is in
// the library: the same definition, so the composer can be tuned meanwhile.
#include <kissfft/kiss_fftr.h>

#include <algorithm>
#include <cmath>

#include "audio/spectrum_analyser.h"

void resetAnalyser(AnalyserState& state) { state.power = 0.04; }

void measureBands(const float* window, float* bands) {
    static kiss_fftr_cfg plan = kiss_fftr_alloc(kAnalysisWindow, 0, nullptr, nullptr);
    kiss_fft_scalar in[kAnalysisWindow];
    kiss_fft_cpx out[kAnalysisWindow / 2 + 1];
    for (int n = 0; n < kAnalysisWindow; ++n) {
        const double w = 0.5 - 0.5 * std::cos(6.283185307179586 * n / kAnalysisWindow);
        in[n] = static_cast<kiss_fft_scalar>(window[n] * w);
    }
    kiss_fftr(plan, in, out);
    for (int k = 0; k < kAnalysisBands; ++k) {
        const double re = out[k].r, im = out[k].i;
        bands[k] = static_cast<float>(std::sqrt(re * re + im * im) * 2.0 / 512.0);
    }
}

void shapeBands(AnalyserState& state, const float* window, const float* bands, double dtSeconds, float* spectrum) {
    double sum = 0.0;
    for (int n = 0; n < kAnalysisWindow; ++n) sum += static_cast<double>(window[n]) * window[n];
    const double meanSquare = sum / kAnalysisWindow;
    state.power += (1.0 - std::exp(-dtSeconds / 5.0)) * (meanSquare - state.power);
    const double loudness = std::max(0.025, std::sqrt(state.power));
    for (int k = 0; k < kAnalysisBands; ++k) {
        const double kk = k;
        const double hp = kk / std::sqrt(kk * kk + 16.0);
        const double hf = 1.0 + (kk / 96.0) * (kk / 96.0) * (kk / 96.0);
        spectrum[k] = static_cast<float>(std::min(1.0, 0.85 * bands[k] * hp * hf / loudness));
    }
}

void analyseSpectrum(AnalyserState& state, const float* window, double dtSeconds, float* spectrum) {
    float bands[kAnalysisBands];
    measureBands(window, bands);
    shapeBands(state, window, bands, dtSeconds, spectrum);
}
