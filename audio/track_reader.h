// Reading a track as the show hears it: decoded (Ogg Vorbis and Opus, MP3,
// AAC/M4A, FLAC, WAV and whatever else FFmpeg reads), at 44100 Hz, looping,
// and the mono mix of what was played, by absolute position. Channels come
// in Vorbis order whatever the format; a chained part in another layout is
// mixed into the first part's. Only regular files are opened, and opening
// never waits on a FIFO or a device.
//
//   std::string why;
//   TrackReader* t = openTrack("DuskPulse.ogg", &why);   // null: why says what is wrong
//   float frames[2 * 512];
//   int got = readTrack(t, frames, 512);                  // interleaved, trackChannels(t) each
//   appendToTimeline(timeline, frames, got, trackChannels(t));
//   windowAt(timeline, position, window);                 // samples [position - 1024, position)
//   closeTrack(t);
//
// The live audio library and the offline renderer share these, so the
// renderer's spectrum at position p is the one the live show measures when
// p samples have been heard.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "audio/spectrum_analyser.h"

struct TrackReader;

// why: "does not exist", "is a folder, not a file", "permission denied", "is not an audio file", ...
// Regular files only, and never a blocking open: a FIFO or device is refused at once.
TrackReader* openTrack(const char* path, std::string* why);
// A whole file held in memory (copied: the bytes need not outlive the call), read as a file would be.
TrackReader* openTrackFromMemory(const unsigned char* data, size_t size, std::string* why);
void closeTrack(TrackReader* track);
int trackChannels(const TrackReader* track);
// Tracks loop unless told otherwise; a track that does not loop ends after one pass.
void setTrackLooping(TrackReader* track, bool loops);
// Next frames at 44100 Hz, interleaved; the track starts again after its end
// without a gap. The output does not depend on how reads are chunked.
// Returns the frames written: fewer than asked only when the track holds no
// audio at all (then 0), ends because it does not loop, or cannot be
// restarted; every later read then gives 0.
int readTrack(TrackReader* track, float* interleaved, int frames);

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
