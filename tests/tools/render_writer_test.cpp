#include <gtest/gtest.h>

#include <atomic>
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

}  // namespace
