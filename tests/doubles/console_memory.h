// A console backend that keeps everything in memory: no window, the last
// presented picture kept for the test to look at, key presses injected.
//
//   useConsoleBackend(memoryConsoleBackend());
//   memoryConsolePressKey('a', false, false, false);   // read at the next poll
//   int w, h; const uint32_t* shown = memoryConsoleFrame(&w, &h);
#pragma once
#include <cstdint>

#include "platform/console_backend.h"

const ConsoleBackend* memoryConsoleBackend();

// Its device: the last presented picture and injected input.
const uint32_t* memoryConsoleFrame(int* width, int* height);
int memoryConsolePresentCount();
bool memoryConsoleIsOpen();
void memoryConsolePressKey(int code, bool shift, bool control, bool alt);
void memoryConsoleRequestClose();
void memoryConsoleReset();
