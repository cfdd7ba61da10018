// The spectrum of a track at a frame, offline: the track heard through the
// live show's own reader and analyser. ziv-render, ziv-track-stats and the
// tests of both take every frame's spectrum from here.
//
//   TrackSpectrum track;
//   if (!track.open("DuskPulse.ogg", &why)) ...
//   track.spectrumAt(position, spectrum);   // positions never go back
//
// The window is the 1024 samples before position (zeros before the start),
// the track loops as in the show, and the analyser's state moves on with the
// samples heard, exactly as the live audio library computes it when position
// samples have been heard: both hear through HeardSpectrum.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "audio/heard_spectrum.h"
#include "audio/track_reader.h"

class TrackSpectrum {
public:
    TrackSpectrum();
    ~TrackSpectrum();
    TrackSpectrum(const TrackSpectrum&) = delete;
    TrackSpectrum& operator=(const TrackSpectrum&) = delete;

    bool open(const std::string& path, std::string* why);
    // spectrum receives kSpectrumBands entries.
    void spectrumAt(int64_t position, float* spectrum);

private:
    TrackReader* reader_ = nullptr;
    int channels_ = 0;
    bool exhausted_ = false;   // the track holds no audio at all: everything reads as silence
    HeardSpectrum heard_;
    std::vector<float> chunk_;
};
