#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "tools/ziv-render/frame_writer_thread.h"

namespace {

void fillFrame(FrameToWrite& f, int64_t n) {
    f.frame = n;
    f.elapsedMs = static_cast<int32_t>(n * 16);
    for (size_t i = 0; i < f.surface.size(); ++i) f.surface[i] = static_cast<uint32_t>(n * 1000 + static_cast<int64_t>(i));
    for (size_t i = 0; i < f.spectrum.size(); ++i) f.spectrum[i] = static_cast<float>(n) + 0.5f;
}

TEST(FrameWriterThread, WritesEveryFrameInOrderWithWhatWasSubmitted) {
    std::vector<int64_t> written;
    bool contents_ok = true;
    FrameWriterThread writer(3, 64, 4, [&](const FrameToWrite& f, WriteFailure*) {
        // A slow writer makes the render wait for slots, so slots are reused many times.
        if (f.frame % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(300));
        for (size_t i = 0; i < f.surface.size(); ++i)
            contents_ok &= f.surface[i] == static_cast<uint32_t>(f.frame * 1000 + static_cast<int64_t>(i));
        contents_ok &= f.spectrum[3] == static_cast<float>(f.frame) + 0.5f && f.elapsedMs == f.frame * 16;
        written.push_back(f.frame);
        return true;
    });
    for (int64_t n = 0; n < 200; ++n) {
        fillFrame(writer.acquire(), n);
        writer.submit();
    }
    ASSERT_TRUE(writer.finish());
    writer.stop();
    ASSERT_EQ(written.size(), 200u);
    for (int64_t n = 0; n < 200; ++n) ASSERT_EQ(written[static_cast<size_t>(n)], n);
    EXPECT_TRUE(contents_ok);
    EXPECT_FALSE(writer.failed());
}

TEST(FrameWriterThread, FirstFailureStopsTheWritingAndIsReported) {
    std::atomic<int> writes{0};
    FrameWriterThread writer(2, 8, 0, [&](const FrameToWrite& f, WriteFailure* failure) {
        ++writes;
        if (f.frame == 5) {
            *failure = {"output", "frames.raw", "No space left on device"};
            return false;
        }
        return true;
    });
    int64_t n = 0;
    for (; n < 100 && !writer.failed(); ++n) {  // the render's loop: stop once the writer fails
        fillFrame(writer.acquire(), n);
        writer.submit();
    }
    EXPECT_FALSE(writer.finish());
    EXPECT_TRUE(writer.failed());
    EXPECT_EQ(writes.load(), 6);  // frames 0..5, nothing after the failure
    const WriteFailure f = writer.failure();
    EXPECT_EQ(f.what, "output");
    EXPECT_EQ(f.file, "frames.raw");
    EXPECT_EQ(f.why, "No space left on device");
    fillFrame(writer.acquire(), n);  // does not wait for a writer that has ended
    writer.submit();
    EXPECT_EQ(writes.load(), 6);
}

TEST(FrameWriterThread, StopDropsQueuedFramesWithoutWaitingForThem) {
    std::atomic<int> writes{0};
    std::atomic<bool> started{false}, release{false};
    FrameWriterThread writer(4, 8, 0, [&](const FrameToWrite&, WriteFailure*) {
        started = true;
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++writes;
        return true;
    });
    for (int64_t n = 0; n < 4; ++n) {
        fillFrame(writer.acquire(), n);
        writer.submit();
    }
    while (!started) std::this_thread::sleep_for(std::chrono::milliseconds(1));  // frame 0 is being written
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        release = true;
    });
    writer.stop();  // an interrupted render: the frame being written ends, the rest are dropped
    releaser.join();
    EXPECT_EQ(writes.load(), 1);
}

TEST(FrameWriterThread, ASlotNotSubmittedIsHandedOutAgainAndNeverWritten) {
    // The render draws frames before --start into a slot it does not submit.
    std::vector<int64_t> written;
    FrameWriterThread writer(3, 16, 0, [&](const FrameToWrite& f, WriteFailure*) {
        written.push_back(f.frame);
        return true;
    });
    FrameToWrite* first = &writer.acquire();
    for (int64_t n = 0; n < 5; ++n) {
        FrameToWrite& f = writer.acquire();
        EXPECT_EQ(&f, first);
        fillFrame(f, -1 - n);
    }
    for (int64_t n = 0; n < 4; ++n) {
        fillFrame(writer.acquire(), n);
        writer.submit();
    }
    ASSERT_TRUE(writer.finish());
    writer.stop();
    EXPECT_EQ(written, (std::vector<int64_t>{0, 1, 2, 3}));
}

void doNothing(int) {}

TEST(FrameWriterThread, AStopEndsAWriterBlockedInTheKernelAndTheWaitsForIt) {
    struct sigaction action{};
    action.sa_handler = doNothing;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;   // no SA_RESTART: the blocked write returns EINTR
    struct sigaction previous{};
    ASSERT_EQ(sigaction(SIGUSR2, &action, &previous), 0);
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);   // nobody reads: a big write blocks once the pipe is full
    std::atomic<bool> stop{false};
    std::atomic<int> interrupted{0};
    {
        FrameWriterThread writer(2, 8, 0, [&](const FrameToWrite&, WriteFailure* failure) {
            const std::vector<char> big(1 << 20, 'x');
            for (size_t at = 0; at < big.size();) {
                const ssize_t put = write(pipeEnds[1], big.data() + at, big.size() - at);
                if (put > 0) at += static_cast<size_t>(put);
                else if (errno == EINTR && stop) break;
                else if (errno != EINTR) break;
            }
            ++interrupted;
            *failure = {"output", "fifo", "interrupted"};
            return false;
        });
        writer.setStopCheck([&] { return stop.load(); }, SIGUSR2);
        std::thread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            stop = true;   // what a signal handler does: set a flag, notify nobody
        });
        const auto begun = std::chrono::steady_clock::now();
        // Frame 0 blocks the writer, frames 1 and 2 fill the slots, frame 3 waits for a slot until the stop.
        for (int64_t n = 0; n < 4; ++n) {
            fillFrame(writer.acquire(), n);
            writer.submit();
        }
        EXPECT_FALSE(writer.finish());
        writer.stop();
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
        stopper.join();
        EXPECT_LT(took, 5.0) << "the stop did not reach the blocked writer";
        EXPECT_EQ(interrupted.load(), 1);
    }
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    sigaction(SIGUSR2, &previous, nullptr);
}

}  // namespace
