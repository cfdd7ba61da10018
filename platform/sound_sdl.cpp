#include "platform/fsound.h"

// Playback is not built yet: initialisation succeeds, no track opens, and
// the spectrum reads silence.
namespace {

float silence[kSpectrumBands] = {};

signed char setOutput(int) { return 1; }
signed char init(int, int, unsigned) { return 1; }
SoundStream* openFile(const char*, unsigned, int) { return nullptr; }
int playEx(int, SoundStream*, SpectrumUnit*, signed char) { return -1; }
SpectrumUnit* fftUnit() { return nullptr; }
signed char setActive(SpectrumUnit*, signed char) { return 1; }
float* spectrum() { return silence; }
signed char stop(SoundStream*) { return 0; }
signed char close(SoundStream*) { return 0; }

const SoundLibrary not_yet_built = {setOutput, init, openFile, playEx, fftUnit, setActive, spectrum, stop, close};

}  // namespace

const SoundLibrary* sdlSoundLibrary() { return &not_yet_built; }
