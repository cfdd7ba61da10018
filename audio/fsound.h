// The show's audio library: plays an Ogg Vorbis stream and measures the
// spectrum of what is being heard.
//
//   if (!sound) FSOUND_SetOutput(kOutputNoSound);
//   if (!FSOUND_Init(kMixRate, 32, 0)) return 1;
//   SoundStream* s = FSOUND_Stream_OpenFile("track.ogg", kModeLoopNormal, 0);  // null if unusable
//   FSOUND_Stream_PlayEx(-1, s, nullptr, 0);
//   FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 1);
//   const float* spectrum = FSOUND_DSP_GetSpectrum();                   // kSpectrumBands magnitudes
//   FSOUND_Stream_Stop(s); FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 0); FSOUND_Stream_Close(s);
//
// Null stream handles are accepted everywhere and do nothing. The nine
// functions dispatch through one table of function pointers, the narrow
// seam where tests put a recording double (useSoundLibrary).
#pragma once
#include <cstdint>

#include "scenes/spectrum.h"

struct SoundStream;    // opaque: one opened track
struct SpectrumUnit;   // opaque: the built-in spectrum analyser

inline constexpr int kOutputNoSound = 0;
inline constexpr unsigned kModeLoopNormal = 0x2;

signed char FSOUND_SetOutput(int outputType);
signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags);
SoundStream* FSOUND_Stream_OpenFile(const char* name, unsigned int mode, int length);
int FSOUND_Stream_PlayEx(int channel, SoundStream* stream, SpectrumUnit* dsp, signed char startPaused);
SpectrumUnit* FSOUND_DSP_GetFFTUnit();
signed char FSOUND_DSP_SetActive(SpectrumUnit* unit, signed char active);
float* FSOUND_DSP_GetSpectrum();
signed char FSOUND_Stream_Stop(SoundStream* stream);
signed char FSOUND_Stream_Close(SoundStream* stream);

// The seam: one entry per function above.
struct SoundLibrary {
    signed char (*setOutput)(int outputType);
    signed char (*init)(int mixRate, int maxSoftwareChannels, unsigned int flags);
    SoundStream* (*streamOpenFile)(const char* name, unsigned int mode, int length);
    int (*streamPlayEx)(int channel, SoundStream* stream, SpectrumUnit* dsp, signed char startPaused);
    SpectrumUnit* (*dspGetFftUnit)();
    signed char (*dspSetActive)(SpectrumUnit* unit, signed char active);
    float* (*dspGetSpectrum)();
    signed char (*streamStop)(SoundStream* stream);
    signed char (*streamClose)(SoundStream* stream);
};

// The library itself: decoder threads, mixer and analyser over an installed output (audio/sound_output.h).
const SoundLibrary* realSoundLibrary();
// nullptr restores realSoundLibrary().
void useSoundLibrary(const SoundLibrary* library);
