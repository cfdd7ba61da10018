// X errors about windows this process already destroyed are not fatal.
//
// Xlib reports a protocol error long after the request that caused it, and
// its default handler ends the process. Some requests about a window can
// still be on their way when the window goes: SDL, waking its own event
// wait, sends a message to the window over a second connection, and the
// server may handle the window's destruction first. The error that comes
// back says nothing about the show; it must not end it.
//
//   installXErrorGuard();        // once, before SDL's video first starts
//   destroyGuardedWindow(window);  // instead of SDL_DestroyWindow
//
// SDL's X11 driver chains its own error handler to the one it finds when it
// starts and puts that one back when it quits, so a guard installed first
// stays in force across every start and stop of SDL's video. Every other
// error still goes to the handler that was there before the guard.
#pragma once

struct SDL_Window;

void installXErrorGuard();

// Remembers the window's X id (on X11), then destroys the window.
void destroyGuardedWindow(SDL_Window* window);

// The same for a window made without SDL (tests); ids are X resource ids.
void rememberDestroyedXWindow(unsigned long xid);
