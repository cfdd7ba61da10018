// What the listener hears: published by the mixer with every buffer, read by
// the thread that asks for the spectrum. A sequence count guards the three
// values, so a reader never mixes two publications.
//
//   HeardPosition heard;
//   publishHeard(heard, start, frames, time);             // mixer: this buffer plays from `time` on
//   int64_t p = readHeard(heard, now, lastKnownPosition);  // any other thread
//
// The mixer may be preempted in the middle of a publication. A reader spins a
// little, then yields the core to it, and after kHeardPatience gives
// `fallback` (the last position it knew) rather than wait on: a yield can
// cost a whole time slice on a busy machine, so the bound is a time.
#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>

struct HeardPosition {
    std::atomic<uint32_t> sequence{0};   // odd while a publication is under way
    std::atomic<int64_t> start{0};       // the first frame of the buffer in front of the listener
    std::atomic<int> frames{0};          // its length
    std::atomic<int64_t> time{0};        // when it began to play, in nanoseconds of the mixer's clock
};

inline constexpr int kHeardSpins = 64;   // tries before yielding the core
inline constexpr std::chrono::milliseconds kHeardPatience{4};   // a quarter of a frame at 60 fps

void publishHeard(HeardPosition& heard, int64_t start, int frames, int64_t time);
// The start of the buffer in front of the listener, advanced by the clock
// since it began (frames at 44100 Hz), but never past its end.
int64_t readHeard(const HeardPosition& heard, int64_t now, int64_t fallback);
