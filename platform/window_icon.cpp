#include "platform/window_icon.h"

#include <SDL.h>

#include "platform/app_icon.h"

bool setAppIcon(SDL_Window* window) {
    if (!window) return false;
    static uint32_t pixels[kAppIconSize * kAppIconSize];
    if (!appIconPixels(pixels)) return false;
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(pixels, kAppIconSize, kAppIconSize, 32,
                                                           kAppIconSize * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!icon) return false;
    SDL_SetWindowIcon(window, icon);  // SDL copies the pixels
    SDL_FreeSurface(icon);
    return true;
}
