#include "platform/x_error_guard.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <mutex>

namespace {

using XErrorHandlerFn = int (*)(Display*, XErrorEvent*);

// A few recent windows are enough: the errors come within moments of the
// destruction, and the show opens two windows in its whole run.
constexpr std::size_t kRememberedWindows = 32;

struct {
    std::once_flag installed;
    XErrorHandlerFn previous = nullptr;
    std::array<std::atomic<unsigned long>, kRememberedWindows> destroyed{};
    std::atomic<std::size_t> next{0};
} guard_state;

bool wasDestroyed(unsigned long xid) {
    if (xid == 0) return false;
    for (const auto& id : guard_state.destroyed)
        if (id.load(std::memory_order_acquire) == xid) return true;
    return false;
}

int onXError(Display* display, XErrorEvent* error) {
    if (error->error_code == BadWindow && wasDestroyed(error->resourceid)) return 0;
    return guard_state.previous ? guard_state.previous(display, error) : 0;
}

}  // namespace

void installXErrorGuard() {
    std::call_once(guard_state.installed, [] { guard_state.previous = XSetErrorHandler(onXError); });
}

void rememberDestroyedXWindow(unsigned long xid) {
    if (xid == 0) return;
    const std::size_t slot = guard_state.next.fetch_add(1, std::memory_order_relaxed) % kRememberedWindows;
    guard_state.destroyed[slot].store(xid, std::memory_order_release);
}

void destroyGuardedWindow(SDL_Window* window) {
    if (!window) return;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11)
        rememberDestroyedXWindow(info.info.x11.window);
    SDL_DestroyWindow(window);
}
