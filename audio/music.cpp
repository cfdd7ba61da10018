#include "audio/music.h"

#include "audio/fsound.h"

SoundStream* MusicStream = nullptr;

bool startAudio(bool sound) {
    if (!sound) FSOUND_SetOutput(kOutputNoSound);
    return FSOUND_Init(kMixRate, kSoftwareChannels, kInitFlags) != 0;
}

// Nothing here is checked: a missing track leaves MusicStream null and the
// library ignores null streams, so the show runs silent.
void startMusic() {
    MusicStream = FSOUND_Stream_OpenFile(kMusicFileName, kMusicOpenMode, 0);
    FSOUND_Stream_PlayEx(-1, MusicStream, nullptr, 0);
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 1);
}

const float* fetchSpectrum() { return FSOUND_DSP_GetSpectrum(); }

void stopMusic() {
    FSOUND_Stream_Stop(MusicStream);
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 0);
    FSOUND_Stream_Close(MusicStream);
}
