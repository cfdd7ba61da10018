// Sends a message to a window that is already gone, over a second X
// connection, the way SDL wakes its own event wait, and reports whether the
// error that comes back ended the process.
//
//   stale_window_errors guarded     # windows destroyed through the guard
//   stale_window_errors unguarded   # a window destroyed behind the guard's back
//
// "guarded" prints "running: survived" (the error arrives while SDL's video
// runs, so through SDL's own handler) and "stopped: survived" (after SDL's
// video has quit), then exits 0. "unguarded" must be ended by Xlib's
// default handler (status 1) before it prints "unguarded: survived".
// Status 2: no X11 display to test with.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>

#include "platform/display_check.h"
#include "platform/x_error_guard.h"

namespace {

struct SdlX11Window {
    SDL_Window* window = nullptr;
    Display* display = nullptr;
    Window xid = 0;
};

SdlX11Window openWindow() {
    SdlX11Window w;
    w.window = SDL_CreateWindow("stale", 0, 0, 64, 48, SDL_WINDOW_HIDDEN);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (w.window && SDL_GetWindowWMInfo(w.window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11) {
        w.display = info.info.x11.display;
        w.xid = info.info.x11.window;
    }
    return w;
}

// A client message to the window, checked at once: XSync reads the error.
void poke(Display* other, Window xid) {
    XEvent e;
    std::memset(&e, 0, sizeof e);
    e.xclient.type = ClientMessage;
    e.xclient.window = xid;
    e.xclient.message_type = XInternAtom(other, "ZIV_STALE_CHECK", False);
    e.xclient.format = 8;
    XSendEvent(other, xid, False, NoEventMask, &e);
    XSync(other, False);
}

}  // namespace

int main(int argc, char** argv) {
    const bool guarded = argc == 2 && std::strcmp(argv[1], "guarded") == 0;
    if (argc != 2 || (!guarded && std::strcmp(argv[1], "unguarded") != 0)) {
        std::fprintf(stderr, "usage: stale_window_errors guarded|unguarded\n");
        return 2;
    }
    if (startVideoSubsystem() != 0 || std::strcmp(SDL_GetCurrentVideoDriver(), "x11") != 0) {
        std::fprintf(stderr, "stale_window_errors: no X11 display\n");
        return 2;
    }
    Display* other = XOpenDisplay(nullptr);
    SdlX11Window w = openWindow();
    if (!other || !w.xid) {
        std::fprintf(stderr, "stale_window_errors: no window: %s\n", SDL_GetError());
        return 2;
    }

    if (!guarded) {
        // Gone before the guard could hear of it: the error stays fatal.
        XDestroyWindow(w.display, w.xid);
        XSync(w.display, False);
        poke(other, w.xid);
        std::printf("unguarded: survived\n");
        return 0;
    }

    destroyGuardedWindow(w.window);
    XSync(w.display, False);  // the server has destroyed it before the message comes
    poke(other, w.xid);
    std::printf("running: survived\n");
    std::fflush(stdout);

    const SdlX11Window second = openWindow();
    if (!second.xid) return 2;
    destroyGuardedWindow(second.window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    poke(other, second.xid);
    std::printf("stopped: survived\n");
    XCloseDisplay(other);
    return 0;
}
