// The offline renderer's parts that need no track and no pipeline: command
// line, timing arithmetic, trace files, frame encoders, outputs, statistics.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "tools/ziv-render/frame_writers.h"
#include "tools/ziv-render/output_file.h"
#include "tools/ziv-render/render_options.h"
#include "tools/ziv-render/render_stats.h"
#include "libziv/trace_file.h"
#include "tools/ziv-render/video_encoder.h"

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#include "doubles/test_support.h"

namespace fs = std::filesystem;

namespace {

using ziv::test::TempDir;

bool parse(std::vector<const char*> words, RenderOptions& o, std::string* error = nullptr) {
    words.insert(words.begin(), "ziv-render");
    std::string e;
    const bool ok = parseRenderOptions(static_cast<int>(words.size()), words.data(), o, &e);
    if (error) *error = e;
    return ok;
}

std::vector<uint8_t> bytesOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> traceBytes(int bands, const std::vector<int32_t>& times, const std::vector<float>& spectra) {
    std::vector<uint8_t> b(kTraceHeaderBytes + times.size() * traceRecordBytes(bands));
    encodeTraceHeader(bands, b.data());
    for (size_t r = 0; r < times.size(); ++r)
        encodeTraceRecord(times[r], &spectra[r * bands], bands, &b[kTraceHeaderBytes + r * traceRecordBytes(bands)]);
    return b;
}

}  // namespace

TEST(RenderTiming, ShowLengthEndsOnTheFirstFramePast394Seconds) {
    for (int fps = 1; fps <= 1000; ++fps) {
        const int64_t count = showLengthFrames(fps);
        ASSERT_GT(frameElapsedMs(count - 1, fps), 394000) << fps;
        ASSERT_LE(frameElapsedMs(count - 2, fps), 394000) << fps;
    }
    EXPECT_EQ(showLengthFrames(60), 23642);
    // At 1 fps frame 394 is exactly 394000 ms, which does not end the show: one more frame follows.
    EXPECT_EQ(frameElapsedMs(394, 1), 394000);
    EXPECT_EQ(showLengthFrames(1), 396);
}

TEST(RenderTiming, FrameClockAndTrackPositionTruncate) {
    EXPECT_EQ(frameElapsedMs(1, 60), 16);
    EXPECT_EQ(frameElapsedMs(2, 60), 33);
    EXPECT_EQ(frameTrackPosition(1, 60), 735);
    EXPECT_EQ(frameTrackPosition(1, 7), 6300);
    EXPECT_EQ(frameTrackPosition(3, 1000), 132);  // 132.3 truncated
    // The last frame allowed keeps elapsedMs inside 32 bits; one more would not.
    const int64_t most = maxFrameCount(1000);
    EXPECT_GE(static_cast<int64_t>(most - 1) * 1000 / 1000, 0);
    EXPECT_LE((most - 1) * 1000 / 1000, INT32_MAX);
    EXPECT_GT(most * 1000 / 1000, INT32_MAX);
}

// Without --track, the working folder's DuskPulse.ogg as the show plays it; an
// installed ziv-render started elsewhere falls back on the installed track.
TEST(RenderOptions, TheDefaultTrackFallsBackOnTheInstalledOne) {
    ziv::test::TempDir dir("render-default-track");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path);
    RenderOptions o;
    const std::string installed = "/opt/somewhere/share/ziv/DuskPulse.ogg";
    EXPECT_EQ(effectiveTrack(o, installed), installed);
    EXPECT_EQ(effectiveTrack(o, ""), "DuskPulse.ogg");   // nothing installed: the message names the show's file
    std::ofstream("DuskPulse.ogg") << "x";
    EXPECT_EQ(effectiveTrack(o, installed), "DuskPulse.ogg");
    o.traceIn = "t.trace";
    EXPECT_EQ(effectiveTrack(o, installed), "");
    o.track = "mine.ogg";
    EXPECT_EQ(effectiveTrack(o, installed), "mine.ogg");
    std::filesystem::current_path(before);
    // A program run from a build tree has no installed track.
    EXPECT_EQ(installedTrackPath(), "");
}

TEST(RenderOptions, GoodCommandLines) {
    RenderOptions o;
    ASSERT_TRUE(parse({}, o));
    EXPECT_EQ(o.fps, 60);
    EXPECT_EQ(effectiveTrack(o), "DuskPulse.ogg");
    EXPECT_EQ(renderFrameCount(o, 0), 23642);

    ASSERT_TRUE(parse({"--fps", "25", "--seconds", "12.5", "-o", "a.MP4", "-o", "b.y4m", "--raw", "-", "--stats=s.json"}, o));
    EXPECT_EQ(o.fps, 25);
    EXPECT_EQ(renderFrameCount(o, 0), 313);  // 312.5 frames, rounded up
    ASSERT_EQ(o.videos.size(), 2u);
    EXPECT_EQ(o.videos[0].kind, VideoKind::Mp4);
    EXPECT_EQ(o.videos[1].kind, VideoKind::Y4m);
    EXPECT_EQ(o.raw, "-");
    EXPECT_EQ(o.stats, "s.json");

    ASSERT_TRUE(parse({"--trace-in", "t.trace"}, o));
    EXPECT_EQ(effectiveTrack(o), "");        // a trace alone carries no audio
    EXPECT_EQ(renderFrameCount(o, 77), 77);  // every record by default
    ASSERT_TRUE(parse({"--trace-in", "t.trace", "--track", "x.ogg", "--frames", "10"}, o));
    EXPECT_EQ(effectiveTrack(o), "x.ogg");
    EXPECT_EQ(renderFrameCount(o, 10), 10);
    EXPECT_EQ(renderFrameCount(o, 9), -1);   // more frames than records
    ASSERT_TRUE(parse({"--seconds", "0.001", "--fps", "1"}, o));
    EXPECT_EQ(renderFrameCount(o, 0), 1);
    ASSERT_TRUE(parse({"--raw", "/dev/null", "--trace-out", "/dev/null"}, o));  // a sink may be named twice

    // --frames and --seconds count from --start; the default course does not move.
    ASSERT_TRUE(parse({"--fps", "30", "--start", "2.01", "--frames", "10", "--scale", "3"}, o));
    EXPECT_EQ(renderStartFrame(o), 61);   // 60.3, rounded up to the first frame at or after it
    EXPECT_EQ(renderFrameCount(o, 0), 71);
    EXPECT_EQ(videoScale(o), 3);
    ASSERT_TRUE(parse({"--start", "100"}, o));
    EXPECT_EQ(renderStartFrame(o), 6000);
    EXPECT_EQ(renderFrameCount(o, 0), 23642);
    EXPECT_EQ(videoScale(o), 2);
}

TEST(RenderOptions, BadCommandLinesAreRefusedWithAReason) {
    const std::vector<std::vector<const char*>> bad = {
        {"--bogus"}, {"extra"}, {"--fps"}, {"--fps", "0"}, {"--fps", "1001"}, {"--fps", "2x"}, {"--fps", "-5"},
        {"--fps", ""}, {"--frames", "0"}, {"--frames", "1.5"}, {"--frames", "99999999999999999999"},
        {"--seconds", "0"}, {"--seconds", "1.2345"}, {"--seconds", "abc"}, {"--seconds", "."}, {"--seconds", "-1"},
        {"--frames", "5", "--seconds", "1"}, {"-o", "show.avi"}, {"-o", "noext"}, {"-o", "dir.mp4/x"}, {"-o"},
        {"--raw"}, {"--png-dir", "-"}, {"--raw", "-", "--stats", "-"}, {"--help=yes"}, {"--track", ""},
        {"--frames", "3000000000"},  // elapsedMs would leave 32 bits at 60 fps
        {"--scale", "0"}, {"--scale", "9"}, {"--scale", "1.5"}, {"--start", "-1"}, {"--start"},
    };
    for (const auto& words : bad) {
        RenderOptions o;
        std::string error;
        EXPECT_FALSE(parse(words, o, &error)) << words[0];
        EXPECT_FALSE(error.empty()) << words[0];
    }
    // Numbers out of range name the range they must lie in.
    RenderOptions o;
    std::string error;
    EXPECT_FALSE(parse({"--seconds", "100000001"}, o, &error));
    EXPECT_NE(error.find("up to 100000000"), std::string::npos) << error;
    EXPECT_FALSE(parse({"--frames", "92233720368548"}, o, &error));
    EXPECT_NE(error.find("from 1 to 92233720368547"), std::string::npos) << error;
    EXPECT_FALSE(parse({"--frames", "3000000000"}, o, &error));
    EXPECT_NE(error.find("at most 128849019"), std::string::npos) << error;
}

TEST(RenderTrace, RecordsRoundTripBitForBit) {
    const int bands = 260;
    std::vector<float> spectra(3 * bands);
    for (size_t i = 0; i < spectra.size(); ++i) spectra[i] = static_cast<float>(i % 97) / 13.0f - 3.5f;
    spectra[5] = -0.0f;
    spectra[6] = std::numeric_limits<float>::denorm_min();
    spectra[7] = 8.0f;
    spectra[8] = -8.0f;
    const std::vector<int32_t> times = {0, -5, INT32_MAX};
    const std::vector<uint8_t> bytes = traceBytes(bands, times, spectra);
    ASSERT_EQ(bytes.size(), 16 + 3 * (4 + 4 * 260u));
    EXPECT_EQ(std::memcmp(bytes.data(), "ZIVTRACE\x01\x00\x00\x00\x04\x01\x00\x00", 16), 0);

    Trace t;
    std::string why;
    ASSERT_TRUE(parseTrace(bytes.data(), bytes.size(), t, &why)) << why;
    EXPECT_EQ(t.bands, bands);
    EXPECT_EQ(t.elapsedMs, times);
    ASSERT_EQ(traceRecords(t), 3);
    EXPECT_EQ(std::memcmp(traceSpectrum(t, 0), spectra.data(), spectra.size() * 4), 0);
    EXPECT_TRUE(std::signbit(traceSpectrum(t, 0)[5]));
}

TEST(RenderTrace, MalformedTracesAreRefused) {
    const int bands = 257;
    std::vector<float> spectra(2 * bands, 0.5f);
    const std::vector<uint8_t> good = traceBytes(bands, {0, 16}, spectra);
    Trace t;
    std::string why;
    ASSERT_TRUE(parseTrace(good.data(), good.size(), t, &why));

    auto refused = [&](std::vector<uint8_t> b, const char* what) {
        Trace out;
        std::string reason;
        // An exact-size copy: a read past the end is caught by the sanitizer build.
        std::vector<uint8_t> exact(b.begin(), b.end());
        EXPECT_FALSE(parseTrace(exact.data(), exact.size(), out, &reason)) << what;
        EXPECT_FALSE(reason.empty()) << what;
    };
    auto patched = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> b = good;
        b[at] = value;
        return b;
    };
    refused({}, "empty");
    refused(std::vector<uint8_t>(good.begin(), good.begin() + 10), "short header");
    refused(patched(0, 'X'), "magic");
    refused(patched(8, 2), "version");
    refused(patched(12, 0), "256 bands");  // 257 -> 256
    refused(std::vector<uint8_t>(good.begin(), good.end() - 1), "truncated record");
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    refused(longer, "trailing byte");

    auto withEntry = [&](float v) {
        std::vector<float> s = spectra;
        s[bands + 100] = v;
        return traceBytes(bands, {0, 16}, s);
    };
    refused(withEntry(std::numeric_limits<float>::quiet_NaN()), "NaN");
    refused(withEntry(std::numeric_limits<float>::infinity()), "infinity");
    refused(withEntry(-std::numeric_limits<float>::infinity()), "-infinity");
    refused(withEntry(8.001f), "above 8");
    refused(withEntry(-9.0f), "below -8");

    // A header alone is a well-formed trace of no records.
    std::vector<uint8_t> header(good.begin(), good.begin() + 16);
    EXPECT_TRUE(parseTrace(header.data(), header.size(), t, &why));
    EXPECT_EQ(traceRecords(t), 0);
}

TEST(RenderTrace, FileErrorsSayWhy) {
    Trace t;
    std::string why;
    EXPECT_FALSE(readTraceFile("/nonexistent/x.trace", t, &why));
    EXPECT_NE(why.find("No such file"), std::string::npos) << why;
    EXPECT_FALSE(readTraceFile("/tmp", t, &why));  // a folder
    EXPECT_FALSE(why.empty());
}

TEST(RenderWriters, Y4mKeepsTheDisplayColoursOnly) {
    EXPECT_EQ(y4mHeader(60), "YUV4MPEG2 W640 H480 F60:1 Ip A1:1 C444 XCOLORRANGE=LIMITED\n");
    uint8_t y, cb, cr;
    rgbToYCbCr(0x000000, &y, &cb, &cr);
    EXPECT_EQ(y, 16);
    EXPECT_EQ(cb, 128);
    EXPECT_EQ(cr, 128);
    rgbToYCbCr(0xFFFFFF, &y, &cb, &cr);
    EXPECT_EQ(y, 235);
    EXPECT_EQ(cb, 128);
    EXPECT_EQ(cr, 128);
    // Every grey is neutral, and brighter greys are never darker.
    int lastY = 0;
    for (uint32_t g = 0; g < 256; ++g) {
        rgbToYCbCr(g * 0x010101u, &y, &cb, &cr);
        EXPECT_EQ(cb, 128) << g;
        EXPECT_EQ(cr, 128) << g;
        EXPECT_GE(y, lastY);
        lastY = y;
    }
    // Saturated primaries stay inside the studio range and point the right way.
    rgbToYCbCr(0xFF0000, &y, &cb, &cr);
    EXPECT_GT(cr, 230);
    rgbToYCbCr(0x0000FF, &y, &cb, &cr);
    EXPECT_GT(cb, 230);

    std::vector<uint32_t> surface(kSurfacePixels, 0x00123456u);
    surface[5] = 0xFF123456u;  // the top byte never reaches the display
    std::vector<uint8_t> frame(kY4mFrameBytes);
    encodeY4mFrame(surface.data(), frame.data());
    EXPECT_EQ(std::string(frame.begin(), frame.begin() + 6), "FRAME\n");
    for (int plane = 0; plane < 3; ++plane)
        EXPECT_EQ(frame[6 + plane * kSurfacePixels + 5], frame[6 + plane * kSurfacePixels + 4]) << plane;
}

TEST(RenderWriters, RawIsLittleEndianAndKeepsAll32Bits) {
    std::vector<uint32_t> surface(kSurfacePixels, 0u);
    surface[0] = 0x11223344u;
    surface[kSurfacePixels - 1] = 0xFFFFFFFFu;
    std::vector<uint8_t> raw(kRawFrameBytes);
    encodeRawFrame(surface.data(), raw.data());
    EXPECT_EQ(raw[0], 0x44);
    EXPECT_EQ(raw[1], 0x33);
    EXPECT_EQ(raw[2], 0x22);
    EXPECT_EQ(raw[3], 0x11);
    EXPECT_EQ(raw[kRawFrameBytes - 1], 0xFF);
}

TEST(RenderWriters, PngDecodesToTheSurfaceColours) {
    std::vector<uint32_t> surface(kSurfacePixels);
    for (int i = 0; i < kSurfacePixels; ++i) surface[i] = static_cast<uint32_t>(i) * 2654435761u;
    std::vector<uint8_t> png, again;
    ASSERT_TRUE(encodePng(surface.data(), png));
    ASSERT_TRUE(encodePng(surface.data(), again));
    EXPECT_EQ(png, again);
    int w = 0, h = 0, n = 0;
    unsigned char* pixels = stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &w, &h, &n, 3);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    int wrong = 0;
    for (int i = 0; i < kSurfacePixels; ++i) {
        const uint32_t rgb = static_cast<uint32_t>(pixels[3 * i]) << 16 | static_cast<uint32_t>(pixels[3 * i + 1]) << 8 |
                             pixels[3 * i + 2];
        wrong += rgb != (surface[i] & 0xFFFFFFu);
    }
    stbi_image_free(pixels);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(pngFrameName(7), "frame-000007.png");
    EXPECT_EQ(pngFrameName(1234567), "frame-1234567.png");
}

TEST(RenderOutputFile, NothingAppearsUnderTheNameUntilCommit) {
    TempDir dir("render-units");
    const fs::path target = dir.path / "out.raw";
    {
        std::ofstream(target) << "old";
    }
    OutputFile f;
    std::string why;
    ASSERT_TRUE(f.open(target.string(), &why)) << why;
    const std::string data(200000, 'x');  // larger than the buffer
    ASSERT_TRUE(f.write(data.data(), data.size(), &why));
    ASSERT_TRUE(f.write("yz", 2, &why));
    EXPECT_EQ(bytesOf(target), std::vector<uint8_t>({'o', 'l', 'd'}));  // the old file stands until commit
    ASSERT_TRUE(f.commit(&why)) << why;
    const auto now = bytesOf(target);
    ASSERT_EQ(now.size(), 200002u);
    EXPECT_EQ(now.back(), 'z');
    EXPECT_EQ(dir.names(), std::vector<std::string>({"out.raw"}));  // no temporary left
}

TEST(RenderOutputFile, AbandonedAndFailedOutputsLeaveNothing) {
    TempDir dir("render-units");
    {
        OutputFile f;
        std::string why;
        ASSERT_TRUE(f.open((dir.path / "gone.y4m").string(), &why));
        ASSERT_TRUE(f.write("abc", 3, &why));
    }  // destroyed without commit
    EXPECT_TRUE(dir.names().empty());

    OutputFile f;
    std::string why;
    EXPECT_FALSE(f.open((dir.path / "missing-folder" / "x.raw").string(), &why));
    EXPECT_NE(why.find("No such file"), std::string::npos) << why;
    EXPECT_FALSE(f.open(dir.path.string(), &why));  // a folder is not a file
    EXPECT_TRUE(dir.names().empty());

    // A full device: the write fails and the error is reported, not swallowed.
    if (fs::exists("/dev/full")) {
        OutputFile full;
        ASSERT_TRUE(full.open("/dev/full", &why));
        const std::vector<char> block(1 << 17, 'x');
        const bool wrote = full.write(block.data(), block.size(), &why);
        EXPECT_FALSE(wrote && full.commit(&why));
        EXPECT_FALSE(why.empty());
    }
}

TEST(RenderOutputFile, SpecialFilesAreWrittenInPlace) {
    OutputFile null;
    std::string why;
    ASSERT_TRUE(null.open("/dev/null", &why)) << why;
    ASSERT_TRUE(null.write("abc", 3, &why));
    ASSERT_TRUE(null.commit(&why)) << why;
    struct stat st;
    ASSERT_EQ(stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));

    TempDir dir("render-units");
    const fs::path fifo = dir.path / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::vector<uint8_t> received;
    std::thread reader([&] { received = bytesOf(fifo); });
    OutputFile f;
    ASSERT_TRUE(f.open(fifo.string(), &why)) << why;
    ASSERT_TRUE(f.write("hello", 5, &why));
    ASSERT_TRUE(f.commit(&why)) << why;
    reader.join();
    EXPECT_EQ(received, std::vector<uint8_t>({'h', 'e', 'l', 'l', 'o'}));
    ASSERT_EQ(stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(dir.names(), std::vector<std::string>({"pipe"}));
}

TEST(RenderStats, CountsAddUpAndRunsAreCounted) {
    RenderStats s;
    const bool peaks[] = {true, true, false, true, false, false, true, true, true, false};
    for (int i = 0; i < 10; ++i) {
        FrameRecord r;
        r.peak = peaks[i];
        r.sceneSelector = static_cast<int8_t>(i % 4);
        r.colourSelector = static_cast<int8_t>(i % 5);
        r.pictureSelector = static_cast<int8_t>(i % 3);
        r.fullColourRows = r.colourSelector == 1;
        if (r.peak) {
            r.cutNumber = static_cast<int8_t>(i);
            r.mapping = kPeakColourMapping;
        } else {
            r.mapping = static_cast<int8_t>(i % 4);
            if (r.sceneSelector < 2) r.rotatingRow = static_cast<int8_t>(i % 6);
            else r.pattern = PatternKind::SpectralRamp;
        }
        countFrame(s, r);
    }
    EXPECT_EQ(s.frames, 10);
    EXPECT_EQ(s.peakFrames, 6);
    EXPECT_EQ(s.peakRuns, 3);
    auto sum = [](const auto& table) {
        int64_t t = 0;
        for (int64_t v : table) t += v;
        return t;
    };
    EXPECT_EQ(sum(s.sceneSelector), 10);
    EXPECT_EQ(sum(s.colourSelector), 10);
    EXPECT_EQ(sum(s.pictureSelector), 10);
    EXPECT_EQ(sum(s.mappings), 10);
    EXPECT_EQ(s.mappings[4], 6);
    EXPECT_EQ(sum(s.peakCuts), 6);
    EXPECT_EQ(sum(s.rotatingRows) + sum(s.patternKinds), 4);
    EXPECT_EQ(s.outputFullRows, 2);
    EXPECT_EQ(s.outOfRange, 0);

    FrameRecord odd;
    odd.peak = true;
    odd.cutNumber = 17;  // outside the table: noted, never written past it
    odd.mapping = 9;
    countFrame(s, odd);
    EXPECT_EQ(s.outOfRange, 2);

    const std::string json = renderStatsJson(s, 60);
    for (const char* key : {"\"frames\": 11", "\"peak_frames\": 7", "\"peak_runs\": 4", "\"peak_cuts\": [",
                            "\"scene_selector\": [", "\"colour_selector\": [", "\"picture_selector\": [",
                            "\"rotating_rows\": [", "\"pattern_kinds\": {\"mosaic\": 0, \"spectral_ramp\": ",
                            "\"mappings\": {\"0\": ", "\"peak\": 6", "\"output_full_rows\": 2"})
        EXPECT_NE(json.find(key), std::string::npos) << key << "\n" << json;
    EXPECT_EQ(json.find("\"look\""), std::string::npos);
    EXPECT_EQ(json.find("\"flash\""), std::string::npos);
    EXPECT_NE(json.find("\"unknown_record_values\": 2\n}"), std::string::npos);   // no comma after the last

    // Each object optional; commas only between them.
    const LookFigures look;
    const FlashFigures flash;
    const std::string both = renderStatsJson(s, 60, &look, &flash);
    EXPECT_NE(both.find("\"unknown_record_values\": 2,\n  \"look\": {"), std::string::npos) << both;
    EXPECT_NE(both.find("  },\n  \"flash\": {"), std::string::npos) << both;
    EXPECT_NE(both.find("\"verdict\": \"pass\"\n    }\n  }\n}\n"), std::string::npos) << both;
    const std::string onlyFlash = renderStatsJson(s, 60, nullptr, &flash);
    EXPECT_NE(onlyFlash.find("\"unknown_record_values\": 2,\n  \"flash\": {"), std::string::npos) << onlyFlash;
}

TEST(RenderVideo, FfmpegGetsTheRightCodecsForEachContainer) {
    VideoJob job{"x.mp4", VideoKind::Mp4, 30, "t.ogg", 90};
    auto joined = [](const std::vector<std::string>& a) {
        std::string s;
        for (const auto& w : a) s += w + " ";
        return s;
    };
    const std::string mp4 = joined(ffmpegArguments(job, "tmp.mp4", 2));
    EXPECT_NE(mp4.find("-framerate 30 -i pipe:3"), std::string::npos) << mp4;
    EXPECT_NE(mp4.find("-ac 2 -ch_layout FL+FR -i pipe:4"), std::string::npos) << mp4;
    // Every layout is named, or ffmpeg would take 5.1 in its own order for the show's.
    EXPECT_NE(joined(ffmpegArguments(job, "tmp.mp4", 6)).find("-ac 6 -ch_layout FL+FR+FC+LFE+BL+BR -i pipe:4"),
              std::string::npos);
    EXPECT_NE(joined(ffmpegArguments(job, "tmp.mp4", 1)).find("-ac 1 -ch_layout FC -i pipe:4"), std::string::npos);
    EXPECT_NE(mp4.find("-c:v libx264"), std::string::npos);
    EXPECT_NE(mp4.find("-pix_fmt yuv420p"), std::string::npos);
    EXPECT_NE(mp4.find("-c:a aac"), std::string::npos);
    // The file protocol by name: 'a:b.mp4' is no protocol, '-x.mp4' no option.
    EXPECT_EQ(ffmpegArguments(job, "a:b.mp4", 2).back(), "file:a:b.mp4");
    EXPECT_EQ(ffmpegArguments(job, "-x.mp4", 2).back(), "file:-x.mp4");
    EXPECT_NE(mp4.find("-f mp4 file:tmp.mp4"), std::string::npos);
    job.kind = VideoKind::Webm;
    const std::string webm = joined(ffmpegArguments(job, "tmp.webm", 0));
    EXPECT_NE(webm.find("-c:v libvpx-vp9"), std::string::npos);
    EXPECT_NE(webm.find("-an"), std::string::npos);  // no track, no audio input
    EXPECT_EQ(webm.find("pipe:4"), std::string::npos);
    job.kind = VideoKind::Mkv;
    EXPECT_NE(joined(ffmpegArguments(job, "tmp.mkv", 1)).find("-c:a libvorbis"), std::string::npos);
    EXPECT_EQ(audioFramesFor(90, 30), 132300);
    // What each container's audio encoder takes; anything else is mixed down to two channels.
    EXPECT_TRUE(encoderTakesChannels(VideoKind::Mp4, 8));
    EXPECT_FALSE(encoderTakesChannels(VideoKind::Mp4, 9));
    EXPECT_TRUE(encoderTakesChannels(VideoKind::Mkv, 9));
    EXPECT_FALSE(encoderTakesChannels(VideoKind::Webm, 3));
    EXPECT_TRUE(encoderTakesChannels(VideoKind::Webm, 6));
    EXPECT_FALSE(encoderTakesChannels(VideoKind::Webm, 9));
    // Enlarged by whole factors, nearest-neighbour, before the 4:2:0 conversion.
    job.scale = 2;
    const std::string scaled = joined(ffmpegArguments(job, "tmp.mkv", 1));
    EXPECT_NE(scaled.find("-vf scale=iw*2:ih*2:flags=neighbor -pix_fmt yuv420p"), std::string::npos) << scaled;
    EXPECT_EQ(findProgram("surely-no-such-program-here"), "");
    EXPECT_EQ(findProgram("sh").empty(), false);
}
