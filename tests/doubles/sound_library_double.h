// A sound library that records every call made into it, for tests of the
// show's call sequences. Install it with useSoundLibrary(recordingSoundLibrary()).
//
//   resetSoundLibraryDouble();
//   soundLibraryDouble().initResult = 0;         // make FSOUND_Init fail
//   soundLibraryDouble().openSucceeds = false;   // make the open return null
//   ... run the code under test ...
//   EXPECT_EQ(soundLibraryDouble().calls, (std::vector<std::string>{"Init(44100,32,0)", ...}));
#pragma once
#include <string>
#include <vector>

#include "audio/fsound.h"

struct SoundLibraryDouble {
    std::vector<std::string> calls;   // "Name(arguments)", stream handles as "stream" or "null"
    signed char initResult = 1;
    bool openSucceeds = true;
    float spectrum[kSpectrumBands] = {};
};

SoundLibraryDouble& soundLibraryDouble();
void resetSoundLibraryDouble();
const SoundLibrary* recordingSoundLibrary();
// The handle the double's open returns when it succeeds.
SoundStream* doubleStreamHandle();
