// The samples a host feeds, as the show hears them: converted once into the
// 44100 Hz mono timeline (the track reader's resampler and channel mix), and
// the spectrum at a heard position measured by the same HeardSpectrum
// (audio/heard_spectrum.h) as a track's: the timeline is filled up to the
// position, then every hop before it is taken in and the window shaped.
//
//   HeardSamples heard;
//   if (!heard.feed(samples, frames, 48000, 2, SampleKind::Int16, &why)) ...
//   heard.spectrumAt(position, spectrum);   // kSpectrumBands entries; positions never go back
//
// Samples wait converted until a position reaches them, so a host may feed a
// whole file before the first frame without the timeline's ring losing any.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/heard_spectrum.h"
#include "audio/track_reader.h"

class HeardSamples {
public:
    HeardSamples();
    ~HeardSamples();
    HeardSamples(const HeardSamples&) = delete;
    HeardSamples& operator=(const HeardSamples&) = delete;

    // False with why for a rate or channel count the converter refuses; nothing is then taken.
    bool feed(const void* interleaved, size_t frames, int rate, int channels, SampleKind kind, std::string* why);
    // Samples in the timeline so far, heard or waiting.
    int64_t fed() const;
    // The channels of the first samples fed, which later ones are mixed into (0 before any).
    int channels() const { return convertedChannels(converter_); }
    void spectrumAt(int64_t position, float* spectrum);

private:
    SampleConverter* converter_ = nullptr;
    std::vector<float> converted_;   // one call's frames at 44100 Hz, interleaved
    std::vector<float> waiting_;     // mono samples no position has reached yet
    size_t waitingAt_ = 0;           // the first of them still waiting
    HeardSpectrum heard_;
};
