// Whether SDL's video subsystem can show a window someone can see.
//
//   std::string why;
//   if (!videoDriverIsVisible(&why)) { /* report why, do not open a window */ }
//
// With no X11 or Wayland display SDL quietly falls back to its "offscreen"
// or "dummy" video driver and every call succeeds with nothing on screen.
// Landing on one of those is only fine when SDL_VIDEODRIVER asked for it
// (headless tests do). Call after SDL_InitSubSystem(SDL_INIT_VIDEO).
#pragma once
#include <string>

bool videoDriverIsVisible(std::string* why);
