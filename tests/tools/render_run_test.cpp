// The offline renderer end to end, in process: replay against the frame
// function itself, track renders against their own traces, the analyser fed
// at the right positions, repeatability, and every kind of bad input.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "output/show_frame.h"
#include "audio/spectrum_analyser.h"
#include "audio/track_reader.h"
#include "tools/composer/vorbis_encoder.h"
#include "pictures/picture_bank.h"
#include "tools/ziv-render/frame_writers.h"
#include "tools/ziv-render/render_options.h"
#include "tools/ziv-render/render_run.h"
#include "libziv/trace_file.h"

#include "doubles/test_support.h"

namespace fs = std::filesystem;

namespace {

using ziv::test::TempDir;

std::vector<uint8_t> bytesOf(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int render(std::vector<std::string> args) {
    args.insert(args.begin(), "ziv-render");
    args.push_back("--no-progress");
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    return renderMain(static_cast<int>(argv.size()), argv.data());
}

// Renders and returns what it said on stderr.
int renderQuoting(std::vector<std::string> args, std::string* said) {
    testing::internal::CaptureStderr();
    const int status = render(std::move(args));
    *said = testing::internal::GetCapturedStderr();
    return status;
}

// A short mono track with quiet stretches, loud low bursts and a sweep, so
// frames differ and selectors and peaks have something to react to.
std::string writeTrack(const TempDir& dir, const char* name, double seconds, int channels = 1) {
    const int frames = static_cast<int>(seconds * 44100);
    std::vector<float> s(static_cast<size_t>(frames) * channels);
    uint32_t noise = 12345;
    for (int i = 0; i < frames; ++i) {
        const double t = i / 44100.0;
        const double burst = std::fmod(t, 0.4) < 0.15 ? 0.8 : 0.05;
        noise = noise * 1664525u + 1013904223u;
        const double v = burst * std::sin(2 * M_PI * 90 * t) + 0.3 * std::sin(2 * M_PI * (400 + 3000 * t) * t) +
                         0.05 * ((noise >> 9) / 8388608.0 - 1.0);
        for (int c = 0; c < channels; ++c) s[static_cast<size_t>(i) * channels + c] = static_cast<float>(0.9 * v);
    }
    const std::string path = dir / name;
    std::string why;
    EXPECT_TRUE(writeOggVorbis(path.c_str(), s.data(), frames, channels, 44100, 0.5f, &why)) << why;
    return path;
}

// Spectra that walk every selector and make peaks on some frames.
std::vector<float> variedSpectra(int records, int bands) {
    std::vector<float> s(static_cast<size_t>(records) * bands);
    uint32_t state = 99;
    for (int r = 0; r < records; ++r) {
        for (int k = 0; k < bands; ++k) {
            state = state * 1103515245u + 12345u;
            s[static_cast<size_t>(r) * bands + k] = static_cast<float>((state >> 8) % 1000) / 4000.0f;  // 0..0.25
        }
        float* f = &s[static_cast<size_t>(r) * bands];
        if (r % 3 == 0) f[1] = 0.4f;
        if (r % 7 == 2) f[1] = 0.7f;
        if (r % 4 == 1) for (int k = 0; k <= 20; ++k) f[k] = 0.5f;
        if (r % 5 == 3) f[44] = f[45] = f[46] = 0.6f;
        if (r % 6 == 4) f[14] = f[15] = f[16] = 0.5f;
        if (r % 11 == 5) f[64] = 0.9f;
        if (r % 13 == 8) f[128] = 0.8f;
        if (r % 17 == 9) f[256] = 1.0f;
    }
    return s;
}

std::string writeTraceFile(const std::string& path, int bands, const std::vector<int32_t>& times,
                           const std::vector<float>& spectra) {
    std::vector<uint8_t> b(kTraceHeaderBytes + times.size() * traceRecordBytes(bands));
    encodeTraceHeader(bands, b.data());
    for (size_t r = 0; r < times.size(); ++r)
        encodeTraceRecord(times[r], &spectra[r * bands], bands, &b[kTraceHeaderBytes + r * traceRecordBytes(bands)]);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return path;
}

}  // namespace

TEST(RenderReplay, ATraceReproducesTheFrameFunctionsOwnSurfaces) {
    TempDir dir("render-run");
    const int records = 48, bands = 300;
    const std::vector<float> spectra = variedSpectra(records, bands);
    std::vector<int32_t> times;
    for (int r = 0; r < records; ++r) times.push_back(r * 997 - 3000);  // times of its own, negative ones too
    const std::string trace = writeTraceFile(dir / "in.trace", bands, times, spectra);
    ASSERT_EQ(render({"--trace-in", trace, "--raw", dir / "out.raw"}), 0);
    const std::vector<uint8_t> raw = bytesOf(dir / "out.raw");
    ASSERT_EQ(raw.size(), records * kRawFrameBytes);

    loadPictureBank();
    resetShowState();
    std::vector<uint32_t> surface(kSurfacePixels, 0u);
    std::vector<uint8_t> expected(kRawFrameBytes);
    for (int r = 0; r < records; ++r) {
        runFrame(&spectra[static_cast<size_t>(r) * bands], times[r], surface.data());
        encodeRawFrame(surface.data(), expected.data());
        ASSERT_EQ(std::memcmp(expected.data(), &raw[r * kRawFrameBytes], kRawFrameBytes), 0) << "frame " << r;
    }
}

TEST(RenderTrack, ARenderAndTheReplayOfItsTraceAgree) {
    TempDir dir("render-run");
    const std::string track = writeTrack(dir, "t.ogg", 1.2);
    const int frames = 50;  // longer than the track: it loops
    ASSERT_EQ(render({"--track", track, "--fps", "30", "--frames", "50", "--raw", dir / "a.raw", "--trace-out",
                      dir / "a.trace", "--stats", dir / "a.json", "-o", dir / "a.y4m"}),
              0);
    ASSERT_EQ(render({"--trace-in", dir / "a.trace", "--fps", "30", "--raw", dir / "b.raw", "--trace-out",
                      dir / "b.trace", "--stats", dir / "b.json"}),
              0);
    const auto a = bytesOf(dir / "a.raw");
    ASSERT_EQ(a.size(), frames * kRawFrameBytes);
    EXPECT_TRUE(a == bytesOf(dir / "b.raw"));
    EXPECT_TRUE(bytesOf(dir / "a.trace") == bytesOf(dir / "b.trace"));
    EXPECT_TRUE(bytesOf(dir / "a.json") == bytesOf(dir / "b.json"));

    Trace t;
    std::string why;
    ASSERT_TRUE(readTraceFile(dir / "a.trace", t, &why)) << why;
    EXPECT_EQ(t.bands, kSpectrumBands);
    ASSERT_EQ(traceRecords(t), frames);
    for (int n = 0; n < frames; ++n) EXPECT_EQ(t.elapsedMs[n], n * 1000 / 30) << n;

    // y4m: one header, then exactly one FRAME per rendered frame.
    const auto y4m = bytesOf(dir / "a.y4m");
    const std::string header = y4mHeader(30);
    ASSERT_EQ(y4m.size(), header.size() + frames * kY4mFrameBytes);
    EXPECT_EQ(std::string(y4m.begin(), y4m.begin() + static_cast<long>(header.size())), header);
    for (int n = 0; n < frames; ++n)
        ASSERT_EQ(std::memcmp(&y4m[header.size() + n * kY4mFrameBytes], "FRAME\n", 6), 0) << n;
}

TEST(RenderTrack, EachFrameGetsTheSpectrumOfTheTrackHeardUpToItsPosition) {
    TempDir dir("render-run");
    const std::string track = writeTrack(dir, "t.ogg", 0.5);  // shorter than the render: it loops
    const int fps = 7, frames = 16;                            // 44100 / 7 is not whole
    ASSERT_EQ(render({"--track", track, "--fps", "7", "--frames", "16", "--trace-out", dir / "t.trace"}), 0);
    Trace t;
    std::string why;
    ASSERT_TRUE(readTraceFile(dir / "t.trace", t, &why)) << why;
    ASSERT_EQ(traceRecords(t), frames);

    // The same track read straight through, looping, and analysed hop by hop:
    // the state moves with the samples, so 7 frames a second give the spectrum
    // the show computes at any rate.
    TrackReader* reader = openTrack(track.c_str(), &why);
    ASSERT_NE(reader, nullptr) << why;
    ASSERT_EQ(trackChannels(reader), 1);
    const int64_t last = frameTrackPosition(frames - 1, fps);
    std::vector<float> heard(static_cast<size_t>(last));
    int64_t got = 0;
    while (got < last) {
        const int n = readTrack(reader, &heard[static_cast<size_t>(got)], static_cast<int>(std::min<int64_t>(last - got, 3000)));
        ASSERT_GT(n, 0);
        got += n;
    }
    closeTrack(reader);
    AnalyserState state;
    resetAnalyser(state);
    std::vector<float> window(kAnalysisWindow), spectrum(kSpectrumBands);
    auto windowBefore = [&](int64_t p) {
        for (int i = 0; i < kAnalysisWindow; ++i) {
            const int64_t at = p - kAnalysisWindow + i;
            window[i] = at < 0 ? 0.0f : heard[static_cast<size_t>(at)];
        }
        return window.data();
    };
    for (int n = 0; n < frames; ++n) {
        const int64_t p = frameTrackPosition(n, fps);
        while (state.nextHop <= p) takeInHop(state, windowBefore(state.nextHop));
        shapeSpectrum(state, windowBefore(p), p, spectrum.data());
        ASSERT_EQ(std::memcmp(spectrum.data(), traceSpectrum(t, n), kSpectrumBands * sizeof(float)), 0) << "frame " << n;
    }
}

// --start renders every frame from the beginning but writes only the later
// ones, which are the same frames a whole render writes there.
TEST(RenderTrack, AStartWritesTheTailOfTheWholeRender) {
    TempDir dir("render-run");
    const std::string track = writeTrack(dir, "t.ogg", 1.0);
    ASSERT_EQ(render({"--track", track, "--fps", "10", "--frames", "20", "--raw", dir / "whole.raw"}), 0);
    ASSERT_EQ(render({"--track", track, "--fps", "10", "--start", "1.05", "--frames", "8", "--raw", dir / "tail.raw",
                      "--trace-out", dir / "tail.trace", "--png-dir", dir / "png"}),
              0);
    const auto whole = bytesOf(dir / "whole.raw");
    const auto tail = bytesOf(dir / "tail.raw");
    ASSERT_EQ(tail.size(), 8 * kRawFrameBytes);
    // 1.05 s at 10 fps: the first frame at or after it is frame 11.
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), whole.begin() + 11 * static_cast<long>(kRawFrameBytes)));
    Trace t;
    std::string why;
    ASSERT_TRUE(readTraceFile(dir / "tail.trace", t, &why)) << why;
    ASSERT_EQ(traceRecords(t), 8);
    EXPECT_EQ(t.elapsedMs[0], 1100);
    EXPECT_TRUE(fs::exists(dir / "png/frame-000000.png"));
    EXPECT_TRUE(fs::exists(dir / "png/frame-000007.png"));
    EXPECT_FALSE(fs::exists(dir / "png/frame-000008.png"));

    std::string said;   // a start past the end is a bad command line
    EXPECT_EQ(renderQuoting({"--trace-in", dir / "tail.trace", "--start", "1", "--raw", dir / "no.raw"}, &said), 2);
    EXPECT_NE(said.find("--start"), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(dir / "no.raw"));
}

TEST(RenderTrack, SameInputsGiveTheSameBytes) {
    TempDir dir("render-run");
    const std::string track = writeTrack(dir, "t.ogg", 0.6, 2);
    for (const char* run : {"1", "2"}) {
        const std::string d = dir / run;
        fs::create_directory(d);
        ASSERT_EQ(render({"--track", track, "--frames", "12", "--raw", d + "/r.raw", "-o", d + "/v.y4m", "--png-dir",
                          d + "/png", "--trace-out", d + "/t.trace", "--stats", d + "/s.json"}),
                  0);
    }
    for (const char* f : {"r.raw", "v.y4m", "t.trace", "s.json", "png/frame-000000.png", "png/frame-000011.png"})
        EXPECT_TRUE(bytesOf(dir / "1" + "/" + f) == bytesOf(dir / "2" + "/" + f)) << f;
    EXPECT_FALSE(fs::exists(dir / "1" + "/png/frame-000012.png"));
}

TEST(RenderStatsOutput, CountsAddUpToTheFrames) {
    TempDir dir("render-run");
    const int records = 60, bands = 512;
    const std::vector<float> spectra = variedSpectra(records, bands);
    std::vector<int32_t> times;
    for (int r = 0; r < records; ++r) times.push_back(r * 16);
    const std::string trace = writeTraceFile(dir / "in.trace", bands, times, spectra);
    ASSERT_EQ(render({"--trace-in", trace, "--stats", dir / "s.json"}), 0);
    const auto bytes = bytesOf(dir / "s.json");
    const std::string json(bytes.begin(), bytes.end());

    auto numbersOf = [&](const std::string& key) {
        std::vector<long> v;
        size_t at = json.find("\"" + key + "\":");
        EXPECT_NE(at, std::string::npos) << key;
        if (at == std::string::npos) return v;
        at += key.size() + 3;
        const size_t end = json.find_first_of("]}\n", at + 1);
        std::string part = json.substr(at, end - at);
        for (size_t i = 0; i < part.size();) {
            if (std::isdigit(static_cast<unsigned char>(part[i])) && (i == 0 || part[i - 1] != '"')) {
                size_t used;
                v.push_back(std::stol(part.substr(i), &used));
                i += used;
            } else {
                ++i;
            }
        }
        return v;
    };
    auto sum = [](const std::vector<long>& v) {
        long s = 0;
        for (long x : v) s += x;
        return s;
    };
    EXPECT_EQ(numbersOf("frames"), std::vector<long>{records});
    const long peaks = numbersOf("peak_frames").at(0);
    EXPECT_EQ(sum(numbersOf("scene_selector")), records);
    EXPECT_EQ(sum(numbersOf("colour_selector")), records);
    EXPECT_EQ(sum(numbersOf("picture_selector")), records);
    EXPECT_EQ(sum(numbersOf("mappings")), records);
    EXPECT_EQ(sum(numbersOf("peak_cuts")), peaks);
    EXPECT_EQ(sum(numbersOf("rotating_rows")) + sum(numbersOf("pattern_kinds")), records - peaks);
    EXPECT_LE(numbersOf("peak_runs").at(0), peaks);
    EXPECT_EQ(numbersOf("unknown_record_values"), std::vector<long>{0});
    // The flash test saw every frame too, after the look.
    const size_t look = json.find("\"look\": {"), flash = json.find("\"flash\": {");
    ASSERT_NE(flash, std::string::npos);
    EXPECT_LT(look, flash);
    EXPECT_NE(json.find("\"frames\": " + std::to_string(records) + ",", flash), std::string::npos);
    EXPECT_NE(json.find("\"worst_tile\": {", flash), std::string::npos);
    EXPECT_NE(json.find("\"verdict\": \"", flash), std::string::npos);
}

TEST(RenderBadInput, BadCommandLinesExitWith2AndWriteNothing) {
    TempDir dir("render-run");
    std::string said;
    EXPECT_EQ(renderQuoting({"--fps", "0", "--raw", dir / "r.raw"}, &said), 2);
    EXPECT_NE(said.find("usage: ziv-render"), std::string::npos) << said;
    EXPECT_EQ(renderQuoting({"--wat"}, &said), 2);
    EXPECT_NE(said.find("unknown option '--wat'"), std::string::npos) << said;
    EXPECT_TRUE(dir.names().empty());
}

TEST(RenderBadInput, BadTracksAndTracesExitWith1BeforeAnyOutput) {
    TempDir dir("render-run");
    const std::string notOgg = dir / "not.ogg";
    std::ofstream(notOgg) << "this is not an ogg vorbis file at all, just text";
    const std::vector<float> spectra = variedSpectra(3, 257);
    const std::string good = writeTraceFile(dir / "good.trace", 257, {0, 16, 33}, spectra);
    const auto goodBytes = bytesOf(good);
    auto variant = [&](const char* name, std::vector<uint8_t> b) {
        const std::string p = dir / name;
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
        return p;
    };
    std::vector<uint8_t> b = goodBytes;
    b[3] = 'X';
    const std::string magic = variant("magic.trace", b);
    b = goodBytes;
    b[8] = 9;
    const std::string version = variant("version.trace", b);
    b = goodBytes;
    b[12] = 0;  // 256 bands
    const std::string bandCount = variant("bands.trace", b);
    b = goodBytes;
    b.pop_back();
    const std::string size = variant("size.trace", b);
    std::vector<float> bad = spectra;
    bad[300] = NAN;
    const std::string nan = writeTraceFile(dir / "nan.trace", 257, {0, 16, 33}, bad);
    bad[300] = 9.5f;
    const std::string big = writeTraceFile(dir / "big.trace", 257, {0, 16, 33}, bad);
    const std::string empty = writeTraceFile(dir / "empty.trace", 257, {}, {});
    const auto inputs = dir.names();

    const std::string out = dir / "out";
    const std::vector<std::string> outputs = {"--raw", out + ".raw", "-o", out + ".y4m", "--stats", out + ".json",
                                              "--trace-out", out + ".trace", "--png-dir", out + "-png"};
    struct Case {
        std::vector<std::string> args;
        std::string expected;
    };
    const std::vector<Case> cases = {
        // A track's error keeps its reason.
        {{"--track", dir / "missing.ogg"}, "ziv-render: track '" + dir / "missing.ogg" + "': does not exist\n"},
        {{"--track", notOgg}, "ziv-render: track '" + notOgg + "': is not an audio file\n"},
        {{"--track", dir.path.string()}, "ziv-render: track '" + dir.path.string() + "': is a folder, not a file\n"},
        {{"--trace-in", magic}, "ziv-render: trace '" + magic + "': "},
        {{"--trace-in", version}, "ziv-render: trace '" + version + "': "},
        {{"--trace-in", bandCount}, "ziv-render: trace '" + bandCount + "': "},
        {{"--trace-in", size}, "ziv-render: trace '" + size + "': "},
        {{"--trace-in", nan}, "ziv-render: trace '" + nan + "': "},
        {{"--trace-in", big}, "ziv-render: trace '" + big + "': "},
        {{"--trace-in", empty}, "ziv-render: trace '" + empty + "': "},
        {{"--trace-in", good, "--frames", "4"}, "ziv-render: trace '" + good + "': "},
        {{"--trace-in", good, "--track", notOgg}, "ziv-render: track '" + notOgg + "': "},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), outputs.begin(), outputs.end());
        std::string said;
        EXPECT_EQ(renderQuoting(args, &said), 1) << c.expected;
        EXPECT_EQ(said.rfind(c.expected, 0), 0u) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_EQ(dir.names(), inputs) << c.expected;  // nothing written
    }

    // Without --track the show's own track is looked for in the working directory.
    const fs::path before = fs::current_path();
    fs::current_path(dir.path);
    std::string said;
    const int status = renderQuoting({"--raw", "x.raw"}, &said);
    fs::current_path(before);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(said.rfind("ziv-render: track 'DuskPulse.ogg': ", 0), 0u) << said;
}

TEST(RenderBadInput, AnOutputThatFailsLeavesNoOutputBehind) {
    TempDir dir("render-run");
    const std::vector<float> spectra = variedSpectra(4, 257);
    const std::string trace = writeTraceFile(dir / "in.trace", 257, {0, 16, 33, 50}, spectra);
    std::string said;
    // The folder is missing: refused before the first frame, and the other outputs are withdrawn.
    EXPECT_EQ(renderQuoting({"--trace-in", trace, "--raw", dir / "r.raw", "--stats", dir / "nowhere/s.json"}, &said), 1);
    EXPECT_EQ(said.rfind("ziv-render: output '" + dir / "nowhere/s.json" + "': ", 0), 0u) << said;
    EXPECT_EQ(dir.names(), std::vector<std::string>{"in.trace"});
    // A folder where a file should go.
    fs::create_directory(dir / "taken.raw");
    EXPECT_EQ(renderQuoting({"--trace-in", trace, "--raw", dir / "taken.raw", "-o", dir / "v.y4m"}, &said), 1);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"in.trace", "taken.raw"}));
    // A device that fills up during the render: the y4m written beside is withdrawn too.
    if (fs::exists("/dev/full")) {
        EXPECT_EQ(renderQuoting({"--trace-in", trace, "--raw", "/dev/full", "-o", dir / "v.y4m"}, &said), 1);
        EXPECT_EQ(said.rfind("ziv-render: output '/dev/full': ", 0), 0u) << said;
        EXPECT_EQ(dir.names(), (std::vector<std::string>{"in.trace", "taken.raw"}));
    }
    // An earlier file under the name survives a failed render untouched.
    std::ofstream(dir / "keep.y4m") << "precious";
    if (fs::exists("/dev/full")) {
        EXPECT_EQ(renderQuoting({"--trace-in", trace, "--raw", "/dev/full", "-o", dir / "keep.y4m"}, &said), 1);
        const auto kept = bytesOf(dir / "keep.y4m");
        EXPECT_EQ(std::string(kept.begin(), kept.end()), "precious");
    }
}

TEST(RenderBadInput, AMissingFfmpegIsReportedBeforeAnyOutput) {
    TempDir dir("render-run");
    const std::vector<float> spectra = variedSpectra(2, 257);
    const std::string trace = writeTraceFile(dir / "in.trace", 257, {0, 16}, spectra);
    const char* oldPath = std::getenv("PATH");
    const std::string saved = oldPath ? oldPath : "";
    setenv("PATH", dir.path.c_str(), 1);
    std::string said;
    const int status = renderQuoting({"--trace-in", trace, "-o", dir / "v.mp4", "--raw", dir / "r.raw"}, &said);
    setenv("PATH", saved.c_str(), 1);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(said.rfind("ziv-render: video '" + dir / "v.mp4" + "': the ffmpeg program is not on the PATH", 0), 0u) << said;
    EXPECT_EQ(dir.names(), std::vector<std::string>{"in.trace"});
}

namespace {

std::string hlsListing(const std::string& entry) {
    return "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1.0,\n" + entry + "\n#EXT-X-ENDLIST\n";
}

// A playlist as the track cannot read another file into the render, nor make
// its output overwrite a file the playlist names.
TEST(RenderUntrustedMedia, APlaylistAsTheTrackIsRefusedAndTouchesNothing) {
    TempDir dir("render-playlist");
    const std::string music = writeTrack(dir, "music.ts", 0.5);   // what a user keeps under that name
    const auto musicBytes = bytesOf(music);
    const std::string list = dir / "list.m3u8";
    std::ofstream(list) << hlsListing(music);
    std::string said;
    EXPECT_EQ(renderQuoting({"--track", list, "--seconds", "1", "--raw", music}, &said), 1);
    EXPECT_EQ(said, "ziv-render: track '" + list + "': is a playlist, not an audio file\n");
    EXPECT_EQ(bytesOf(music), musicBytes) << "the music the playlist names was overwritten";

    const std::string holiday = dir / "holiday.mp3";
    std::ofstream(holiday) << hlsListing(music);
    EXPECT_EQ(renderQuoting({"--track", holiday, "--seconds", "1", "--raw", dir / "leak.raw"}, &said), 1);
    EXPECT_EQ(said, "ziv-render: track '" + holiday + "': is a playlist, not an audio file\n");
    EXPECT_FALSE(fs::exists(dir / "leak.raw"));
}

// Escape sequences and line breaks in a name reach the terminal as text, on one line.
TEST(RenderUntrustedMedia, NamesAreEscapedInMessages) {
    TempDir dir("render-names");
    const std::string sneaky = dir / "bad\x1b]0;PWNED\a.mp3";
    const std::string broken = dir / "two\nlines\r.ogg";
    std::string said;
    EXPECT_EQ(renderQuoting({"--track", sneaky, "--raw", dir / "x.raw"}, &said), 1);
    EXPECT_EQ(said, "ziv-render: track '" + dir / "bad\\e]0;PWNED\\x07.mp3" + "': does not exist\n");
    EXPECT_EQ(renderQuoting({"--track", broken, "--raw", dir / "x.raw"}, &said), 1);
    EXPECT_EQ(said, "ziv-render: track '" + dir / "two\\nlines\\r.ogg" + "': does not exist\n");
    EXPECT_EQ(renderQuoting({"--fps", "\x1b[2J"}, &said), 2);
    EXPECT_EQ(said.rfind("ziv-render: --fps '\\e[2J': ", 0), 0u) << said;
}

// Frames and traces are binary: a terminal is refused under any name, not only '-'.
TEST(RenderUntrustedMedia, BinaryOutputToAnyTerminalIsRefused) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) GTEST_SKIP() << "no terminal to test with";
    const std::string terminal = ::ptsname(master);
    TempDir dir("render-tty");
    const std::string track = writeTrack(dir, "t.ogg", 0.5);
    std::string said;
    for (const char* option : {"--raw", "--trace-out"}) {
        EXPECT_EQ(renderQuoting({"--track", track, "--frames", "2", option, terminal}, &said), 1) << option;
        EXPECT_EQ(said, "ziv-render: output '" + terminal +
                            "': is a terminal; binary frames and traces go to a file or a pipe\n") << option;
    }
    // Nothing reached the terminal.
    char buffer[64];
    const int flags = ::fcntl(master, F_GETFL);
    ::fcntl(master, F_SETFL, flags | O_NONBLOCK);
    EXPECT_LE(::read(master, buffer, sizeof buffer), 0);
    ::close(master);
}

}  // namespace
