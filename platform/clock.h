// The millisecond clock the frame loop reads.
//
//   uint32_t start = timeGetTime();
//   int32_t elapsedMs = static_cast<int32_t>(timeGetTime() - start);
//
// A monotonic count of milliseconds that wraps as an unsigned 32-bit value;
// only differences between two readings mean anything. Tests swap the
// source with setClockSource (nullptr restores the real clock).
#pragma once
#include <cstdint>

using ClockSource = uint32_t (*)();

uint32_t timeGetTime();
void setClockSource(ClockSource source);
