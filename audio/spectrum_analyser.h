// The spectrum analyser: 1024 mono samples in, 512 band levels out.
//
//   AnalyserState state;                 // loudness starts as when a stream starts
//   float window[kAnalysisWindow];       // the samples being heard, oldest first
//   float spectrum[kSpectrumBands];
//   analyseSpectrum(state, window, dtSeconds, spectrum);
//
// measureBands is the plain transform (periodic Hann window, |X[k]| x 2/512,
// so a full-scale sine centred on band k reads 1.0); shapeBands applies the
// running loudness and the tilt the show is tuned for. The live audio
// library and the offline renderer both call analyseSpectrum, so they
// compute the same numbers from the same samples.
#pragma once

#include "scenes/spectrum.h"

inline constexpr int kAnalysisWindow = 1024;

struct AnalyserState {
    double power = 0.04;  // running mean square P
};

void resetAnalyser(AnalyserState& state);
void measureBands(const float* window, float* bands);
void shapeBands(AnalyserState& state, const float* window, const float* bands, double dtSeconds, float* spectrum);
void analyseSpectrum(AnalyserState& state, const float* window, double dtSeconds, float* spectrum);
