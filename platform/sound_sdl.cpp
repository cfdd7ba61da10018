#include <SDL.h>

#include "platform/sound_devices.h"

namespace {

struct {
    SDL_AudioDeviceID device = 0;
    MixStereo mix = nullptr;
} sdl_output;

void SDLCALL feed(void*, Uint8* stream, int len) {
    sdl_output.mix(reinterpret_cast<float*>(stream), len / static_cast<int>(2 * sizeof(float)));
}

bool open(MixStereo mix, int* bufferFrames) {
    if (sdl_output.device) return false;
    // SDL's own resampler, never libsamplerate: tracks must resample alike here
    // and in the offline renderer, which never initialises SDL audio.
    SDL_SetHintWithPriority(SDL_HINT_AUDIO_RESAMPLING_MODE, "default", SDL_HINT_OVERRIDE);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec want{};
    want.freq = kMixRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kOutputBufferFrames;
    want.callback = feed;
    SDL_AudioSpec have{};
    sdl_output.mix = mix;
    // The buffer may change size so that a callback is one device buffer: the
    // library takes what it hands over as heard one buffer later.
    sdl_output.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (!sdl_output.device) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    *bufferFrames = have.samples;
    SDL_PauseAudioDevice(sdl_output.device, 0);
    return true;
}

void close() {
    if (!sdl_output.device) return;
    SDL_CloseAudioDevice(sdl_output.device);
    sdl_output.device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void lock() {
    if (sdl_output.device) SDL_LockAudioDevice(sdl_output.device);
}

void unlock() {
    if (sdl_output.device) SDL_UnlockAudioDevice(sdl_output.device);
}

const SoundOutput sdl_sound_output = {open, close, lock, unlock};

}  // namespace

const SoundOutput* sdlSoundOutput() { return &sdl_sound_output; }
