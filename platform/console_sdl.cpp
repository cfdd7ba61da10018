// The console's device over SDL2: one window, a renderer, a streaming
// texture the size of the console. Where the renderer would be OpenGL drawn by
// the processor (llvmpipe and kin) or SDL's software renderer, the picture goes
// straight into the window's own pixels instead (console_blit.h): the same picture
// for a fraction of the processor's time, paced to the display's refresh as the
// renderer's vsync paced it. Setting SDL_RENDER_DRIVER keeps the renderer asked for.
//
// Scaling to fill ("scale fit"): the software path area-filters (blitSharp); a renderer
// grows the picture by the largest whole factor into a texture of its own (nearest) and
// draws that texture scaled the rest of the way with linear filtering. Either way every
// row and column of the picture gets the same share of the screen and edges stay crisp.
//
// Full screen without a window manager (a kiosk, a bare X server): nobody honours the
// request, so the window is made the display's size and placed on it instead.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/console.h"
#include "platform/console_backend.h"
#include "platform/console_blit.h"
#include "platform/console_fit.h"
#include "platform/display_check.h"
#include "platform/x_error_guard.h"

namespace {

struct {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    Uint32 windowId = 0;
    int width = 0;
    int height = 0;
    bool hidCursor = false;
    // Presenting through the window's own pixels.
    bool framebuffer = false;
    std::vector<uint32_t> picture;   // the last copied picture
    const void* paintedPixels = nullptr;  // window pixels whose bars are black already
    int paintedWidth = 0, paintedHeight = 0;
    Uint64 nextRefresh = 0;          // performance-counter time of the next display refresh
    bool fill = false;
    bool bareServer = false;         // no window manager: full screen is a window the display's size
    int windowedWidth = 0, windowedHeight = 0;
    // Renderer path of "scale fit": the picture grown by a whole factor, then drawn linearly.
    SDL_Texture* grown = nullptr;
    int grownFactor = 0;
} sdl_state;

bool failWith(std::string* error, const char* what) {
    *error = std::string(what) + ": " + SDL_GetError();
    return false;
}

// Whether the renderer is drawn by the processor: SDL's software renderer, or
// OpenGL whose driver is a software rasteriser.
bool rendererRunsOnProcessor(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0) return false;
    if (info.flags & SDL_RENDERER_SOFTWARE) return true;
    if (std::strncmp(info.name, "opengl", 6) != 0) return false;
    using GetString = const unsigned char* (*)(unsigned int);
    const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    if (!getString) return false;
    constexpr unsigned int kGlRenderer = 0x1F01;
    const char* name = reinterpret_cast<const char*>(getString(kGlRenderer));
    if (!name) return false;
    for (const char* soft : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"})
        if (std::strstr(name, soft)) return true;
    return false;
}

// The window's pixels when they are 32-bit XRGB or ARGB, else null.
SDL_Surface* windowPixels() {
    SDL_Surface* surface = SDL_GetWindowSurface(sdl_state.window);
    if (!surface || surface->format->BytesPerPixel != 4 || surface->pitch % 4 != 0) return nullptr;
    const Uint32 format = surface->format->format;
    return format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888 ? surface : nullptr;
}

// Drops the renderer for the window's own pixels when that is cheaper and possible.
void preferFramebuffer() {
    if (SDL_getenv("SDL_RENDER_DRIVER") || !rendererRunsOnProcessor(sdl_state.renderer)) return;
    SDL_DestroyTexture(sdl_state.texture);
    SDL_DestroyRenderer(sdl_state.renderer);
    sdl_state.texture = nullptr;
    sdl_state.renderer = nullptr;
    // SDL would otherwise back the window's pixels with a renderer of its own.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    sdl_state.framebuffer = windowPixels() != nullptr;
}

// Waits for the display's next refresh, as a renderer's vsync does, so the frame loop
// turns at the display's rate. A late frame starts a new count rather than rushing.
void waitForRefresh() {
    SDL_DisplayMode mode{};
    const int rate = SDL_GetWindowDisplayMode(sdl_state.window, &mode) == 0 && mode.refresh_rate > 0
                         ? mode.refresh_rate
                         : 60;
    const Uint64 period = SDL_GetPerformanceFrequency() / static_cast<Uint64>(rate);
    Uint64 now = SDL_GetPerformanceCounter();
    if (sdl_state.nextRefresh == 0 || now > sdl_state.nextRefresh + period) sdl_state.nextRefresh = now;
    sdl_state.nextRefresh += period;
    while ((now = SDL_GetPerformanceCounter()) < sdl_state.nextRefresh) {
        const Uint64 left_ms = (sdl_state.nextRefresh - now) * 1000 / SDL_GetPerformanceFrequency();
        SDL_Delay(left_ms > 1 ? static_cast<Uint32>(left_ms - 1) : 0);
        if (left_ms <= 1) break;
    }
}

bool presentFramebuffer(std::string* error) {
    SDL_Surface* surface = windowPixels();
    if (!surface) return failWith(error, "cannot reach the window's pixels");
    auto* pixels = static_cast<uint32_t*>(surface->pixels);
    const int pitch = surface->pitch / 4;
    // The bars stay black in the window's own memory; paint them when it is new.
    if (surface->pixels != sdl_state.paintedPixels || surface->w != sdl_state.paintedWidth ||
        surface->h != sdl_state.paintedHeight) {
        fillPixels(pixels, pitch, surface->w, surface->h, kOpaque);
        sdl_state.paintedPixels = surface->pixels;
        sdl_state.paintedWidth = surface->w;
        sdl_state.paintedHeight = surface->h;
    }
    if (!sdl_state.picture.empty()) {
        const PictureRect r = fitPicture(surface->w, surface->h, sdl_state.width, sdl_state.height, !sdl_state.fill);
        if (sdl_state.fill)
            blitSharp(sdl_state.picture.data(), sdl_state.width, sdl_state.height, pixels, pitch, r);
        else
            blitFitted(sdl_state.picture.data(), sdl_state.width, sdl_state.height, pixels, pitch, r);
    }
    if (SDL_UpdateWindowSurface(sdl_state.window) != 0) return failWith(error, "cannot show the picture");
    waitForRefresh();
    return true;
}

void applyIcon(const uint8_t* rgba, int width, int height) {
    if (!sdl_state.window || !rgba) return;
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(rgba), width, height, 32, width * 4,
                                                           SDL_PIXELFORMAT_RGBA32);
    if (!icon) return;  // the icon is decoration: the show goes on without it
    SDL_SetWindowIcon(sdl_state.window, icon);
    SDL_FreeSurface(icon);
}

void closeDisplay() {
    if (sdl_state.grown) SDL_DestroyTexture(sdl_state.grown);
    if (sdl_state.texture) SDL_DestroyTexture(sdl_state.texture);
    if (sdl_state.renderer) SDL_DestroyRenderer(sdl_state.renderer);
    if (sdl_state.window) destroyGuardedWindow(sdl_state.window);
    if (sdl_state.hidCursor) SDL_ShowCursor(SDL_ENABLE);
    const bool wasOpen = sdl_state.window != nullptr;
    sdl_state.picture.clear();
    sdl_state.picture.shrink_to_fit();
    sdl_state.window = nullptr;
    sdl_state.renderer = nullptr;
    sdl_state.texture = nullptr;
    sdl_state.grown = nullptr;
    sdl_state.grownFactor = 0;
    sdl_state.bareServer = false;
    sdl_state.windowId = 0;
    sdl_state.width = sdl_state.height = 0;
    sdl_state.hidCursor = false;
    sdl_state.framebuffer = false;
    sdl_state.paintedPixels = nullptr;
    sdl_state.paintedWidth = sdl_state.paintedHeight = 0;
    sdl_state.nextRefresh = 0;
    if (wasOpen) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool openDisplay(const ConsoleDisplaySettings& settings, std::string* error) {
    // A desktop full-screen window must not minimise when focus moves away
    // (a second screen, a notification): the show would vanish mid-run.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    if (startVideoSubsystem() != 0) return failWith(error, "cannot start the video system");
    std::string why;
    if (!videoDriverIsVisible(&why)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        *error = why;
        return false;
    }
    sdl_state.bareServer = !windowManagerRuns();
    sdl_state.windowedWidth = settings.width;
    sdl_state.windowedHeight = settings.height;
    Uint32 flags = settings.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0;
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED, w = settings.width, h = settings.height;
    SDL_Rect bounds{};
    if (settings.fullscreen && sdl_state.bareServer && SDL_GetDisplayBounds(0, &bounds) == 0) {
        flags = SDL_WINDOW_BORDERLESS;
        x = bounds.x;
        y = bounds.y;
        w = bounds.w;
        h = bounds.h;
    }
    // Made for OpenGL from the start when it can be: the renderer would
    // otherwise destroy and re-create the window (a flash, a new window id).
    sdl_state.window = SDL_CreateWindow(settings.title, x, y, w, h, flags | SDL_WINDOW_OPENGL);
    if (!sdl_state.window) sdl_state.window = SDL_CreateWindow(settings.title, x, y, w, h, flags);
    if (!sdl_state.window) {
        failWith(error, "cannot create the window");
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    sdl_state.windowId = SDL_GetWindowID(sdl_state.window);
    applyIcon(settings.iconRgba, settings.iconWidth, settings.iconHeight);
    sdl_state.renderer = SDL_CreateRenderer(sdl_state.window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (!sdl_state.renderer)
        sdl_state.renderer = SDL_CreateRenderer(sdl_state.window, -1, SDL_RENDERER_SOFTWARE);
    if (!sdl_state.renderer) {
        failWith(error, "cannot create a renderer");
        closeDisplay();
        return false;
    }
    // RGB888 is 32-bit XRGB: the top byte of every pixel is never shown.
    sdl_state.texture = SDL_CreateTexture(sdl_state.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                          settings.width, settings.height);
    if (!sdl_state.texture) {
        failWith(error, "cannot create the picture texture");
        closeDisplay();
        return false;
    }
    SDL_SetTextureScaleMode(sdl_state.texture, SDL_ScaleModeNearest);
    sdl_state.width = settings.width;
    sdl_state.height = settings.height;
    sdl_state.fill = settings.fill;
    if (settings.hideCursor) {
        SDL_ShowCursor(SDL_DISABLE);
        sdl_state.hidCursor = true;
    }
    // Keys pressed before the console opened (for example in a start-up
    // dialog) are not meant for it.
    SDL_PumpEvents();
    SDL_FlushEvent(SDL_KEYDOWN);
    preferFramebuffer();
    if (sdl_state.framebuffer) {
        if (SDL_Surface* surface = windowPixels()) {
            fillPixels(static_cast<uint32_t*>(surface->pixels), surface->pitch / 4, surface->w, surface->h, kOpaque);
            SDL_UpdateWindowSurface(sdl_state.window);
        }
        return true;
    }
    if (!sdl_state.renderer) {  // the window's pixels were not usable after all
        sdl_state.renderer = SDL_CreateRenderer(sdl_state.window, -1, SDL_RENDERER_SOFTWARE);
        sdl_state.texture = sdl_state.renderer ? SDL_CreateTexture(sdl_state.renderer, SDL_PIXELFORMAT_RGB888,
                                                                   SDL_TEXTUREACCESS_STREAMING, settings.width,
                                                                   settings.height)
                                               : nullptr;
        if (!sdl_state.texture) {
            failWith(error, "cannot create a renderer");
            closeDisplay();
            return false;
        }
    }
    SDL_SetRenderDrawColor(sdl_state.renderer, 0, 0, 0, 255);
    SDL_RenderClear(sdl_state.renderer);
    SDL_RenderPresent(sdl_state.renderer);
    return true;
}

bool upload(const uint32_t* pixels, int width, int height, std::string* error) {
    if (width != sdl_state.width || height != sdl_state.height) {
        *error = "copy: the picture does not match the window's size";
        return false;
    }
    if (sdl_state.framebuffer) {
        sdl_state.picture.resize(static_cast<size_t>(width) * height);  // allocates on the first copy only
        std::memcpy(sdl_state.picture.data(), pixels, sdl_state.picture.size() * sizeof(uint32_t));
        return true;
    }
    if (SDL_UpdateTexture(sdl_state.texture, nullptr, pixels, width * 4) != 0)
        return failWith(error, "cannot copy the picture");
    return true;
}

// The texture the picture grows into by a whole factor, made when the factor changes.
SDL_Texture* grownTexture(int factor) {
    if (sdl_state.grown && sdl_state.grownFactor == factor) return sdl_state.grown;
    if (sdl_state.grown) SDL_DestroyTexture(sdl_state.grown);
    sdl_state.grown = SDL_CreateTexture(sdl_state.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_TARGET,
                                        sdl_state.width * factor, sdl_state.height * factor);
    sdl_state.grownFactor = sdl_state.grown ? factor : 0;
    if (sdl_state.grown) SDL_SetTextureScaleMode(sdl_state.grown, SDL_ScaleModeLinear);
    return sdl_state.grown;
}

bool present(std::string* error) {
    if (sdl_state.framebuffer) return presentFramebuffer(error);
    int outputWidth = 0, outputHeight = 0;
    if (SDL_GetRendererOutputSize(sdl_state.renderer, &outputWidth, &outputHeight) != 0)
        return failWith(error, "cannot read the window's size");
    const PictureRect r = fitPicture(outputWidth, outputHeight, sdl_state.width, sdl_state.height, !sdl_state.fill);
    const SDL_Rect target{r.x, r.y, r.width, r.height};
    SDL_Texture* shown = sdl_state.texture;
    const bool whole = r.width % sdl_state.width == 0 && r.height % sdl_state.height == 0;
    if (sdl_state.fill && !whole && r.width > sdl_state.width && r.height > sdl_state.height &&
        SDL_RenderTargetSupported(sdl_state.renderer)) {
        const int factor = std::max(1, std::min(r.width / sdl_state.width, r.height / sdl_state.height));
        SDL_Texture* grown = grownTexture(factor);
        if (grown && SDL_SetRenderTarget(sdl_state.renderer, grown) == 0) {
            const bool ok = SDL_RenderCopy(sdl_state.renderer, sdl_state.texture, nullptr, nullptr) == 0;
            SDL_SetRenderTarget(sdl_state.renderer, nullptr);
            if (!ok) return failWith(error, "cannot draw the picture");
            shown = grown;
        }
    }
    SDL_SetRenderDrawColor(sdl_state.renderer, 0, 0, 0, 255);
    if (SDL_RenderClear(sdl_state.renderer) != 0 || SDL_RenderCopy(sdl_state.renderer, shown, nullptr, &target) != 0)
        return failWith(error, "cannot draw the picture");
    SDL_RenderPresent(sdl_state.renderer);
    return true;
}

void pollEvents(ConsoleKeySink sink) {
    bool closeDelivered = false;  // a close comes as a window event and a quit: one Escape
    const auto requestClose = [&] {
        if (!closeDelivered) sink(kConsoleEscapeCode, false, false, false);
        closeDelivered = true;
    };
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
            case SDL_KEYDOWN:
                // Window id 0: no window has keyboard focus (a bare X server
                // without a window manager); ours is the only window then.
                if (event.key.windowID == sdl_state.windowId || event.key.windowID == 0) {
                    const Uint16 mod = event.key.keysym.mod;
                    sink(static_cast<int>(event.key.keysym.sym), (mod & KMOD_SHIFT) != 0, (mod & KMOD_CTRL) != 0,
                         (mod & KMOD_ALT) != 0);
                }
                break;
            case SDL_WINDOWEVENT:
                if (event.window.windowID == sdl_state.windowId && event.window.event == SDL_WINDOWEVENT_CLOSE)
                    requestClose();
                break;
            case SDL_QUIT:
                requestClose();
                break;
            default:
                break;
        }
    }
}

void showMessage(const char* title, const char* message) {
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, message, sdl_state.window);
}

bool setFullscreen(bool fullscreen, std::string* error) {
    if (!sdl_state.window) return false;
    if (sdl_state.bareServer) {
        SDL_Rect bounds{};
        const int display = std::max(0, SDL_GetWindowDisplayIndex(sdl_state.window));
        if (SDL_GetDisplayBounds(display, &bounds) != 0) return failWith(error, "cannot read the display's size");
        SDL_SetWindowBordered(sdl_state.window, fullscreen ? SDL_FALSE : SDL_TRUE);
        if (fullscreen) {
            SDL_SetWindowSize(sdl_state.window, bounds.w, bounds.h);
            SDL_SetWindowPosition(sdl_state.window, bounds.x, bounds.y);
        } else {
            SDL_SetWindowSize(sdl_state.window, sdl_state.windowedWidth, sdl_state.windowedHeight);
            SDL_SetWindowPosition(sdl_state.window, SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                                  SDL_WINDOWPOS_CENTERED_DISPLAY(display));
        }
        return true;
    }
    if (SDL_SetWindowFullscreen(sdl_state.window, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0)
        return failWith(error, "cannot change full screen");
    return true;
}

void setTitle(const char* title) {
    if (!sdl_state.window) return;
    SDL_SetWindowTitle(sdl_state.window, title);
    // SDL sets _NET_WM_NAME as UTF-8 but WM_NAME as a Latin-1 STRING holding the same
    // bytes, so anything past ASCII reads garbled there. Xlib writes it properly:
    // Latin-1 where the title fits, compound text where it does not.
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(sdl_state.window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return;
    char* list[] = {const_cast<char*>(title)};
    XTextProperty property{};
    if (Xutf8TextListToTextProperty(info.info.x11.display, list, 1, XStdICCTextStyle, &property) != Success) return;
    XSetWMName(info.info.x11.display, info.info.x11.window, &property);
    XFree(property.value);
    XFlush(info.info.x11.display);
}

const ConsoleBackend sdl_backend = {"sdl", openDisplay, upload, present, pollEvents, closeDisplay, applyIcon,
                                    showMessage, nullptr, setFullscreen, setTitle};

}  // namespace

const ConsoleBackend* sdlConsoleBackend() { return &sdl_backend; }
