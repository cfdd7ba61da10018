// Constants of the offline renderer. What it shares with the show (the
// surface, the mixing rate, the show's length, its track, the spectrum's
// shape) comes from the headers of the layers that own it.
//
//   std::vector<uint32_t> surface(kSurfacePixels, 0);
#pragma once
#include <cstdint>

#include "audio/audio_constants.h"
#include "audio/music.h"
#include "output/output_constants.h"
#include "output/show_frame.h"
#include "scenes/spectrum.h"

inline constexpr int kMaxFps = 1000;
// --frames and --seconds stay far below overflow: frames x 44100 and seconds x 1000 x fps fit 64 bits.
inline constexpr int64_t kMaxFrames = INT64_MAX / 100000;
inline constexpr int64_t kMaxSeconds = 100000000;
inline constexpr int kWriterSlots = 4;            // frames drawn ahead of the one being written
inline constexpr const char* kProgramName = "ziv-render";

// Video through ffmpeg is enlarged by a whole factor, nearest-neighbour.
inline constexpr int kDefaultVideoScale = 2;
inline constexpr int kMaxScale = 8;
