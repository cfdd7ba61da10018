// The show's run-control constants: the console it opens (as large as the
// show's surface, kSurfaceWidth x kSurfaceHeight), the keys it knows, how long
// it runs, the statuses it ends with.
#pragma once
#include <cstdint>

inline constexpr const char* kConsoleTitle = "ziv";
inline constexpr int kConsoleBits = 32;
inline constexpr uint32_t kRedMask = 0xFF0000u;
inline constexpr uint32_t kGreenMask = 0xFF00u;
inline constexpr uint32_t kBlueMask = 0xFFu;
inline constexpr uint32_t kAlphaMask = 0u;
inline constexpr int kConsolePages = 0;

inline constexpr const char* kFullscreenOption = "fullscreen output";
inline constexpr const char* kWindowedOption = "windowed output";
inline constexpr const char* kHideCursorOption = "hide cursor";


inline constexpr int kStatusShowEnded = 0;
inline constexpr int kStatusNotStarted = 1;     // dialog cancelled or audio could not start
inline constexpr int kStatusConsoleFailed = 1;  // the display could not be used: reported, never a success
