// The pixel console library: one display that takes 32-bit pixels,
// off-screen surfaces, key presses and errors, all as plain handles.
//
//   consoleLibraryStartup();                                   // before every creation; result not needed
//   ConsoleHandle* c; ConsoleErrorHandle* e = consoleCreate(&c);  // null: success
//   consoleSetOption(c, "windowed output");                    // or "fullscreen output", "hide cursor",
//                                                              // "scale fit" (the default), "scale integer"
//   e = consoleOpen(c, "ziv", 640, 480, format, 0);
//   e = surfaceLock(s, &pixels); ... surfaceUnlock(s); surfaceCopyToConsole(s, c); consoleUpdate(c);
//   int pending; e = consoleKeyPending(c, &pending); if (pending) e = consoleReadKey(c, key);
//   if (e) { errorReport(e); errorRelease(e); }               // "<title>: <message>" on stderr
//
// Every call that can fail returns an error handle (null on success) that
// the caller owns. Only 32-bit 0x00RRGGBB pixels are supported; one console
// can be open at a time. The device behind the open console is a backend
// (platform/console_backend.h): SDL2 by default, doubles in tests.
#pragma once
#include <cstdint>

struct ConsoleHandle;         // a display, open or not yet open
struct ConsoleSurfaceHandle;  // off-screen pixels
struct ConsoleFormatHandle;   // a pixel format
struct ConsoleKeyHandle;      // a key press: code and shift/control/alt flags
struct ConsoleErrorHandle;    // what went wrong

inline constexpr int kConsoleEscapeCode = 27;
// Key codes as the console reports them, for programs that answer more keys than Escape.
inline constexpr int kConsoleSpaceCode = 32;
inline constexpr int kConsoleLetterFCode = 'f';
inline constexpr int kConsoleRightCode = 0x4000004F;
inline constexpr int kConsoleLeftCode = 0x40000050;
inline constexpr int kConsoleKeyQueueSize = 256;
inline constexpr int kConsoleMaxSide = 16384;

int consoleLibraryStartup();

ConsoleErrorHandle* keyCreate(int code, bool shift, bool control, bool alt, ConsoleKeyHandle** key);
void keyAssign(ConsoleKeyHandle* to, const ConsoleKeyHandle* from);
int keyCode(const ConsoleKeyHandle* key);
bool keyShift(const ConsoleKeyHandle* key);
bool keyControl(const ConsoleKeyHandle* key);
bool keyAlt(const ConsoleKeyHandle* key);
void keyRelease(ConsoleKeyHandle* key);

ConsoleErrorHandle* formatCreate(int bits, uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha, ConsoleFormatHandle** format);
void formatRelease(ConsoleFormatHandle* format);

ConsoleErrorHandle* consoleCreate(ConsoleHandle** console);
int consoleSetOption(ConsoleHandle* console, const char* option);
ConsoleErrorHandle* consoleOpen(ConsoleHandle* console, const char* title, int width, int height, const ConsoleFormatHandle* format, int pages);
int consoleWidth(const ConsoleHandle* console);
int consoleHeight(const ConsoleHandle* console);
ConsoleErrorHandle* consoleUpdate(ConsoleHandle* console);
ConsoleErrorHandle* consoleKeyPending(ConsoleHandle* console, int* pending);
ConsoleErrorHandle* consoleReadKey(ConsoleHandle* console, ConsoleKeyHandle* key);
ConsoleErrorHandle* consoleClose(ConsoleHandle* console);
// While open: full screen on or off, and the window's title.
ConsoleErrorHandle* consoleSetFullscreen(ConsoleHandle* console, bool fullscreen);
bool consoleIsFullscreen(const ConsoleHandle* console);
void consoleSetTitle(ConsoleHandle* console, const char* title);
void consoleRelease(ConsoleHandle* console);

ConsoleErrorHandle* surfaceCreate(int width, int height, const ConsoleFormatHandle* format, ConsoleSurfaceHandle** surface);
int surfaceWidth(const ConsoleSurfaceHandle* surface);
int surfaceHeight(const ConsoleSurfaceHandle* surface);
ConsoleErrorHandle* surfaceLock(ConsoleSurfaceHandle* surface, void** pixels);
ConsoleErrorHandle* surfaceUnlock(ConsoleSurfaceHandle* surface);
ConsoleErrorHandle* surfaceCopyToConsole(const ConsoleSurfaceHandle* surface, ConsoleHandle* console);
ConsoleErrorHandle* surfaceCopyToSurface(const ConsoleSurfaceHandle* surface, ConsoleSurfaceHandle* destination);
void surfaceRelease(ConsoleSurfaceHandle* surface);

const char* errorMessage(const ConsoleErrorHandle* error);
void errorReport(const ConsoleErrorHandle* error);
void errorRelease(ConsoleErrorHandle* error);

// The application icon (width x height RGBA bytes, row-major, copied) for
// every console window: the open one now, later ones when they open.
bool consoleSetIcon(const uint8_t* rgba, int width, int height);
