// The whole life of the show: dialog, audio, pictures, music, console,
// frame loop, shut-down. Returns the process exit status.
//
//   int main() { return runShow(nullptr); }
//
// LastKey holds the key most recently read from the console; it exists
// from before main() until the process exits.
#pragma once
#include <cstdint>

#include "platform/pixel_console.h"

struct ModuleInstance;

extern ConsoleKey LastKey;

int runShow(ModuleInstance* instance);
