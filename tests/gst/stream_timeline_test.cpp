#include "gst/stream_timeline.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

constexpr uint64_t kMs = 1000000;

// The timestamp GStreamer gives a buffer that starts `frames` into a stream at `rate`.
uint64_t ptsOf(uint64_t frames, int rate) { return frames * kNanosecondsPerSecond / static_cast<uint64_t>(rate); }

}  // namespace

TEST(StreamTimeline, FramesAtSixtyOf44100MatchTheOfflineRenderersPositions) {
    StreamTimeline line;
    line.restart(44100);
    line.fed(0, 44100 * 40);
    FrameGrid grid;
    grid.restart(line.startNs(), 60, 1);
    uint64_t pts;
    for (int64_t n = 0; n < 60 * 40; ++n) {
        ASSERT_TRUE(grid.nextDue(line.heardUntilNs(44100 * 40), &pts));
        const ShowPosition at = line.positionAt(pts);
        // ziv-render's frame n: heard n x 44100 / 60, clock n x 1000 / 60, both truncated.
        ASSERT_EQ(at.heard, n * 44100 / 60) << n;
        ASSERT_EQ(at.elapsedMs, static_cast<int32_t>(n * 1000 / 60)) << n;
    }
    // Frame n is due once the show holds n x 735 samples, as the offline renderer draws it then.
    FrameGrid fresh;
    fresh.restart(line.startNs(), 60, 1);
    int due = 0;
    while (fresh.nextDue(line.heardUntilNs(735 * 100), &pts)) ++due;
    EXPECT_EQ(due, 101);
    EXPECT_TRUE(fresh.nextDue(line.heardUntilNs(735 * 101), &pts));
}

TEST(StreamTimeline, HeardUntilIsTheLastTimestampHeardWithinTheSamplesHeld) {
    StreamTimeline line;
    line.restart(48000);
    EXPECT_EQ(line.heardUntilNs(100), kNoTime);
    const uint64_t start = 7 * kNanosecondsPerSecond;
    line.fed(start, 1);
    // 220 and 440 make 2F + 1 a multiple of 441: the bound falls exactly on a half sample there.
    for (int64_t held : {0, 1, 2, 220, 440, 734, 735, 736, 44099, 44100, 1323000, 190511999}) {
        const uint64_t until = line.heardUntilNs(held);
        StreamTimeline probe = line;
        ASSERT_LE(probe.positionAt(until).heard, held) << held;
        StreamTimeline next = line;
        ASSERT_GT(next.positionAt(until + 1).heard, held) << held;
    }
}

TEST(StreamTimeline, PositionsCountFromTheFirstSampleNotFromZero) {
    StreamTimeline line;
    line.restart(48000);
    const uint64_t start = 90 * kNanosecondsPerSecond + 123;   // after a seek to 1:30
    line.fed(start, 4800);
    EXPECT_EQ(line.coveredNs(), start + 100 * kMs);
    const ShowPosition at = line.positionAt(start + 50 * kMs);
    EXPECT_EQ(at.heard, 2205);
    EXPECT_EQ(at.elapsedMs, 50);
    EXPECT_EQ(line.positionAt(start - kMs).heard, 2205) << "a position never goes back";
}

TEST(StreamTimeline, NothingBeforeTheFirstTimestamp) {
    StreamTimeline line;
    line.restart(44100);
    EXPECT_FALSE(line.started());
    EXPECT_EQ(line.coveredNs(), kNoTime);
    line.fed(kNoTime, 1000);   // untimed samples do not start the clock
    EXPECT_FALSE(line.started());
    EXPECT_EQ(line.positionAt(5 * kMs).heard, 0);
    FrameGrid grid;
    uint64_t pts;
    EXPECT_FALSE(grid.nextDue(line.coveredNs(), &pts));
}

TEST(StreamTimeline, BuffersThatFollowOnOrJitterAreFedAsTheyCome) {
    StreamTimeline line;
    line.restart(44100);
    EXPECT_FALSE(line.plan(0).restart);
    line.fed(0, 1764);
    EXPECT_FALSE(line.plan(ptsOf(1764, 44100)).restart);
    EXPECT_EQ(line.plan(ptsOf(1764, 44100)).silence, 0u);
    EXPECT_EQ(line.plan(ptsOf(1764, 44100) + 39 * kMs).silence, 0u);   // within the tolerance
    EXPECT_FALSE(line.plan(ptsOf(1764, 44100) - 39 * kMs).restart);
    EXPECT_FALSE(line.plan(kNoTime).restart);
}

TEST(StreamTimeline, AGapAheadIsHeardAsSilenceOfItsLength) {
    StreamTimeline line;
    line.restart(48000);
    line.fed(0, 48000);
    const FeedPlan plan = line.plan(1500 * kMs);
    EXPECT_FALSE(plan.restart);
    EXPECT_EQ(plan.silence, 24000u);
    line.fed(1500 * kMs, plan.silence + 4800);
    EXPECT_EQ(line.coveredNs(), 1600 * kMs) << "the samples after the gap stand at their own timestamps";
}

TEST(StreamTimeline, AJumpBackOrFarAheadStartsAfresh) {
    StreamTimeline line;
    line.restart(44100);
    line.fed(10 * kNanosecondsPerSecond, 44100);
    EXPECT_TRUE(line.plan(10 * kNanosecondsPerSecond).restart);
    EXPECT_TRUE(line.plan(0).restart);
    EXPECT_TRUE(line.plan(11 * kNanosecondsPerSecond + kLongestSilenceNs + kTimestampToleranceNs + 1).restart);
    EXPECT_FALSE(line.plan(11 * kNanosecondsPerSecond + kLongestSilenceNs).restart);
}

TEST(StreamTimeline, RestartForgetsEverything) {
    StreamTimeline line;
    line.restart(44100);
    line.fed(0, 44100);
    line.positionAt(900 * kMs);
    line.restart(22050);
    EXPECT_EQ(line.rate(), 22050);
    line.fed(5 * kNanosecondsPerSecond, 2205);
    EXPECT_EQ(line.startNs(), 5 * kNanosecondsPerSecond);
    const ShowPosition at = line.positionAt(5 * kNanosecondsPerSecond + 100 * kMs);
    EXPECT_EQ(at.heard, 4410);
    EXPECT_EQ(at.elapsedMs, 100);
}

TEST(StreamTimeline, ClockSaturatesInsteadOfWrapping) {
    StreamTimeline line;
    line.restart(44100);
    line.fed(0, 1);
    const ShowPosition at = line.positionAt(30ull * 24 * 3600 * kNanosecondsPerSecond);   // a month in
    EXPECT_EQ(at.elapsedMs, INT32_MAX);
    EXPECT_EQ(at.heard, 30ll * 24 * 3600 * 44100);
}

TEST(FrameGrid, FramesAreDueOnlyOnceTheSamplesReachThem) {
    FrameGrid grid;
    grid.restart(1000, 30000, 1001);
    uint64_t pts;
    ASSERT_TRUE(grid.nextDue(1000, &pts));
    EXPECT_EQ(pts, 1000u);
    EXPECT_EQ(grid.duration(), 33366666u);
    EXPECT_FALSE(grid.nextDue(1000 + 33366665, &pts));
    ASSERT_TRUE(grid.nextDue(1000 + 33366666, &pts));
    EXPECT_EQ(pts, 1000u + 33366666);
    EXPECT_EQ(grid.duration(), 33366667u);   // 2002/30000 s truncated, less the first frame's
    // A thousand frames later the grid has not drifted: frame n at n x 1001 / 30000 s.
    int count = 2;
    while (grid.nextDue(1000 + 1000 * 1001 * kNanosecondsPerSecond / 30000, &pts)) ++count;
    EXPECT_EQ(count, 1001);
    EXPECT_EQ(pts, 1000 + 1000 * 1001 * kNanosecondsPerSecond / 30000);
}

TEST(FrameGrid, StoppedOrBeforeItsOriginNothingIsDue) {
    FrameGrid grid;
    uint64_t pts = 7;
    EXPECT_FALSE(grid.nextDue(kNanosecondsPerSecond, &pts));
    grid.restart(5 * kNanosecondsPerSecond, 60, 1);
    EXPECT_FALSE(grid.nextDue(kNanosecondsPerSecond, &pts));
    EXPECT_FALSE(grid.nextDue(kNoTime, &pts));
    grid.stop();
    EXPECT_FALSE(grid.nextDue(6 * kNanosecondsPerSecond, &pts));
    EXPECT_EQ(pts, 7u);
}
