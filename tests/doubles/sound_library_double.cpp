#include "doubles/sound_library_double.h"

#include <cstdio>

namespace {

SoundLibraryDouble the_double;
char stream_token;
char unit_token;

SoundStream* streamHandle() { return reinterpret_cast<SoundStream*>(&stream_token); }
SpectrumUnit* unitHandle() { return reinterpret_cast<SpectrumUnit*>(&unit_token); }

std::string nameOf(const SoundStream* s) {
    if (!s) return "null";
    return s == streamHandle() ? "stream" : "unknown-stream";
}

std::string nameOf(const SpectrumUnit* u) {
    if (!u) return "null";
    return u == unitHandle() ? "fft" : "unknown-unit";
}

void record(std::string call) { the_double.calls.push_back(std::move(call)); }

signed char setOutput(int type) {
    record("SetOutput(" + std::to_string(type) + ")");
    return 1;
}

signed char init(int rate, int channels, unsigned flags) {
    record("Init(" + std::to_string(rate) + "," + std::to_string(channels) + "," + std::to_string(flags) + ")");
    return the_double.initResult;
}

SoundStream* openFile(const char* name, unsigned mode, int length) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X", mode);
    record(std::string("Stream_OpenFile(") + (name ? name : "null") + "," + hex + "," + std::to_string(length) + ")");
    return the_double.openSucceeds ? streamHandle() : nullptr;
}

int playEx(int channel, SoundStream* s, SpectrumUnit* dsp, signed char paused) {
    record("Stream_PlayEx(" + std::to_string(channel) + "," + nameOf(s) + "," + nameOf(dsp) + "," +
           std::to_string(paused) + ")");
    return s ? 0 : -1;
}

SpectrumUnit* fftUnit() {
    record("DSP_GetFFTUnit()");
    return unitHandle();
}

signed char setActive(SpectrumUnit* unit, signed char active) {
    record("DSP_SetActive(" + nameOf(unit) + "," + std::to_string(active) + ")");
    return 1;
}

float* spectrum() {
    record("DSP_GetSpectrum()");
    return the_double.spectrum;
}

signed char stop(SoundStream* s) {
    record("Stream_Stop(" + nameOf(s) + ")");
    return s ? 1 : 0;
}

signed char close(SoundStream* s) {
    record("Stream_Close(" + nameOf(s) + ")");
    return s ? 1 : 0;
}

const SoundLibrary recording = {setOutput, init, openFile, playEx, fftUnit, setActive, spectrum, stop, close};

}  // namespace

SoundLibraryDouble& soundLibraryDouble() { return the_double; }
void resetSoundLibraryDouble() { the_double = SoundLibraryDouble{}; }
const SoundLibrary* recordingSoundLibrary() { return &recording; }
SoundStream* doubleStreamHandle() { return streamHandle(); }
