#include "audio/fsound.h"

namespace {

struct {
    const SoundLibrary* library = nullptr;
} fsound_state;

const SoundLibrary& library() {
    if (!fsound_state.library) fsound_state.library = realSoundLibrary();
    return *fsound_state.library;
}

}  // namespace

void useSoundLibrary(const SoundLibrary* l) { fsound_state.library = l ? l : realSoundLibrary(); }

signed char FSOUND_SetOutput(int outputType) { return library().setOutput(outputType); }
signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags) {
    return library().init(mixRate, maxSoftwareChannels, flags);
}
SoundStream* FSOUND_Stream_OpenFile(const char* name, unsigned int mode, int length) {
    return library().streamOpenFile(name, mode, length);
}
int FSOUND_Stream_PlayEx(int channel, SoundStream* stream, SpectrumUnit* dsp, signed char startPaused) {
    return library().streamPlayEx(channel, stream, dsp, startPaused);
}
SpectrumUnit* FSOUND_DSP_GetFFTUnit() { return library().dspGetFftUnit(); }
signed char FSOUND_DSP_SetActive(SpectrumUnit* unit, signed char active) { return library().dspSetActive(unit, active); }
float* FSOUND_DSP_GetSpectrum() { return library().dspGetSpectrum(); }
signed char FSOUND_Stream_Stop(SoundStream* stream) { return library().streamStop(stream); }
signed char FSOUND_Stream_Close(SoundStream* stream) { return library().streamClose(stream); }
