// Reading a track as the show hears it: decoded (Ogg Vorbis and Opus, MP3,
// AAC/M4A, FLAC, WAV, WavPack, Monkey's Audio and the other audio formats
// below), at 44100 Hz, looping, and the mono mix of what was played, by
// absolute position. Channels come in Vorbis order whatever the format; a
// chained part in another layout is mixed into the first part's.
//
// A music file opens nothing but itself. Every program and the fuzzers read
// tracks only through openTrack, which holds to this:
// - The name is opened once, by us: a regular file (checked with fstat on the
//   descriptor we opened, so no FIFO, device or folder), never waiting.
// - FFmpeg reads that descriptor through our own I/O context; it is never
//   given a URL, its protocol whitelist is empty and every nested open a
//   demuxer asks for (a playlist's entries, a reference to another file, a
//   network address) fails. So no other file is read and no socket is opened.
// - The format is found from the bytes and must be an audio format or a
//   container that carries audio in one file (mp3, ogg, flac, wav, aiff, aac,
//   ac3, mov/mp4/m4a, matroska/webm, asf, avi, mpegts, ... : kAllowedDemuxers).
//   Playlists, streaming manifests, session descriptions and pictures are
//   refused with a reason: "is a playlist, not an audio file".
// - An open or read stops within a second when the program asks to stop
//   (setTrackStopCheck: ziv-render's signals), a read when its stream is closed
//   (interruptTrack: Escape, a closed window, the next file), and an open that
//   is still busy after kOpenSeconds is refused.
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
#include <vector>

#include "audio/mono_timeline.h"
#include "audio/spectrum_analyser.h"

struct TrackReader;

// What a track, or a host's samples, may hold: rates in Hz, and channels (what the resampler can mix).
inline constexpr int kTrackLowestRate = 1000;
inline constexpr int kTrackHighestRate = 384000;
inline constexpr int kTrackMostChannels = 64;

// why: "does not exist", "is a folder, not a file", "permission denied", "is not an audio file",
// "is a playlist, not an audio file", "took too long to open", "was not opened: stopped", ...
// Regular files only, and never a blocking open: a FIFO or device is refused at once.
TrackReader* openTrack(const char* path, std::string* why);
// The program's stop request, asked inside every open and read (any thread,
// so it must be cheap and thread-safe); null: nothing stops them but the deadline.
void setTrackStopCheck(bool (*stopped)());
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
// Ends the read under way in another thread (within its current block) and
// every later one: they give what they have and then 0. For closing a stream
// whose decoder may be reading; the track must still be closed.
void interruptTrack(TrackReader* track);

// Samples a host hands over (interleaved, 16-bit or float, channels in the
// usual WAVE order, 1000..384000 Hz, 1..64 channels) converted exactly as a
// track with those samples is read: the same resampler, the same channel
// layout, frames at 44100 Hz in the show's order.
//
//   SampleConverter* c = openSampleConverter(&why);
//   std::vector<float> out;                                  // trackChannels-style interleaved frames
//   convertSamples(c, samples, frames, 48000, 2, SampleKind::Int16, out, &why);   // appends to out
//   closeSampleConverter(c);
//
// A change of rate, channel count or kind starts a new part, made exactly as
// long at 44100 Hz as it was at its own rate, as a chained track's part is.
// The output does not depend on how the samples are split between calls.
struct SampleConverter;
enum class SampleKind { Int16, Float32 };
SampleConverter* openSampleConverter();
void closeSampleConverter(SampleConverter* converter);
// The channel count of the frames appended by the latest call (0 before the first).
int convertedChannels(const SampleConverter* converter);
// False with why for a rate or channel count beyond the limits above, or a
// resampler that cannot be set up; out is then unchanged.
bool convertSamples(SampleConverter* converter, const void* interleaved, int frames, int rate, int channels,
                    SampleKind kind, std::vector<float>& out, std::string* why);
