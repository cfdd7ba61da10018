// The show's music: every call it makes into the audio library.
//
//   if (!startAudio(RunOptions.sound)) return 1;   // before any picture is decoded
//   startMusic();                                  // "DuskPulse.ogg", looping, spectrum on
//   const float* s = fetchSpectrum();              // once per frame
//   stopMusic();                                   // Escape or the time limit
#pragma once

#include "audio/audio_constants.h"

struct SoundStream;

inline constexpr const char* kMusicFileName = "DuskPulse.ogg";
inline constexpr unsigned kInitFlags = 0;
inline constexpr unsigned kMusicOpenMode = 0x20132;  // loop, 16-bit, mono, signed, accurate seek

extern SoundStream* MusicStream;

bool startAudio(bool sound);
void startMusic();
const float* fetchSpectrum();
void stopMusic();
