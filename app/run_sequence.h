// The whole life of the show: dialog, audio, pictures, music, console,
// frame loop, shut-down. Returns the process exit status.
//
//   int main() { return runShow(nullptr); }
#pragma once

struct ModuleInstance;

int runShow(ModuleInstance* instance);
