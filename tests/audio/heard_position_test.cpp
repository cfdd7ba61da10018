// The heard position: what the mixer publishes is what a reader gets, advanced
// by the clock; and a publication the mixer never finishes (preempted in the
// middle) costs the reader a bounded wait, not a hang.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "audio/heard_position.h"

TEST(HeardPosition, AdvancesWithTheClockButNotPastTheBuffer) {
    HeardPosition heard;
    publishHeard(heard, 1000, 512, 5'000'000);
    EXPECT_EQ(readHeard(heard, 4'000'000, -1), 1000);                // before the buffer began
    EXPECT_EQ(readHeard(heard, 5'000'000 + 10'000'000, -1), 1441);   // 10 ms later: 441 frames
    EXPECT_EQ(readHeard(heard, 5'000'000 + 1'000'000'000, -1), 1512);  // never past its end
}

TEST(HeardPosition, AStalledPublicationGivesTheFallbackInsteadOfWaitingForever) {
    HeardPosition heard;
    publishHeard(heard, 2000, 512, 0);
    heard.sequence.fetch_add(1);   // a mixer preempted in the middle of its next publication
    const auto began = std::chrono::steady_clock::now();
    EXPECT_EQ(readHeard(heard, 0, 1234), 1234);
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(500));

    // Once the mixer finishes, the reader gets the new position again.
    heard.sequence.fetch_sub(1);
    publishHeard(heard, 3000, 512, 0);
    EXPECT_EQ(readHeard(heard, 0, 1234), 3000);

    // A mixer that is only slow is waited for: the reader yields to it and sees its publication.
    heard.sequence.fetch_add(1);
    std::thread mixer([&] {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        heard.start.store(4000);
        heard.sequence.fetch_add(1);
    });
    int64_t seen = 1234;
    for (int i = 0; i < 1000 && seen != 4000; ++i) seen = readHeard(heard, 0, seen);
    mixer.join();
    EXPECT_EQ(seen, 4000);
}
