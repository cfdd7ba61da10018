// The pixel console's seam to a device: one table of functions behind the
// calls of platform/console.h. The SDL backend is the default; tests put in
// doubles (tests/doubles/console_memory.h, console_recorder.h).
//
//   useConsoleBackend(&myBackend);   // only while no console is open
//   ... consoleOpen(...) now opens myBackend's display ...
//   useConsoleBackend(nullptr);      // the SDL backend again
#pragma once
#include <cstdint>
#include <string>

// The seam to the device. Keys go to the sink in arrival order; a request
// to close the display arrives as one Escape press.
using ConsoleKeySink = void (*)(int code, bool shift, bool control, bool alt);

struct ConsoleDisplaySettings {
    const char* title;
    int width;
    int height;
    bool fullscreen;
    bool hideCursor;
    const uint8_t* iconRgba;  // null: no icon
    int iconWidth;
    int iconHeight;
    bool fill;                // true (the default): the largest 4:3 area, sharply; false: whole factors where they fit twice
};

struct ConsoleBackend {
    const char* name;
    bool (*open)(const ConsoleDisplaySettings& settings, std::string* error);
    bool (*upload)(const uint32_t* pixels, int width, int height, std::string* error);
    bool (*present)(std::string* error);
    void (*pollEvents)(ConsoleKeySink sink);
    void (*close)();
    void (*setIcon)(const uint8_t* rgba, int width, int height);
    void (*showMessage)(const char* title, const char* message);
    void (*trace)(const char* operation);  // may be null: hears every library call, for recorders
    bool (*setFullscreen)(bool fullscreen, std::string* error);   // may be null: the device has one size
    void (*setTitle)(const char* title);                           // may be null
};

const ConsoleBackend* sdlConsoleBackend();
// nullptr restores sdlConsoleBackend(). Only while no console is open.
void useConsoleBackend(const ConsoleBackend* backend);

// Whether a report should also show a message box: a display exists,
// stderr is not a terminal and CI is unset (launched from a desktop).
bool reportShowsMessageBox();
