// Starting SDL's video for a window, and whether anyone can see that window.
//
//   if (startVideoSubsystem() != 0) { /* SDL_GetError() says why */ }
//   std::string why;
//   if (!videoDriverIsVisible(&why)) { /* report why, do not open a window */ }
//
// With no X11 or Wayland display SDL quietly falls back to its "offscreen"
// or "dummy" video driver and every call succeeds with nothing on screen.
// Landing on one of those is only fine when SDL_VIDEODRIVER asked for it
// (headless tests do); videoDriverShowsNothing tells either way.
#pragma once
#include <string>

int startVideoSubsystem();
bool videoDriverShowsNothing();
bool videoDriverIsVisible(std::string* why);
