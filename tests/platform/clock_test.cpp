#include <gtest/gtest.h>

#include "platform/clock.h"

namespace {

uint32_t fake_now = 0;
uint32_t fakeClock() { return fake_now; }

TEST(Clock, DifferencesSurviveTheUnsignedWrap) {
    setClockSource(fakeClock);
    fake_now = 0xFFFFFF00u;
    const uint32_t start = timeGetTime();
    fake_now = 0x00000100u;  // 512 ms later, past the wrap
    EXPECT_EQ(static_cast<int32_t>(timeGetTime() - start), 512);
    setClockSource(nullptr);
}

TEST(Clock, RealClockNeverRunsBackwards) {
    setClockSource(nullptr);
    const uint32_t a = timeGetTime();
    const uint32_t b = timeGetTime();
    EXPECT_LT(static_cast<int32_t>(b - a), 1000);
    EXPECT_GE(static_cast<int32_t>(b - a), 0);
}

}  // namespace
