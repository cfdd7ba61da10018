// The show's one random generator, used only by the scenes.
//
//   int32_t d = drawRandom();        // 0..32767; advances the process-wide state by one step
//   uint32_t st = randomState();     // to count draws, or to save and restore around a tool's work
//   setRandomState(st); resetRandom(); // resetRandom(): state 1, as the show starts
//
// The show never reseeds it: every later cut and pattern depends on how many draws
// the earlier frames made. Hot loops step a local copy with nextRandomState and
// randomValueOf, then write the state back, so the mosaic's 64000 draws stay cheap.
//   RandomJump j = randomJump(16);   // state 16 draws on = state * j.multiplier + j.increment
#pragma once
#include <cstdint>

#include "scenes/scene_constants.h"

inline constexpr uint32_t nextRandomState(uint32_t state) { return state * kRandomMultiplier + kRandomIncrement; }
inline constexpr int32_t randomValueOf(uint32_t state) { return static_cast<int32_t>((state >> kRandomShift) & kRandomMask); }

// k steps at once: the state k draws later is state * multiplier + increment (mod 2^32),
// which lets vector code make a run of draws in blocks and keep their order.
struct RandomJump {
    uint32_t multiplier, increment;
};
inline constexpr RandomJump randomJump(uint32_t steps) {
    RandomJump jump{1u, 0u};
    for (uint32_t k = 0; k < steps; ++k)
        jump = {jump.multiplier * kRandomMultiplier, jump.increment * kRandomMultiplier + kRandomIncrement};
    return jump;
}

int32_t drawRandom();
uint32_t randomState();
void setRandomState(uint32_t state);
void resetRandom();
