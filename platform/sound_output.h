// Where the sound library's mix goes: a device, or a clock that keeps time
// with no device at all. The library's mixer is the only caller of mix.
//
//   int bufferFrames = 0;
//   if (!sdlSoundOutput()->open(mixStereo, &bufferFrames)) return 0;
//   output->lock(); /* the mixer is not running and will not start */ output->unlock();
//   output->close();
//
// mix fills `frames` interleaved stereo float frames at 44100 Hz; it runs on
// the output's own thread and must never block, allocate or touch a file.
#pragma once

using MixStereo = void (*)(float* stereo, int frames);

struct SoundOutput {
    bool (*open)(MixStereo mix, int* bufferFrames);
    void (*close)();
    void (*lock)();
    void (*unlock)();
};

inline constexpr int kOutputRate = 44100;
inline constexpr int kOutputBufferFrames = 1024;

// SDL2 audio: opens the default device; fails when there is none.
const SoundOutput* sdlSoundOutput();
// No device: mixes one buffer every 1024 / 44100 s in real time and discards it.
const SoundOutput* clockSoundOutput();
