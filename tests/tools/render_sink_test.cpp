// ziv-render's frame sinks: every format keeps nothing when abandoned, shows
// nothing under its name before publish, refuses a publish before complete, and
// reports a failing write as a failure.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "output/frame_output.h"
#include "output/show_frame.h"
#include "pictures/picture_bank.h"
#include "tools/ziv-render/frame_sink.h"
#include "tools/ziv-render/frame_writers.h"
#include "libziv/trace_file.h"
#include "tools/ziv-render/video_encoder.h"

#include "doubles/test_support.h"

namespace fs = std::filesystem;

namespace {

using ziv::test::TempDir;

struct Format {
    const char* name;
    OpenFrameSink open;
    const char* file;   // the name asked for, in the test's folder
};

const Format kFileFormats[] = {
    {"raw", openRawSink, "out.raw"},        {"y4m", openY4mSink, "out.y4m"},
    {"trace", openTraceSink, "out.trace"},  {"png", openPngSink, "frames"},
    {"stats", openStatsSink, "stats.json"},
};

SinkSettings testSettings() {
    SinkSettings s;
    s.fps = 30;
    s.frames = 3;
    s.traceBands = kSpectrumBands;
    s.statsText = [] { return std::string("{\"frames\": 3}\n"); };
    return s;
}

FrameToWrite testFrame(int64_t n) {
    FrameToWrite f;
    f.frame = n;
    f.elapsedMs = static_cast<int32_t>(n * 33);
    f.surface.assign(kSurfacePixels, 0x00102030u + static_cast<uint32_t>(n));
    f.spectrum.assign(kSpectrumBands, 0.25f);
    return f;
}

std::unique_ptr<FrameSink> openOrFail(const Format& format, const std::string& path, const SinkSettings& settings) {
    WriteFailure failure;
    std::unique_ptr<FrameSink> sink = format.open(path, VideoKind::Y4m, settings, &failure);
    EXPECT_TRUE(sink) << format.name << ": " << failure.why;
    return sink;
}

bool writeFrames(FrameSink& sink, int count, WriteFailure* failure) {
    for (int n = 0; n < count; ++n)
        if (sink.takesFrames() && !sink.write(testFrame(n), failure)) return false;
    return true;
}

TEST(FrameSink, AnAbandonedOutputLeavesNeitherItsNameNorATemporary) {
    for (const Format& format : kFileFormats) {
        SCOPED_TRACE(format.name);
        TempDir dir("render-sink");
        {
            auto sink = openOrFail(format, dir / format.file, testSettings());
            ASSERT_TRUE(sink);
            WriteFailure failure;
            ASSERT_TRUE(writeFrames(*sink, 3, &failure)) << failure.why;
            sink->abandon();
            EXPECT_TRUE(dir.names().empty());
        }
        {   // dropped after complete, without publish: the same
            auto sink = openOrFail(format, dir / format.file, testSettings());
            ASSERT_TRUE(sink);
            WriteFailure failure;
            ASSERT_TRUE(writeFrames(*sink, 3, &failure)) << failure.why;
            ASSERT_TRUE(sink->complete(&failure)) << failure.why;
        }
        EXPECT_TRUE(dir.names().empty());
    }
}

TEST(FrameSink, TheNameAppearsOnlyWhenPublishedAfterComplete) {
    for (const Format& format : kFileFormats) {
        SCOPED_TRACE(format.name);
        TempDir dir("render-sink");
        auto sink = openOrFail(format, dir / format.file, testSettings());
        ASSERT_TRUE(sink);
        WriteFailure failure;
        ASSERT_TRUE(writeFrames(*sink, 3, &failure)) << failure.why;
        EXPECT_FALSE(sink->publish(&failure)) << "published before complete";
        EXPECT_EQ(failure.why, "not complete");
        EXPECT_FALSE(fs::exists(dir / format.file));
        ASSERT_TRUE(sink->complete(&failure)) << failure.why;
        EXPECT_FALSE(fs::exists(dir / format.file));
        ASSERT_TRUE(sink->publish(&failure)) << failure.why;
        EXPECT_EQ(dir.names(), std::vector<std::string>{format.file});
        sink.reset();   // a published output outlives its sink
        EXPECT_EQ(dir.names(), std::vector<std::string>{format.file});
    }
}

TEST(FrameSink, EachFormatWritesItsOwnBytes) {
    TempDir dir("render-sink");
    const SinkSettings settings = testSettings();
    for (const Format& format : kFileFormats) {
        auto sink = openOrFail(format, dir / format.file, settings);
        ASSERT_TRUE(sink);
        WriteFailure failure;
        ASSERT_TRUE(writeFrames(*sink, 3, &failure) && sink->complete(&failure) && sink->publish(&failure)) << failure.why;
    }
    auto bytesOf = [&](const char* name) {
        std::ifstream in(dir / name, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    // Raw is the slot as it is, frame after frame.
    const std::vector<uint8_t> raw = bytesOf("out.raw");
    ASSERT_EQ(raw.size(), 3 * kRawFrameBytes);
    std::vector<uint8_t> expected(kRawFrameBytes);
    encodeRawFrame(testFrame(2).surface.data(), expected.data());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), raw.begin() + 2 * static_cast<long>(kRawFrameBytes)));
    EXPECT_EQ(bytesOf("out.y4m").size(), y4mHeader(settings.fps).size() + 3 * kY4mFrameBytes);
    Trace trace;
    std::string why;
    ASSERT_TRUE(readTraceFile(dir / "out.trace", trace, &why)) << why;
    ASSERT_EQ(trace.elapsedMs.size(), 3u);
    EXPECT_EQ(trace.elapsedMs[2], 66);
    EXPECT_EQ(dir.names("frames"), (std::vector<std::string>{pngFrameName(0), pngFrameName(1), pngFrameName(2)}));
    const std::vector<uint8_t> stats = bytesOf("stats.json");
    EXPECT_EQ(std::string(stats.begin(), stats.end()), "{\"frames\": 3}\n");
}

TEST(FrameSink, AFailingWriteIsAFailureThatNamesTheFileAndLeavesNothing) {
    // A full device: raw frames fail at once, small buffered trace records when they are flushed.
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    WriteFailure failure;
    auto raw = openRawSink("/dev/full", VideoKind::Y4m, testSettings(), &failure);
    ASSERT_TRUE(raw) << failure.why;
    EXPECT_FALSE(raw->write(testFrame(0), &failure));
    EXPECT_EQ(failure.what, "output");
    EXPECT_EQ(failure.file, "/dev/full");
    EXPECT_EQ(failure.why, "No space left on device");

    failure = {};
    auto trace = openTraceSink("/dev/full", VideoKind::Y4m, testSettings(), &failure);
    ASSERT_TRUE(trace) << failure.why;
    ASSERT_TRUE(writeFrames(*trace, 1, &failure));
    EXPECT_FALSE(trace->complete(&failure));
    EXPECT_EQ(failure.file, "/dev/full");
    EXPECT_EQ(failure.why, "No space left on device");
    EXPECT_FALSE(trace->publish(&failure));

    // A folder of frames whose temporary folder went away under it.
    TempDir dir("render-sink");
    auto png = openPngSink(dir / "frames", VideoKind::Y4m, testSettings(), &failure);
    ASSERT_TRUE(png);
    for (const std::string& name : dir.names()) fs::remove_all(dir / name);
    EXPECT_FALSE(png->write(testFrame(4), &failure));
    EXPECT_EQ(failure.file, dir / "frames" + "/" + pngFrameName(4));
    EXPECT_FALSE(failure.why.empty());
}

TEST(FrameSink, OpeningStopsAtTheFirstOutputThatFailsAndKeepsNoneOfTheOthers) {
    TempDir dir("render-sink");
    RenderOptions o;
    o.videos = {{dir / "a.y4m", VideoKind::Y4m}};
    o.raw = dir / "b.raw";
    o.stats = dir / "missing-folder/stats.json";
    o.traceOut = dir / "c.trace";
    FrameSinks sinks;
    WriteFailure failure;
    EXPECT_FALSE(openFrameSinks(o, testSettings(), &sinks, &failure));
    EXPECT_EQ(failure.file, o.stats);
    EXPECT_EQ(failure.why, "No such file or directory");
    EXPECT_TRUE(sinks.empty());
    EXPECT_TRUE(dir.names().empty());

    o.stats.clear();
    ASSERT_TRUE(openFrameSinks(o, testSettings(), &sinks, &failure)) << failure.why;
    EXPECT_EQ(sinks.size(), 3u);
}

TEST(FrameSink, AnAbandonedVideoStopsItsEncoderAndLeavesNothing) {
    if (findProgram("ffmpeg").empty()) GTEST_SKIP() << "no ffmpeg";
    TempDir dir("render-sink");
    WriteFailure failure;
    auto video = openVideoSink(dir / "clip.mkv", VideoKind::Mkv, testSettings(), &failure);
    ASSERT_TRUE(video) << failure.why;
    ASSERT_TRUE(writeFrames(*video, 2, &failure)) << failure.why;
    EXPECT_FALSE(video->publish(&failure));
    video->abandon();
    EXPECT_TRUE(dir.names().empty());
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "the encoder was not reaped";
}

}  // namespace
