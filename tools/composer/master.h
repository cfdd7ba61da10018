// Mastering the loop: one gain, then a look-ahead peak limiter that never lets
// a sample past the ceiling and, like the mix, wraps around the loop's end.
//
//   std::vector<float> out;
//   masterLoop(mix, 1.8, 0.75, out);   // interleaved L R, every |sample| <= 0.75
#pragma once
#include <vector>

#include "instruments.h"

inline constexpr int kLimiterLookahead = 96;   // frames the gain starts falling before a peak
inline constexpr double kLimiterRelease = 0.08;  // seconds for the gain to recover most of the way

void masterLoop(const Mix& mix, double gain, double ceiling, std::vector<float>& interleaved);
