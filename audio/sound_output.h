// Where the sound library's mix goes: a device, or a clock that keeps time
// with no device at all. The library's mixer is the only caller of mix. The
// outputs themselves are backends of the platform layer, installed before
// FSOUND_Init (usePlatformSoundOutputs in platform/sound_devices.h).
//
//   useSoundOutputs(device, silent);   // FSOUND_Init fails while none are installed
//   int bufferFrames = 0;
//   if (!output->open(mixStereo, &bufferFrames)) return 0;
//   output->lock(); /* the mixer is not running and will not start */ output->unlock();
//   output->close();
//
// mix fills `frames` interleaved stereo float frames at kMixRate; it runs on
// the output's own thread and must never block, allocate or touch a file.
#pragma once

#include "audio/audio_constants.h"

using MixStereo = void (*)(float* stereo, int frames);

struct SoundOutput {
    bool (*open)(MixStereo mix, int* bufferFrames);
    void (*close)();
    void (*lock)();
    void (*unlock)();
};

inline constexpr int kOutputBufferFrames = 1024;

// device plays the mix; silent keeps its time when the show runs without
// sound (kOutputNoSound). Only while the library is not initialised.
void useSoundOutputs(const SoundOutput* device, const SoundOutput* silent);
