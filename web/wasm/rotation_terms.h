// The rotating scene's cosine and sine of one elapsedMs, as the scene takes
// them (the angle is elapsedMs / kRotationDivisor in double; cos rounded to
// a float, sin kept in double), so that the maths libraries of two builds
// can be compared at every millisecond of a show.
//
//   float c; double s;
//   rotationTerms(elapsedMs, c, s);
#pragma once
#include <cmath>
#include <cstdint>

#include "scenes/scene_constants.h"

inline void rotationTerms(int32_t elapsedMs, float& c, double& s) {
    const double theta = static_cast<double>(static_cast<float>(elapsedMs)) / static_cast<double>(kRotationDivisor);
    c = static_cast<float>(std::cos(theta));
    s = std::sin(theta);
}
