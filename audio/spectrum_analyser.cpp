#include "audio/spectrum_analyser.h"

#include <kissfft/kissfft.hh>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace {

constexpr double kSampleRate = 44100.0;

// What the levels answer to. Times are in seconds of heard samples; floors
// are band levels (a full-scale sine reads 1) or shares of the running
// root mean square of the samples. Chosen on a corpus of real music of many
// kinds; see tools/corpus/README.md.
struct Tuning {
    double meanSeconds = 1.5;      // running mean of each band
    double peakSeconds = 4.0;      // release of each band's peak
    double overallSeconds = 5.0;   // running overall level
    double relFloor = 0.01;        // floor against the overall level
    double bassFloor = 0.08;       // the same for the bass selector bands
    double absFloor = 1e-5;        // floor that keeps silence silent
    double bodyGain = 1.3;         // body bands: band 51 and every band no selector reads
    double bassGain = 1.1;         // band 2, the trail's blue
    // Beat bands: base x liveliness x body + gain x jump past a dead zone over a range.
    double beatBase = 0.22, beatGain = 0.6, beatDead = 0.6, beatRange = 1.5;
    double kickBase = 0.9, kickGain = 0.4, kickDead = 0.8, kickRange = 1.5;   // band 1
    double hiBase = 0.6, hiGain = 0.4, hiDead = 0.8, hiRange = 1.5;         // bands 44..46
    // Liveliness: the spread over the mean, past a dead zone; band 1 and bands
    // 44..46 keep a still share of their base (below their thresholds).
    double liveDead = 0.5, liveRange = 0.3, stillKick = 0.25, stillHigh = 0.15;
    // Cuts: a jump over the running mean, at least this far apart, this many samples long.
    double cutRatio = 2.5, cutSeconds = 0.4, cutCap = 0.15, cutFloor = 0.001;
    int cutLength = 1024;
};

const Tuning& tuning() {
    static constexpr Tuning t{};
    return t;
}

enum class Kind : int8_t { Body, Beat, Kick, High, Dim, Cut };

struct Tables {
    double window[kAnalysisWindow];   // periodic Hann
    Kind kind[kSpectrumBands];
    double meanStep, peakDecay, overallStep;
    int64_t cutGap;
    Tables() {
        for (int n = 0; n < kAnalysisWindow; ++n)
            window[n] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * n / kAnalysisWindow);
        for (int k = 0; k < kSpectrumBands; ++k) kind[k] = Kind::Body;
        for (int k = 0; k <= 20; ++k) kind[k] = Kind::Beat;
        kind[1] = Kind::Kick;
        kind[2] = Kind::Body;
        for (int k = 44; k <= 46; ++k) kind[k] = Kind::High;
        kind[63] = kind[65] = Kind::Dim;
        kind[64] = kind[128] = kind[256] = Kind::Cut;
        const Tuning& t = tuning();
        meanStep = 1.0 - std::exp(-kAnalysisHop / (kSampleRate * t.meanSeconds));
        peakDecay = std::exp(-kAnalysisHop / (kSampleRate * t.peakSeconds));
        overallStep = 1.0 - std::exp(-kAnalysisHop / (kSampleRate * t.overallSeconds));
        cutGap = static_cast<int64_t>(t.cutSeconds * kSampleRate);
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

// The transform keeps no scratch space between calls, so one serves every thread.
const kissfft<double>& transform() {
    static const kissfft<double> fft(kAnalysisWindow / 2, false);
    return fft;
}

double floorOf(const AnalyserState& s) { return std::max(tuning().absFloor, tuning().relFloor * s.overall); }

double clamp01(double x) { return std::min(1.0, std::max(0.0, x)); }

// How far a level stands above its running mean, past a dead zone, on 0..1.
double jump(double level, double mean, double floor, double dead, double range) {
    return clamp01((level / std::max(mean, floor) - 1.0 - dead) / range);
}

void levelsOf(const float* window, double* levels) {
    float bands[kSpectrumBands];
    measureBands(window, bands);
    bandLevels(bands, levels);
}

}  // namespace

void resetAnalyser(AnalyserState& state) { state = AnalyserState{}; }

void measureBands(const float* window, float* bands) {
    const Tables& t = tables();
    double in[kAnalysisWindow];
    std::complex<double> out[kAnalysisWindow / 2];
    for (int n = 0; n < kAnalysisWindow; ++n) in[n] = static_cast<double>(window[n]) * t.window[n];
    transform().transform_real(in, out);
    bands[0] = static_cast<float>(std::abs(out[0].real()) * 2.0 / 512.0);
    for (int k = 1; k < kSpectrumBands; ++k) bands[k] = static_cast<float>(std::abs(out[k]) * 2.0 / 512.0);
}

// A band's level is the root mean square of the bands within an eighth of
// its index on either side, so higher bands span a steady share of an octave
// and a single noisy band cannot make a cut.
void bandLevels(const float* bands, double* levels) {
    double square[kSpectrumBands + 1];
    square[0] = 0.0;
    for (int k = 0; k < kSpectrumBands; ++k) square[k + 1] = square[k] + static_cast<double>(bands[k]) * bands[k];
    for (int k = 0; k < kSpectrumBands; ++k) {
        const int half = std::max(3, k / 8);
        const int lo = std::max(0, k - half), hi = std::min(kSpectrumBands - 1, k + half);
        levels[k] = std::sqrt((square[hi + 1] - square[lo]) / (hi - lo + 1));
    }
}

void takeInHop(AnalyserState& s, const float* window) {
    const Tables& t = tables();
    const Tuning& u = tuning();
    double level[kSpectrumBands];
    levelsOf(window, level);
    const int64_t here = s.nextHop;
    s.nextHop += kAnalysisHop;
    // A cut opens where a cut band jumps well above its running mean.
    const double floor = std::max(u.absFloor, u.cutFloor * s.overall);
    if (s.cutStart < 0 || here - s.cutStart >= t.cutGap) {
        double best = u.cutRatio;
        for (int k : {64, 128, 256}) {
            const double ratio = level[k] / std::max(s.mean[k], floor);
            if (ratio > best) {
                best = ratio;
                s.cutStart = here;
                s.cutBand = k;
            }
        }
    }
    double sumOfSquares = 0.0;
    for (int n = 0; n < kAnalysisWindow; ++n) sumOfSquares += static_cast<double>(window[n]) * window[n];
    s.overall += t.overallStep * (std::sqrt(sumOfSquares / kAnalysisWindow) - s.overall);
    for (int k = 0; k < kSpectrumBands; ++k) {
        s.mean[k] += t.meanStep * (level[k] - s.mean[k]);
        s.square[k] += t.meanStep * (level[k] * level[k] - s.square[k]);
        s.peak[k] = std::max(level[k], s.peak[k] * t.peakDecay);
    }
}

void shapeSpectrum(const AnalyserState& s, const float* window, int64_t position, float* spectrum) {
    const Tables& t = tables();
    const Tuning& u = tuning();
    double level[kSpectrumBands];
    levelsOf(window, level);
    const double floor = floorOf(s);
    const double bassFloor = std::max(floor, u.bassFloor * s.overall);
    const bool cutOpen = s.cutBand >= 0 && position >= s.cutStart && position - s.cutStart < u.cutLength;
    for (int k = 0; k < kSpectrumBands; ++k) {
        const Kind kind = t.kind[k];
        const double f = kind == Kind::Beat || kind == Kind::Kick ? bassFloor : floor;
        const double body = std::sqrt(level[k] / std::max({s.peak[k], level[k], f}));
        // How lively the band has been: the spread of its level over the
        // last second or two against its mean. A tone does not vary and
        // noise varies little once averaged over a few bands, so both leave
        // the selector bands low; beats and notes vary a lot.
        const double spread = std::sqrt(std::max(0.0, s.square[k] - s.mean[k] * s.mean[k]));
        const double live = clamp01((spread / std::max(s.mean[k], f) - u.liveDead) / u.liveRange);
        double v = 0.0;
        switch (kind) {
            case Kind::Body: v = (k == 2 ? u.bassGain : u.bodyGain) * body; break;
            case Kind::Beat: v = u.beatBase * live * body + u.beatGain * jump(level[k], s.mean[k], f, u.beatDead, u.beatRange); break;
            case Kind::Kick: v = u.kickBase * (u.stillKick + (1.0 - u.stillKick) * live) * body + u.kickGain * jump(level[k], s.mean[k], f, u.kickDead, u.kickRange); break;
            case Kind::High: v = u.hiBase * (u.stillHigh + (1.0 - u.stillHigh) * live) * body + u.hiGain * jump(level[k], s.mean[k], floor, u.hiDead, u.hiRange); break;
            case Kind::Dim: v = u.cutCap * body; break;
            case Kind::Cut: v = cutOpen && k == s.cutBand ? 1.0 : u.cutCap * body; break;
        }
        spectrum[k] = static_cast<float>(clamp01(v));
    }
}

void analyseSpectrum(AnalyserState& state, const float* window, double dtSeconds, float* spectrum) {
    // Whole samples only; a bad or negative time stands still.
    const double samples = std::isfinite(dtSeconds) && dtSeconds > 0.0 ? std::floor(dtSeconds * kSampleRate + 0.5) : 0.0;
    state.heard += static_cast<int64_t>(std::min(samples, 3600.0 * kSampleRate));
    while (state.nextHop <= state.heard) takeInHop(state, window);
    shapeSpectrum(state, window, state.heard, spectrum);
}
