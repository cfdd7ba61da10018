#include "audio/spectrum_analyser.h"

#include <kissfft/kiss_fftr.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kLoudnessSeconds = 5.0;   // time constant of the running loudness
constexpr double kStartPower = 0.04;       // as if the track had been playing at RMS 0.2
constexpr double kQuietestLevel = 0.025;   // below this RMS quiet passages stop being lifted
constexpr double kGain = 0.85;
constexpr double kHighPassKnee = 16.0;     // k² + 16: the high-pass turns over near band 4 (170 Hz)
constexpr double kTrebleBand = 96.0;       // (k/96)³: x2 at band 96 (4.1 kHz)

struct Tables {
    double window[kAnalysisWindow];   // periodic Hann
    double highPass[kSpectrumBands];
    double treble[kSpectrumBands];
    Tables() {
        for (int n = 0; n < kAnalysisWindow; ++n)
            window[n] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * n / kAnalysisWindow);
        for (int k = 0; k < kSpectrumBands; ++k) {
            const double kk = k;
            highPass[k] = kk / std::sqrt(kk * kk + kHighPassKnee);
            const double ratio = kk / kTrebleBand;
            treble[k] = 1.0 + ratio * ratio * ratio;
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

// kiss_fftr keeps scratch space in its configuration, so each thread that
// analyses (the show's main thread, a renderer's workers) gets its own.
struct Transform {
    kiss_fftr_cfg cfg = kiss_fftr_alloc(kAnalysisWindow, 0, nullptr, nullptr);
    ~Transform() { kiss_fftr_free(cfg); }
};

}  // namespace

void resetAnalyser(AnalyserState& state) { state.power = kStartPower; }

void measureBands(const float* window, float* bands) {
    thread_local Transform transform;
    const Tables& t = tables();
    kiss_fft_scalar in[kAnalysisWindow];
    kiss_fft_cpx out[kAnalysisWindow / 2 + 1];
    for (int n = 0; n < kAnalysisWindow; ++n) in[n] = static_cast<float>(window[n] * t.window[n]);
    kiss_fftr(transform.cfg, in, out);
    for (int k = 0; k < kSpectrumBands; ++k) {
        const double re = out[k].r;
        const double im = out[k].i;
        bands[k] = static_cast<float>(std::sqrt(re * re + im * im) * 2.0 / 512.0);
    }
}

void shapeBands(AnalyserState& state, const float* window, const float* bands, double dtSeconds, float* spectrum) {
    double sumOfSquares = 0.0;
    for (int n = 0; n < kAnalysisWindow; ++n) {
        const double x = window[n];
        sumOfSquares += x * x;
    }
    const double meanSquare = sumOfSquares / kAnalysisWindow;
    const double dt = std::isfinite(dtSeconds) && dtSeconds > 0.0 ? dtSeconds : 0.0;
    state.power = state.power + (1.0 - std::exp(-dt / kLoudnessSeconds)) * (meanSquare - state.power);
    const double level = std::max(kQuietestLevel, std::sqrt(state.power));
    const Tables& t = tables();
    for (int k = 0; k < kSpectrumBands; ++k) {
        const double shaped = kGain * bands[k] * t.highPass[k] * t.treble[k] / level;
        spectrum[k] = static_cast<float>(std::min(1.0, shaped));
    }
}

void analyseSpectrum(AnalyserState& state, const float* window, double dtSeconds, float* spectrum) {
    float bands[kSpectrumBands];
    measureBands(window, bands);
    shapeBands(state, window, bands, dtSeconds, spectrum);
}
