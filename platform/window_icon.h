// The program's icon (platform/app_icon.h) on an SDL window.
//
//   setAppIcon(window);   // false if there is no window or SDL refused the icon
#pragma once

struct SDL_Window;

bool setAppIcon(SDL_Window* window);
