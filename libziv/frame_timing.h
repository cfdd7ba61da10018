// Where frame n of an offline render stands: its clock and its heard position
// at a whole number of frames per second, both truncated toward zero. Every
// offline host (ziv-render, libziv's ziv_set_frame) takes them from here, so
// their frames agree.
//
//   int32_t ms = frameElapsedMs(n, fps);          // n x 1000 / fps
//   int64_t heard = frameTrackPosition(n, fps);   // n x 44100 / fps
#pragma once
#include <cstdint>

#include "audio/audio_constants.h"

// Frames per second of an offline render when nobody says otherwise.
inline constexpr int kDefaultFps = 60;

inline int32_t frameElapsedMs(int64_t frame, int fps) { return static_cast<int32_t>(frame * 1000 / fps); }
inline int64_t frameTrackPosition(int64_t frame, int fps) { return frame * kMixRate / fps; }
