#include "platform/console.h"
#include "platform/console_backend.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

struct ConsoleErrorHandle {
    std::string message;
};

struct ConsoleKeyHandle {
    int code = 0;
    bool shift = false;
    bool control = false;
    bool alt = false;
};

struct ConsoleFormatHandle {
    int bits = 32;
};

struct ConsoleSurfaceHandle {
    int width = 0;
    int height = 0;
    bool locked = false;
    std::vector<uint32_t> pixels;
};

struct ConsoleHandle {
    bool fullscreen = false;
    bool hideCursor = false;
    bool fill = true;   // "scale fit": the sharp fill is the default
    bool open = false;
    int width = 0;
    int height = 0;
    // Presses in arrival order; a full queue drops later presses, except
    // that an Escape always gets in (it takes the last place), so a close
    // request is never lost.
    ConsoleKeyHandle keys[kConsoleKeyQueueSize];
    int first = 0;
    int count = 0;
};

namespace {

struct {
    const ConsoleBackend* backend = nullptr;
    ConsoleHandle* openConsole = nullptr;
    std::vector<uint8_t> icon;
    int iconWidth = 0;
    int iconHeight = 0;
    char title[256] = "";
} console_state;

const ConsoleBackend& backend() {
    if (!console_state.backend) console_state.backend = sdlConsoleBackend();
    return *console_state.backend;
}

void trace(const char* operation) {
    if (backend().trace) backend().trace(operation);
}

// Out of memory for an error itself: this one still tells the caller, and
// releasing it does nothing.
ConsoleErrorHandle out_of_memory{"out of memory"};

ConsoleErrorHandle* fail(std::string message) {
    auto* error = new (std::nothrow) ConsoleErrorHandle;
    if (!error) return &out_of_memory;
    error->message = std::move(message);
    return error;
}

void pushKey(int code, bool shift, bool control, bool alt) {
    ConsoleHandle* c = console_state.openConsole;
    if (!c) return;
    int slot;
    if (c->count < kConsoleKeyQueueSize) {
        slot = (c->first + c->count) % kConsoleKeyQueueSize;
        ++c->count;
    } else if (code == kConsoleEscapeCode) {
        slot = (c->first + kConsoleKeyQueueSize - 1) % kConsoleKeyQueueSize;
    } else {
        return;
    }
    c->keys[slot] = ConsoleKeyHandle{code, shift, control, alt};
}

void pollKeys(ConsoleHandle* console) {
    if (console->open && console_state.openConsole == console) backend().pollEvents(pushKey);
}

bool sizeIsValid(int width, int height) {
    return width > 0 && height > 0 && width <= kConsoleMaxSide && height <= kConsoleMaxSide;
}

std::string sizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

}  // namespace

int consoleLibraryStartup() {
    trace("startup");
    return 1;
}

ConsoleErrorHandle* keyCreate(int code, bool shift, bool control, bool alt, ConsoleKeyHandle** key) {
    trace("createKey");
    *key = new (std::nothrow) ConsoleKeyHandle{code, shift, control, alt};
    return *key ? nullptr : fail("out of memory for a key");
}

void keyAssign(ConsoleKeyHandle* to, const ConsoleKeyHandle* from) {
    trace("assignKey");
    *to = *from;
}

int keyCode(const ConsoleKeyHandle* key) { return key->code; }
bool keyShift(const ConsoleKeyHandle* key) { return key->shift; }
bool keyControl(const ConsoleKeyHandle* key) { return key->control; }
bool keyAlt(const ConsoleKeyHandle* key) { return key->alt; }

void keyRelease(ConsoleKeyHandle* key) {
    // Also runs from exit handlers after tests swapped backends: no trace.
    delete key;
}

ConsoleErrorHandle* formatCreate(int bits, uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha,
                                 ConsoleFormatHandle** format) {
    trace("createFormat");
    *format = nullptr;
    if (bits != 32 || red != 0xFF0000u || green != 0xFF00u || blue != 0xFFu || alpha != 0)
        return fail("unsupported pixel format (only 32-bit 0x00RRGGBB)");
    *format = new (std::nothrow) ConsoleFormatHandle{bits};
    return *format ? nullptr : fail("out of memory for a format");
}

void formatRelease(ConsoleFormatHandle* format) {
    trace("releaseFormat");
    delete format;
}

ConsoleErrorHandle* consoleCreate(ConsoleHandle** console) {
    trace("createConsole");
    *console = new (std::nothrow) ConsoleHandle;
    return *console ? nullptr : fail("out of memory for a console");
}

int consoleSetOption(ConsoleHandle* console, const char* option) {
    trace("option");
    if (!option) return 0;
    if (std::strcmp(option, "fullscreen output") == 0) {
        console->fullscreen = true;
    } else if (std::strcmp(option, "windowed output") == 0) {
        console->fullscreen = false;
    } else if (std::strcmp(option, "hide cursor") == 0) {
        console->hideCursor = true;
    } else if (std::strcmp(option, "show cursor") == 0) {
        console->hideCursor = false;
    } else if (std::strcmp(option, "scale fit") == 0) {
        console->fill = true;
    } else if (std::strcmp(option, "scale integer") == 0) {
        console->fill = false;
    } else {
        return 0;
    }
    return 1;
}

ConsoleErrorHandle* consoleOpen(ConsoleHandle* console, const char* title, int width, int height,
                                const ConsoleFormatHandle* format, int /*pages*/) {
    trace("open");
    // Kept first, so that any error from here on is reported under this name.
    std::snprintf(console_state.title, sizeof console_state.title, "%s", title ? title : "");
    // A title cut to fit must not end inside a character: the window manager would drop it as invalid UTF-8.
    size_t end = std::strlen(console_state.title);
    if (title && end < std::strlen(title)) {
        while (end > 0 && (static_cast<unsigned char>(console_state.title[end - 1]) & 0xC0) == 0x80) --end;
        if (end > 0 && static_cast<unsigned char>(console_state.title[end - 1]) >= 0xC0) console_state.title[end - 1] = '\0';
    }
    if (console->open) return fail("the console is already open");
    if (console_state.openConsole) return fail("another console is already open");
    if (!format) return fail("no pixel format given");
    if (!sizeIsValid(width, height)) return fail("cannot open a console of " + sizeText(width, height));
    const ConsoleDisplaySettings settings{console_state.title, width, height, console->fullscreen,
                                          console->hideCursor,
                                          console_state.icon.empty() ? nullptr : console_state.icon.data(),
                                          console_state.iconWidth, console_state.iconHeight, console->fill};
    std::string why;
    if (!backend().open(settings, &why)) return fail(why);
    console->open = true;
    console->width = width;
    console->height = height;
    console->first = 0;
    console->count = 0;
    console_state.openConsole = console;
    return nullptr;
}

int consoleWidth(const ConsoleHandle* console) { return console->width; }
int consoleHeight(const ConsoleHandle* console) { return console->height; }

ConsoleErrorHandle* consoleUpdate(ConsoleHandle* console) {
    trace("update");
    if (!console->open) return fail("update: the console is not open");
    std::string why;
    if (!backend().present(&why)) return fail(why);
    return nullptr;
}

ConsoleErrorHandle* consoleKeyPending(ConsoleHandle* console, int* pending) {
    trace("keyPending");
    *pending = 0;
    if (!console->open) return fail("key pending: the console is not open");
    pollKeys(console);
    *pending = console->count > 0 ? 1 : 0;
    return nullptr;
}

ConsoleErrorHandle* consoleReadKey(ConsoleHandle* console, ConsoleKeyHandle* key) {
    trace("readKey");
    if (!console->open) return fail("read key: the console is not open");
    if (console->count == 0) pollKeys(console);
    if (console->count == 0) return fail("read key: no key press is waiting");
    *key = console->keys[console->first];
    console->first = (console->first + 1) % kConsoleKeyQueueSize;
    --console->count;
    return nullptr;
}

ConsoleErrorHandle* consoleClose(ConsoleHandle* console) {
    trace("close");
    if (console->open && console_state.openConsole == console) {
        backend().close();
        console_state.openConsole = nullptr;
    }
    console->open = false;
    console->count = 0;
    return nullptr;
}

ConsoleErrorHandle* consoleSetFullscreen(ConsoleHandle* console, bool fullscreen) {
    trace("fullscreen");
    if (!console->open) return fail("full screen: the console is not open");
    if (!backend().setFullscreen) return fail("full screen: this display has one size");
    std::string why;
    if (!backend().setFullscreen(fullscreen, &why)) return fail(why);
    console->fullscreen = fullscreen;
    return nullptr;
}

bool consoleIsFullscreen(const ConsoleHandle* console) { return console->fullscreen; }

void consoleSetTitle(ConsoleHandle* console, const char* title) {
    trace("title");
    std::snprintf(console_state.title, sizeof console_state.title, "%s", title ? title : "");
    // A title cut to fit must not end inside a character: the window manager would drop it as invalid UTF-8.
    size_t end = std::strlen(console_state.title);
    if (title && end < std::strlen(title)) {
        while (end > 0 && (static_cast<unsigned char>(console_state.title[end - 1]) & 0xC0) == 0x80) --end;
        if (end > 0 && static_cast<unsigned char>(console_state.title[end - 1]) >= 0xC0) console_state.title[end - 1] = '\0';
    }
    if (console->open && backend().setTitle) backend().setTitle(console_state.title);
}

void consoleRelease(ConsoleHandle* console) {
    trace("releaseConsole");
    if (!console) return;
    if (console->open && console_state.openConsole == console) {
        backend().close();
        console_state.openConsole = nullptr;
    }
    delete console;
}

ConsoleErrorHandle* surfaceCreate(int width, int height, const ConsoleFormatHandle* format,
                                  ConsoleSurfaceHandle** surface) {
    trace("createSurface");
    *surface = nullptr;
    if (!format) return fail("no pixel format given");
    if (!sizeIsValid(width, height)) return fail("cannot create a surface of " + sizeText(width, height));
    auto* s = new (std::nothrow) ConsoleSurfaceHandle;
    if (!s) return fail("out of memory for a surface");
    try {
        s->pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
    } catch (const std::bad_alloc&) {
        delete s;
        return fail("out of memory for a surface of " + sizeText(width, height));
    }
    s->width = width;
    s->height = height;
    *surface = s;
    return nullptr;
}

int surfaceWidth(const ConsoleSurfaceHandle* surface) { return surface->width; }
int surfaceHeight(const ConsoleSurfaceHandle* surface) { return surface->height; }

ConsoleErrorHandle* surfaceLock(ConsoleSurfaceHandle* surface, void** pixels) {
    trace("lock");
    *pixels = nullptr;
    if (surface->locked) return fail("lock: the surface is already locked");
    surface->locked = true;
    *pixels = surface->pixels.data();
    return nullptr;
}

ConsoleErrorHandle* surfaceUnlock(ConsoleSurfaceHandle* surface) {
    trace("unlock");
    if (!surface->locked) return fail("unlock: the surface is not locked");
    surface->locked = false;
    return nullptr;
}

ConsoleErrorHandle* surfaceCopyToConsole(const ConsoleSurfaceHandle* surface, ConsoleHandle* console) {
    trace("copy");
    if (surface->locked) return fail("copy: the surface is still locked");
    if (!console->open) return fail("copy: the console is not open");
    if (surface->width != console->width || surface->height != console->height)
        return fail("copy: a " + sizeText(surface->width, surface->height) + " surface does not fit a " +
                    sizeText(console->width, console->height) + " console");
    std::string why;
    if (!backend().upload(surface->pixels.data(), surface->width, surface->height, &why)) return fail(why);
    return nullptr;
}

ConsoleErrorHandle* surfaceCopyToSurface(const ConsoleSurfaceHandle* surface, ConsoleSurfaceHandle* destination) {
    trace("copy");
    if (surface->locked || destination->locked) return fail("copy: a surface is still locked");
    if (surface->width != destination->width || surface->height != destination->height)
        return fail("copy: a " + sizeText(surface->width, surface->height) + " surface does not fit a " +
                    sizeText(destination->width, destination->height) + " surface");
    if (surface != destination) destination->pixels = surface->pixels;
    return nullptr;
}

void surfaceRelease(ConsoleSurfaceHandle* surface) {
    trace("releaseSurface");
    delete surface;
}

const char* errorMessage(const ConsoleErrorHandle* error) { return error->message.c_str(); }

bool reportShowsMessageBox() {
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const bool displayExists = (display && *display) || (wayland && *wayland);
    return displayExists && !isatty(STDERR_FILENO) && !std::getenv("CI");
}

void errorReport(const ConsoleErrorHandle* error) {
    trace("report");
    const char* name = console_state.title[0] ? console_state.title : "console";
    std::fprintf(stderr, "%s: %s\n", name, error->message.c_str());
    std::fflush(stderr);
    if (reportShowsMessageBox()) backend().showMessage(name, error->message.c_str());
}

void errorRelease(ConsoleErrorHandle* error) {
    trace("releaseError");
    if (error != &out_of_memory) delete error;
}

bool consoleSetIcon(const uint8_t* rgba, int width, int height) {
    trace("setIcon");
    if (!rgba || width <= 0 || height <= 0 || width > 1024 || height > 1024) return false;
    console_state.icon.assign(rgba, rgba + static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    console_state.iconWidth = width;
    console_state.iconHeight = height;
    if (console_state.openConsole) backend().setIcon(console_state.icon.data(), width, height);
    return true;
}

void useConsoleBackend(const ConsoleBackend* b) {
    if (console_state.openConsole) return;
    console_state.backend = b ? b : sdlConsoleBackend();
}
