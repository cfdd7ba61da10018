#include "scenes/random.h"

namespace {
struct {
    uint32_t state = kRandomStart;
} random_state;
}  // namespace

int32_t drawRandom() {
    random_state.state = nextRandomState(random_state.state);
    return randomValueOf(random_state.state);
}

uint32_t randomState() { return random_state.state; }
void setRandomState(uint32_t state) { random_state.state = state; }
void resetRandom() { random_state.state = kRandomStart; }
