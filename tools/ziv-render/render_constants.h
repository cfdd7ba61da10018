// Constants of the offline renderer, in one place.
//
//   std::vector<uint32_t> surface(kSurfacePixels, 0);
#pragma once
#include <cstdint>

inline constexpr int kSurfaceWidth = 640;
inline constexpr int kSurfaceHeight = 480;
inline constexpr int kSurfacePixels = kSurfaceWidth * kSurfaceHeight;
inline constexpr int kTrackRate = 44100;          // the rate every track is heard at
inline constexpr int kDefaultFps = 60;
inline constexpr int kMaxFps = 1000;
inline constexpr int32_t kShowLengthMs = 394000;  // a show without looping ends after the first frame past this
inline constexpr const char* kDefaultTrack = "DuskPulse.ogg";
inline constexpr const char* kProgramName = "ziv-render";

// The trace file: header, then one record per frame.
inline constexpr char kTraceMagic[8] = {'Z', 'I', 'V', 'T', 'R', 'A', 'C', 'E'};
inline constexpr uint32_t kTraceVersion = 1;
inline constexpr int kTraceHeaderBytes = 16;
inline constexpr int kTraceMinBands = 257;        // the show reads entries 0..256
inline constexpr int kTraceMaxBands = 1 << 20;    // keeps record sizes far from overflow
inline constexpr float kTraceEntryLimit = 8.0f;   // entries outside -8..8 are refused

// Video through ffmpeg is enlarged by a whole factor, nearest-neighbour.
inline constexpr int kDefaultVideoScale = 2;
inline constexpr int kMaxScale = 8;
