// The heard samples of a stream by absolute position: the mono mix
// (audio/channel_mix.h: monoOf) of every frame appended, and the spectrum
// measured at a heard position from each hop's own window. Every host of the
// show (the sound library, the offline renderer, libziv and so the page)
// joins samples to spectra through these; they need no decoder.
//
//   auto timeline = std::make_unique<MonoTimeline>();   // large: keep it off the stack
//   resetTimeline(*timeline);
//   appendToTimeline(*timeline, frames, got, channels);  // interleaved, in the show's channel order
//   analyseHeard(state, *timeline, position, spectrum);   // positions never go back
#pragma once
#include <atomic>
#include <cstdint>

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
// The spectrum when `position` samples have been heard: takes in every hop up
// to position, then shapes the window before it. Positions never go back.
void analyseHeard(AnalyserState& state, const MonoTimeline& timeline, int64_t position, float* spectrum);
