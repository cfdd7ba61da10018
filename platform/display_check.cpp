#include "platform/display_check.h"

#include <SDL.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <cstring>

#include "platform/x_error_guard.h"

namespace {

// An X server whose last client leaves resets itself, and refuses connections while it
// does. On a server started for the show alone, the dialog's window closing would leave
// none, and the show's own window would then find "no display". So the process keeps
// one connection of its own for as long as it runs; the exit closes it.
void holdXServer() {
    static Display* held = nullptr;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (held || !driver || std::strcmp(driver, "x11") != 0) return;
    held = XOpenDisplay(nullptr);
}

}  // namespace

int startVideoSubsystem() {
    // Without a runtime folder no Wayland compositor can be reached, and
    // trying anyway prints a stray line of its own on stderr; the other
    // drivers are tried in SDL's order. A driver anyone asked for wins.
    const char* runtimeDir = SDL_getenv("XDG_RUNTIME_DIR");
    const bool skipWayland = (!runtimeDir || !*runtimeDir) && !SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (skipWayland) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,kmsdrm,offscreen,dummy");
    // Before SDL's X11 driver starts, so that its handler chains to the guard.
    installXErrorGuard();
    const int started = SDL_InitSubSystem(SDL_INIT_VIDEO);
    if (skipWayland) SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    if (started == 0) holdXServer();
    return started;
}

bool videoDriverShowsNothing() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return !driver || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
}

bool videoDriverIsVisible(std::string* why) {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver) {
        if (why) *why = "no video driver is running";
        return false;
    }
    if (!videoDriverShowsNothing()) return true;
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if (asked && SDL_strcasecmp(asked, driver) == 0) return true;
    if (why) *why = "no display found (DISPLAY and WAYLAND_DISPLAY are not set or not reachable)";
    return false;
}

bool windowManagerRuns() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0) return true;  // others place windows themselves
    Display* display = XOpenDisplay(nullptr);
    if (!display) return true;
    // Every X window manager, and only one, selects redirection of the root's children.
    XWindowAttributes root{};
    const bool managed = XGetWindowAttributes(display, DefaultRootWindow(display), &root) != 0 &&
                         (root.all_event_masks & SubstructureRedirectMask) != 0;
    XCloseDisplay(display);
    return managed;
}
