// The console library as classes: each object owns one handle, forwards
// every call, and raises ptc::DynamicError when the library reports one.
//
//   PixelConsole console;
//   ConsoleFormat format(32, 0xFF0000, 0xFF00, 0xFF, 0);
//   console.option("windowed output");
//   console.open("ziv", 640, 480, format, 0);
//   ConsoleSurface surface(console.width(), console.height(), format);
//   uint32_t* p = static_cast<uint32_t*>(surface.lock()); ... surface.unlock();
//   surface.copy(console); console.update();
//   while (console.key()) key = console.read();
//   catch (ptc::DynamicError error) { error.report(); }
//
// Every creation first calls consoleLibraryStartup() and ignores its result.
#pragma once
#include <cstdint>
#include <exception>
#include <memory>

#include "platform/console.h"

namespace ptc {

class DynamicError : public std::exception {
public:
    explicit DynamicError(ConsoleErrorHandle* error);  // takes ownership; copies share it
    const char* what() const noexcept override;
    const char* message() const;
    void report() const;
private:
    std::shared_ptr<ConsoleErrorHandle> error_;
};

}  // namespace ptc

class ConsoleKey {
public:
    explicit ConsoleKey(int code = 0, bool shift = false, bool control = false, bool alt = false);
    ConsoleKey(const ConsoleKey& other);
    ConsoleKey& operator=(const ConsoleKey& other);
    ~ConsoleKey();
    int code() const;
    bool shift() const;
    bool control() const;
    bool alt() const;
    ConsoleKeyHandle* handle() const { return handle_; }
private:
    ConsoleKeyHandle* handle_ = nullptr;
};

class ConsoleFormat {
public:
    ConsoleFormat(int bits, uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha);
    ConsoleFormat(const ConsoleFormat&) = delete;
    ConsoleFormat& operator=(const ConsoleFormat&) = delete;
    ~ConsoleFormat();
    const ConsoleFormatHandle* handle() const { return handle_; }
private:
    ConsoleFormatHandle* handle_ = nullptr;
};

class ConsoleSurface;

// What console and surface share: a size, and taking a surface's pixels.
class BaseSurface {
public:
    virtual ~BaseSurface() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual void receiveCopy(const ConsoleSurface& source) = 0;
};

class ConsoleSurface : public BaseSurface {
public:
    ConsoleSurface(int width, int height, const ConsoleFormat& format);
    ConsoleSurface(const ConsoleSurface&) = delete;
    ConsoleSurface& operator=(const ConsoleSurface&) = delete;
    ~ConsoleSurface() override;
    int width() const override;
    int height() const override;
    void* lock();
    void unlock();
    void copy(BaseSurface& destination) const;
    void receiveCopy(const ConsoleSurface& source) override;
    const ConsoleSurfaceHandle* handle() const { return handle_; }
private:
    ConsoleSurfaceHandle* handle_ = nullptr;
};

class PixelConsole : public BaseSurface {
public:
    PixelConsole();
    PixelConsole(const PixelConsole&) = delete;
    PixelConsole& operator=(const PixelConsole&) = delete;
    ~PixelConsole() override;
    bool option(const char* text);
    void open(const char* title, int width, int height, const ConsoleFormat& format, int pages);
    int width() const override;
    int height() const override;
    void receiveCopy(const ConsoleSurface& source) override;
    void update();
    bool key();
    ConsoleKey read();
    void close();
    void setFullscreen(bool fullscreen);
    bool fullscreen() const;
    void setTitle(const char* title);
private:
    ConsoleHandle* handle_ = nullptr;
};
