// The platform's outputs for the sound library's mix (the seam is
// audio/sound_output.h).
//
//   usePlatformSoundOutputs();   // before FSOUND_Init
#pragma once

#include "audio/sound_output.h"

// SDL2 audio: opens the default device; fails when there is none.
const SoundOutput* sdlSoundOutput();
// No device: mixes one buffer every kOutputBufferFrames / kMixRate s in real time and discards it.
const SoundOutput* clockSoundOutput();

inline void usePlatformSoundOutputs() { useSoundOutputs(sdlSoundOutput(), clockSoundOutput()); }
