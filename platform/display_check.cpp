#include "platform/display_check.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

bool videoDriverIsVisible(std::string* why) {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver) {
        if (why) *why = "no video driver is running";
        return false;
    }
    const bool invisible = std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
    if (!invisible) return true;
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if (asked && SDL_strcasecmp(asked, driver) == 0) return true;
    if (why) *why = "no display found (DISPLAY and WAYLAND_DISPLAY are not set or not reachable)";
    return false;
}
