// Heard samples to the show's spectrum: the one place where they meet. Every
// path that hears samples appends them here and asks for the spectrum at the
// position heard: the sound library's streams (the live show and ziv-play's
// files), a track read offline (audio/track_spectrum.h: ziv-render,
// ziv-track-stats), a host's samples fed to libziv (libziv/heard_samples.h,
// the face of ziv_feed_* and ziv_set_position), and the desktop captured by
// ziv-play --listen. It lives in audio/ because the sound library needs it and
// may not reach up to libziv; libziv's C API is the face over it for hosts.
//
//   HeardSpectrum heard;                          // empty timeline, analyser at rest
//   heard.append(frames, count, channels);        // one thread appends (a decoder, a capture) ...
//   heard.spectrumAt(position, spectrum);         // ... while another asks; positions never go back
//   heard.restartAnalysis();                      // a stream plays again: analyser at rest, samples kept
//   heard.reset();                                // a new stream: both (no append may run)
//
// The spectrum at position p takes in every hop of kAnalysisHop samples up to
// p, each with its own window, then shapes the window of the 1024 samples
// before p; samples not appended yet, or already overwritten, count as zeros.
// So any two paths that hear the same samples at the same positions give the
// same spectrum, bit for bit, whatever their frame rate or chunking.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

#include "audio/spectrum_analyser.h"

// The mono mix (audio/channel_mix.h: monoOf) of everything appended, by position.
// One thread appends while another may read windows: the writer announces
// the positions it is about to overwrite before it touches them, and a
// reader that finds it read any of them in the meantime gives zeros for
// those (they are gone), never samples of a later position.
struct MonoTimeline {
    static constexpr int kCapacity = 1 << 16;   // about 1.5 s at 44100 Hz
    std::atomic<float> ring[kCapacity];         // relaxed accesses: plain loads and stores, no torn floats
    std::atomic<int64_t> written{0};            // samples appended since reset
    std::atomic<int64_t> claimed{0};            // samples appended or being appended
};

void resetTimeline(MonoTimeline& timeline);
void appendToTimeline(MonoTimeline& timeline, const float* interleaved, int frames, int channels);
// Zeros stand for positions before 0, positions not appended yet and positions
// overwritten before or while the window was read.
void windowAt(const MonoTimeline& timeline, int64_t position, float* window);
// The same for the `count` samples of positions [from, from + count).
void samplesAt(const MonoTimeline& timeline, int64_t from, int count, float* out);

class HeardSpectrum {
public:
    HeardSpectrum();
    HeardSpectrum(const HeardSpectrum&) = delete;
    HeardSpectrum& operator=(const HeardSpectrum&) = delete;

    void reset();
    void restartAnalysis();
    // Interleaved frames of `channels` samples, mixed to mono; any one thread at a time.
    void append(const float* interleaved, int frames, int channels);
    // Samples appended since the last reset.
    int64_t appended() const { return timeline_->written.load(std::memory_order_acquire); }
    // spectrum receives kSpectrumBands entries; the asking thread's own.
    void spectrumAt(int64_t position, float* spectrum);
    // The kAnalysisWindow samples before position, as the analyser reads them.
    void windowAt(int64_t position, float* window) const;
    // The mono samples of positions [from, from + count), for a program that hands them on.
    void samplesAt(int64_t from, int count, float* out) const { ::samplesAt(*timeline_, from, count, out); }
    // The running level of the samples taken in so far (the analyser's).
    double overallLevel() const { return analyser_.overall; }

private:
    std::unique_ptr<MonoTimeline> timeline_;
    AnalyserState analyser_;
};
