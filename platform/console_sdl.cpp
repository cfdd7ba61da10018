// The console's device over SDL2: one window, a renderer, a streaming
// texture the size of the console.
#include <SDL.h>

#include "platform/console.h"
#include "platform/console_backend.h"
#include "platform/console_fit.h"
#include "platform/display_check.h"

namespace {

struct {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    Uint32 windowId = 0;
    int width = 0;
    int height = 0;
    bool hidCursor = false;
} sdl_state;

bool failWith(std::string* error, const char* what) {
    *error = std::string(what) + ": " + SDL_GetError();
    return false;
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
    if (sdl_state.texture) SDL_DestroyTexture(sdl_state.texture);
    if (sdl_state.renderer) SDL_DestroyRenderer(sdl_state.renderer);
    if (sdl_state.window) SDL_DestroyWindow(sdl_state.window);
    if (sdl_state.hidCursor) SDL_ShowCursor(SDL_ENABLE);
    const bool wasOpen = sdl_state.window != nullptr;
    sdl_state = {};
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
    const Uint32 flags = settings.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0;
    // Made for OpenGL from the start when it can be: the renderer would
    // otherwise destroy and re-create the window (a flash, a new window id).
    sdl_state.window = SDL_CreateWindow(settings.title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                        settings.width, settings.height, flags | SDL_WINDOW_OPENGL);
    if (!sdl_state.window)
        sdl_state.window = SDL_CreateWindow(settings.title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                            settings.width, settings.height, flags);
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
    if (settings.hideCursor) {
        SDL_ShowCursor(SDL_DISABLE);
        sdl_state.hidCursor = true;
    }
    // Keys pressed before the console opened (for example in a start-up
    // dialog) are not meant for it.
    SDL_PumpEvents();
    SDL_FlushEvent(SDL_KEYDOWN);
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
    if (SDL_UpdateTexture(sdl_state.texture, nullptr, pixels, width * 4) != 0)
        return failWith(error, "cannot copy the picture");
    return true;
}

bool present(std::string* error) {
    int outputWidth = 0, outputHeight = 0;
    if (SDL_GetRendererOutputSize(sdl_state.renderer, &outputWidth, &outputHeight) != 0)
        return failWith(error, "cannot read the window's size");
    const PictureRect r = fitPicture(outputWidth, outputHeight, sdl_state.width, sdl_state.height);
    const SDL_Rect target{r.x, r.y, r.width, r.height};
    SDL_SetRenderDrawColor(sdl_state.renderer, 0, 0, 0, 255);
    if (SDL_RenderClear(sdl_state.renderer) != 0 || SDL_RenderCopy(sdl_state.renderer, sdl_state.texture, nullptr, &target) != 0)
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

const ConsoleBackend sdl_backend = {"sdl", openDisplay, upload, present, pollEvents, closeDisplay, applyIcon,
                                    showMessage, nullptr};

}  // namespace

const ConsoleBackend* sdlConsoleBackend() { return &sdl_backend; }
