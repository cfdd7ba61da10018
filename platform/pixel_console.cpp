#include "platform/pixel_console.h"

namespace {

void check(ConsoleErrorHandle* error) {
    if (error) throw ptc::DynamicError(error);
}

}  // namespace

namespace ptc {

DynamicError::DynamicError(ConsoleErrorHandle* error) : error_(error, errorRelease) {}
const char* DynamicError::what() const noexcept { return errorMessage(error_.get()); }
const char* DynamicError::message() const { return errorMessage(error_.get()); }
void DynamicError::report() const { errorReport(error_.get()); }

}  // namespace ptc

ConsoleKey::ConsoleKey(int code, bool shift, bool control, bool alt) {
    consoleLibraryStartup();
    check(keyCreate(code, shift, control, alt, &handle_));
}

ConsoleKey::ConsoleKey(const ConsoleKey& other) : ConsoleKey() { keyAssign(handle_, other.handle_); }

ConsoleKey& ConsoleKey::operator=(const ConsoleKey& other) {
    if (this != &other) keyAssign(handle_, other.handle_);
    return *this;
}

ConsoleKey::~ConsoleKey() { keyRelease(handle_); }
int ConsoleKey::code() const { return keyCode(handle_); }
bool ConsoleKey::shift() const { return keyShift(handle_); }
bool ConsoleKey::control() const { return keyControl(handle_); }
bool ConsoleKey::alt() const { return keyAlt(handle_); }

ConsoleFormat::ConsoleFormat(int bits, uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha) {
    consoleLibraryStartup();
    check(formatCreate(bits, red, green, blue, alpha, &handle_));
}

ConsoleFormat::~ConsoleFormat() { formatRelease(handle_); }

ConsoleSurface::ConsoleSurface(int width, int height, const ConsoleFormat& format) {
    consoleLibraryStartup();
    check(surfaceCreate(width, height, format.handle(), &handle_));
}

ConsoleSurface::~ConsoleSurface() { surfaceRelease(handle_); }
int ConsoleSurface::width() const { return surfaceWidth(handle_); }
int ConsoleSurface::height() const { return surfaceHeight(handle_); }

void* ConsoleSurface::lock() {
    void* pixels = nullptr;
    check(surfaceLock(handle_, &pixels));
    return pixels;
}

void ConsoleSurface::unlock() { check(surfaceUnlock(handle_)); }
void ConsoleSurface::copy(BaseSurface& destination) const { destination.receiveCopy(*this); }
void ConsoleSurface::receiveCopy(const ConsoleSurface& source) { check(surfaceCopyToSurface(source.handle_, handle_)); }

PixelConsole::PixelConsole() {
    consoleLibraryStartup();
    check(consoleCreate(&handle_));
}

PixelConsole::~PixelConsole() { consoleRelease(handle_); }
bool PixelConsole::option(const char* text) { return consoleSetOption(handle_, text) != 0; }

void PixelConsole::open(const char* title, int width, int height, const ConsoleFormat& format, int pages) {
    check(consoleOpen(handle_, title, width, height, format.handle(), pages));
}

int PixelConsole::width() const { return consoleWidth(handle_); }
int PixelConsole::height() const { return consoleHeight(handle_); }
void PixelConsole::receiveCopy(const ConsoleSurface& source) { check(surfaceCopyToConsole(source.handle(), handle_)); }
void PixelConsole::update() { check(consoleUpdate(handle_)); }

bool PixelConsole::key() {
    int pending = 0;
    check(consoleKeyPending(handle_, &pending));
    return pending != 0;
}

ConsoleKey PixelConsole::read() {
    ConsoleKey key;
    check(consoleReadKey(handle_, key.handle()));
    return key;
}

void PixelConsole::close() { check(consoleClose(handle_)); }
void PixelConsole::setFullscreen(bool fullscreen) { check(consoleSetFullscreen(handle_, fullscreen)); }
bool PixelConsole::fullscreen() const { return consoleIsFullscreen(handle_); }
void PixelConsole::setTitle(const char* title) { consoleSetTitle(handle_, title); }
