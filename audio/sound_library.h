// What the real sound library offers beyond the nine functions: figures for
// benchmarks and a way for tests and tools to start over. The show itself
// uses none of it and never shuts the library down.
//
//   SoundLibraryStats s = soundLibraryStats();   // underruns, worst mix time, ...
//   float bands[512]; double overall;
//   lastSpectrumAnalysis(bands, &overall);       // the unshaped bands behind the last spectrum (measured now,
//                                                // from the samples it was made of), the running overall level
//   closeSoundLibrary();                         // streams closed, output closed, ready for FSOUND_Init again
#pragma once
#include <cstdint>

struct SoundStream;

struct SoundLibraryStats {
    int64_t mixes = 0;                   // buffers handed to the output
    int64_t underruns = 0;               // buffers a playing stream could not fill
    int64_t worstMixNanoseconds = 0;     // longest time spent in one mix, preemption included
    int64_t worstMixCpuNanoseconds = 0;  // most CPU time one mix used
    int64_t outputFrames = 0;            // frames handed to the output since it opened
    int64_t lastStartOutputFrame = -1;   // output frame that carried the latest stream's first frame
    int bufferFrames = 0;                // frames per output buffer
};

SoundLibraryStats soundLibraryStats();
void resetSoundLibraryStats();
void lastSpectrumAnalysis(float* bands, double* overall);
void closeSoundLibrary();
// For a player: a paused stream keeps its place and gives nothing; a stream
// that does not loop has finished once everything decoded has been played.
void pauseSoundStream(SoundStream* stream, bool paused);
bool soundStreamFinished(SoundStream* stream);
// For a player that hands what is heard on (ziv-play feeds it to libziv): the
// samples of a playing stream heard so far, its heard position as the
// spectrum takes it (it stands still while paused; 0 for no open stream), and
// the mono mix of its positions [from, from + count), zeros for positions not
// decoded yet or no longer held (about the last second and a half is).
//
//   int64_t heard = soundStreamHeard(stream);
//   soundStreamSamples(stream, handedOn, static_cast<int>(heard - handedOn), mono);
int64_t soundStreamHeard(SoundStream* stream);
void soundStreamSamples(SoundStream* stream, int64_t from, int count, float* mono);
