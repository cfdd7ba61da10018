// Starting SDL's video for a window, and whether anyone can see that window.
//
//   if (startVideoSubsystem() != 0) { /* SDL_GetError() says why */ }
//   std::string why;
//   if (!videoDriverIsVisible(&why)) { /* report why, do not open a window */ }
//   if (!windowManagerRuns()) { /* full screen is ours to do: a window the display's size */ }
//
// With no X11 or Wayland display SDL quietly falls back to its "offscreen"
// or "dummy" video driver and every call succeeds with nothing on screen.
// Landing on one of those is only fine when SDL_VIDEODRIVER asked for it
// (headless tests do); videoDriverShowsNothing tells either way. On X11 the
// process also keeps a connection of its own open from then on, so that the
// server cannot reset between one window and the next.
#pragma once
#include <string>

int startVideoSubsystem();
bool videoDriverShowsNothing();
bool videoDriverIsVisible(std::string* why);
// False only on a bare X server (a kiosk, Xvfb alone): nobody there honours a request for
// full screen, so a window asking for it keeps its size while SDL lays out for the screen's.
bool windowManagerRuns();
