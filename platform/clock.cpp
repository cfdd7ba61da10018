#include "platform/clock.h"

#include <chrono>

namespace {

uint32_t steadyMilliseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));  // wraps by design
}

struct {
    ClockSource source = steadyMilliseconds;
} clock_state;

}  // namespace

uint32_t timeGetTime() { return clock_state.source(); }

void setClockSource(ClockSource source) {
    clock_state.source = source ? source : steadyMilliseconds;
}
