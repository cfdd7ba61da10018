// ziv-render and the files it touches: no output may reach an input or
// another output, all outputs appear together or not at all, a replaced file
// keeps what it was, and a stop ends even a render blocked on a FIFO.
// Video cases run a stand-in ffmpeg (a shell script first on the PATH) whose
// behaviour each test chooses.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tools/composer/vorbis_encoder.h"
#include "tools/ziv-render/file_roles.h"
#include "tools/ziv-render/render_constants.h"
#include "tools/ziv-render/render_run.h"
#include "tools/ziv-render/stop_request.h"
#include "libziv/trace_file.h"

#include "doubles/test_support.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using ziv::test::TempDir;

std::string textOf(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeText(const std::string& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

int render(std::vector<std::string> args, std::string* said = nullptr) {
    args.insert(args.begin(), "ziv-render");
    args.push_back("--no-progress");
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    testing::internal::CaptureStderr();
    const int status = renderMain(static_cast<int>(argv.size()), argv.data());
    const std::string text = testing::internal::GetCapturedStderr();
    if (said) *said = text;
    return status;
}

std::string writeTrack(const TempDir& dir, const std::string& name, int channels = 1, double seconds = 0.3) {
    const int frames = static_cast<int>(seconds * 44100);
    std::vector<float> s(static_cast<size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            s[static_cast<size_t>(i) * channels + c] = static_cast<float>(0.5 * std::sin(0.05 * i * (c + 1)));
    const std::string path = dir / name;
    std::string why;
    EXPECT_TRUE(writeOggVorbis(path.c_str(), s.data(), frames, channels, 44100, 0.3f, &why)) << why;
    return path;
}

// A trace of `records` frames; entry 5 of record `badRecord` lies out of range.
std::string traceBytes(int records, int badRecord = -1) {
    const int bands = 257;
    std::string b(kTraceHeaderBytes + records * traceRecordBytes(bands), '\0');
    encodeTraceHeader(bands, reinterpret_cast<uint8_t*>(b.data()));
    std::vector<float> spectrum(bands, 0.25f);
    for (int r = 0; r < records; ++r) {
        spectrum[5] = r == badRecord ? 9.0f : 0.25f;
        spectrum[1] = r % 3 == 0 ? 0.7f : 0.1f;
        encodeTraceRecord(r * 16, spectrum.data(), bands,
                          reinterpret_cast<uint8_t*>(&b[kTraceHeaderBytes + r * traceRecordBytes(bands)]));
    }
    return b;
}

std::string writeTrace(const TempDir& dir, const std::string& name, int records, int badRecord = -1) {
    writeText(dir / name, traceBytes(records, badRecord));
    return dir / name;
}

// A stand-in for ffmpeg: drains its frame and audio pipes (unless told not
// to), then runs `ending` with $out set to the file it was asked to write
// (the file: prefix removed).
class FakeFfmpeg {
public:
    FakeFfmpeg(const TempDir& dir, const std::string& ending, bool drain = true) : bin_(dir / "bin") {
        fs::create_directory(bin_);
        const std::string script = bin_ + "/ffmpeg";
        writeText(script, "#!/bin/sh\n"
                          "for a in \"$@\"; do last=\"$a\"; done\n"
                          "out=\"${last#file:}\"\n"
                          "echo \"$@\" >> \"" + bin_ + "/args\"\n"
                          + std::string(drain ? "cat <&3 >/dev/null\ncase \"$*\" in *pipe:4*) cat <&4 >/dev/null;; esac\n" : "") +
                              ending + "\n");
        chmod(script.c_str(), 0755);
        const char* old = std::getenv("PATH");
        saved_ = old ? old : "";
        setenv("PATH", (bin_ + ":" + saved_).c_str(), 1);
    }
    ~FakeFfmpeg() { setenv("PATH", saved_.c_str(), 1); }
    std::string args() const { return textOf(bin_ + "/args"); }
    const std::string& bin() const { return bin_; }

private:
    std::string bin_, saved_;
};

bool isRunning(pid_t pid) { return kill(pid, 0) == 0; }

// Runs a render in a child process with the real signal handlers, sends it
// SIGINT once `ready` holds (or after 300 ms), and returns its exit status
// and how long it took to end after the signal; -1 when it did not end within 5 s.
struct Stopped {
    int status = -1;
    double seconds = 0;
};
Stopped renderAndInterrupt(std::vector<std::string> args, const std::function<bool()>& ready = {}) {
    args.insert(args.begin(), "ziv-render");
    args.push_back("--no-progress");
    const pid_t child = fork();
    if (child == 0) {
        std::vector<const char*> argv;
        for (const auto& a : args) argv.push_back(a.c_str());
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, STDERR_FILENO);
        installStopSignals();
        _exit(renderMain(static_cast<int>(argv.size()), argv.data()));
    }
    const auto begun = std::chrono::steady_clock::now();
    while (ready ? !ready() : std::chrono::steady_clock::now() - begun < 300ms) {
        if (std::chrono::steady_clock::now() - begun > 10s) break;
        std::this_thread::sleep_for(10ms);
    }
    kill(child, SIGINT);
    const auto signalled = std::chrono::steady_clock::now();
    Stopped result;
    int status = 0;
    while (std::chrono::steady_clock::now() - signalled < 5s) {
        if (waitpid(child, &status, WNOHANG) == child) {
            result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - signalled).count();
            return result;
        }
        std::this_thread::sleep_for(5ms);
    }
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return result;
}

}  // namespace

TEST(RenderFileRoles, AnOutputThatReachesAnInputOrAnotherOutputIsRefusedBeforeAnything) {
    TempDir dir("render-files");
    const std::string track = writeTrack(dir, "t.ogg");
    const std::string trace = writeTrace(dir, "in.trace", 4);
    writeText(dir / "a.raw", "earlier");
    fs::create_hard_link(track, dir / "hard.ogg");
    fs::create_symlink("a.raw", dir / "link.raw");
    fs::create_symlink("missing.raw", dir / "dangling.raw");
    const std::string relativeDir = fs::relative(dir.path, fs::current_path()).string();
    const std::vector<std::vector<std::string>> cases = {
        {"--track", track, "--stats", track, "--frames", "5"},                 // replaced the music with JSON
        {"--trace-in", trace, "--trace-out", trace},                           // truncated the trace being read
        {"--track", track, "--frames", "2", "--raw", dir / "a.raw", "--stats", dir / "./a.raw"},
        {"--track", track, "--frames", "2", "--raw", dir / "a.raw", "--stats", relativeDir + "/a.raw"},
        {"--track", track, "--frames", "2", "--raw", dir / "hard.ogg"},        // a hard link to the track
        {"--track", track, "--frames", "2", "--raw", dir / "a.raw", "-o", dir / "link.raw.y4m", "--stats", dir / "link.raw"},
        {"--track", track, "--frames", "2", "--raw", dir / "missing.raw", "--stats", dir / "dangling.raw"},
        {"--track", track, "--frames", "2", "--png-dir", dir / "x", "--raw", dir / "x"},
        {"--track", track, "--frames", "2", "--png-dir", dir / "x", "--raw", dir / "x/r.raw"},
        {"--track", dir / "x/t.ogg", "--frames", "2", "--png-dir", dir / "x"},
        {"--trace-in", trace, "-o", dir / "v.y4m", "-o", dir / "./v.y4m"},
    };
    const auto before = dir.names();
    const std::string trackBytes = textOf(track), traceBytesBefore = textOf(trace);
    for (const auto& c : cases) {
        std::string said;
        EXPECT_EQ(render(c, &said), 2) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_NE(said.find("is the same file as") + said.find("lies inside"), 2 * std::string::npos) << said;
        EXPECT_EQ(dir.names(), before) << said;
    }
    EXPECT_EQ(textOf(track), trackBytes);
    EXPECT_EQ(textOf(trace), traceBytesBefore);
    EXPECT_EQ(textOf(dir / "a.raw"), "earlier");

    // The show's own track, looked for in the working directory, is an input too.
    const fs::path cwd = fs::current_path();
    fs::current_path(dir.path);
    std::string said;
    const int status = render({"--stats", "DuskPulse.ogg", "--frames", "2"}, &said);
    fs::current_path(cwd);
    EXPECT_EQ(status, 2) << said;
    EXPECT_FALSE(fs::exists(dir / "DuskPulse.ogg"));

    // Sinks may be named twice, and one file may be read twice.
    EXPECT_EQ(render({"--trace-in", trace, "--raw", "/dev/null", "--trace-out", "/dev/null"}), 0);
    EXPECT_TRUE(sameFile(dir / "a.raw", dir / "link.raw"));
    EXPECT_TRUE(sameFile(dir / "dangling.raw", dir / "missing.raw"));
    EXPECT_FALSE(sameFile(dir / "a.raw", dir / "b.raw"));
}

TEST(RenderCommit, AFailedOrStoppedRenderKeepsNoOutputAtAll) {
    TempDir dir("render-files");
    const std::string trace = writeTrace(dir, "in.trace", 6);
    fs::create_directory(dir / "sub");
    // ffmpeg fails for the video in sub/ only, as on a full disk, after everything else is complete.
    FakeFfmpeg ffmpeg(dir, "case \"$out\" in */sub/*) exit 1;; esac; echo video > \"$out\"");
    std::string said;
    EXPECT_EQ(render({"--trace-in", trace, "-o", dir / "ok.mp4", "-o", dir / "sub/v.mp4", "-o", dir / "v.y4m",
                      "--raw", dir / "r.raw", "--png-dir", dir / "png", "--stats", dir / "s.json"},
                     &said),
              1);
    EXPECT_EQ(said.rfind("ziv-render: video '" + dir / "sub/v.mp4" + "': ffmpeg failed", 0), 0u) << said;
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"bin", "in.trace", "sub"}));
    EXPECT_TRUE(dir.names("sub").empty());

    // A bad record halfway: the frames before it are not kept either.
    const std::string bad = writeTrace(dir, "bad.trace", 6, 3);
    EXPECT_EQ(render({"--trace-in", bad, "--png-dir", dir / "png", "--raw", dir / "r.raw"}, &said), 1);
    EXPECT_EQ(said.rfind("ziv-render: trace '" + bad + "': record 3 entry 5", 0), 0u) << said;
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"bad.trace", "bin", "in.trace", "sub"}));

    // A stop while ffmpeg is finishing: nothing is kept, and the status says so.
    FakeFfmpeg slow(dir, "touch \"" + dir / "finishing" + "\"; sleep 1; echo video > \"$out\"");
    std::thread stopper([&] {
        for (int i = 0; i < 500 && !fs::exists(dir / "finishing"); ++i) std::this_thread::sleep_for(10ms);
        requestRenderStop();
    });
    const int status = render({"--trace-in", trace, "-o", dir / "late.mp4", "--raw", dir / "late.raw"}, &said);
    stopper.join();
    EXPECT_EQ(status, 130) << said;
    EXPECT_FALSE(fs::exists(dir / "late.mp4"));
    EXPECT_FALSE(fs::exists(dir / "late.raw"));
}

TEST(RenderCommit, PngFramesReplaceTheFolderAsAWhole) {
    TempDir dir("render-files");
    const std::string longer = writeTrace(dir, "long.trace", 5);
    const std::string shorter = writeTrace(dir, "short.trace", 2);
    ASSERT_EQ(render({"--trace-in", longer, "--png-dir", dir / "png"}), 0);
    EXPECT_EQ(dir.names("png").size(), 5u);
    ASSERT_EQ(render({"--trace-in", shorter, "--png-dir", dir / "png"}), 0);
    EXPECT_EQ(dir.names("png"), (std::vector<std::string>{"frame-000000.png", "frame-000001.png"}));
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"long.trace", "png", "short.trace"}));

    // A folder with anything but frames in it is never replaced.
    writeText(dir / "png/notes.txt", "mine");
    std::string said;
    EXPECT_EQ(render({"--trace-in", longer, "--png-dir", dir / "png"}, &said), 1);
    EXPECT_NE(said.find("holds 'notes.txt'"), std::string::npos) << said;
    EXPECT_EQ(dir.names("png").size(), 3u);
    EXPECT_EQ(textOf(dir / "png/notes.txt"), "mine");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"long.trace", "png", "short.trace"}));
}

TEST(RenderCommit, AReplacedFileKeepsItsModeAndLinksAreFollowed) {
    TempDir dir("render-files");
    const std::string trace = writeTrace(dir, "in.trace", 2);
    writeText(dir / "s.json", "old");
    chmod((dir / "s.json").c_str(), 0640);
    ASSERT_EQ(render({"--trace-in", trace, "--stats", dir / "s.json"}), 0);
    struct stat st;
    ASSERT_EQ(stat((dir / "s.json").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_NE(textOf(dir / "s.json"), "old");

    // A dangling link: the file it names is created and the link stays, as with a shell's '>'.
    fs::create_symlink("made.json", dir / "link.json");
    ASSERT_EQ(render({"--trace-in", trace, "--stats", dir / "link.json"}), 0);
    EXPECT_TRUE(fs::is_symlink(dir / "link.json"));
    EXPECT_EQ(textOf(dir / "made.json"), textOf(dir / "s.json"));

    // A name near the file system's 255-byte limit still has room for its temporary beside it.
    const std::string longName = std::string(246, 'n') + ".json";
    ASSERT_EQ(render({"--trace-in", trace, "--stats", dir / longName}), 0);
    EXPECT_TRUE(fs::exists(dir / longName));

    // A file the user could not write is refused, not renamed over (root may write anything).
    if (geteuid() != 0) {
        writeText(dir / "ro.json", "read-only");
        chmod((dir / "ro.json").c_str(), 0444);
        std::string said;
        EXPECT_EQ(render({"--trace-in", trace, "--stats", dir / "ro.json"}, &said), 1);
        EXPECT_NE(said.find("cannot be replaced"), std::string::npos) << said;
        EXPECT_EQ(textOf(dir / "ro.json"), "read-only");
    }
}

TEST(RenderStop, ASignalEndsARenderBlockedOnAFifoWithinASecond) {
    TempDir dir("render-files");
    const std::string track = writeTrack(dir, "t.ogg");
    ASSERT_EQ(mkfifo((dir / "in.fifo").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((dir / "out.fifo").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((dir / "v.mp4").c_str(), 0600), 0);
    struct Case {
        const char* what;
        std::vector<std::string> args;
    };
    // ffmpeg blocks as the real one does opening a FIFO nobody reads, and ignores SIGTERM.
    FakeFfmpeg ffmpeg(dir, "trap '' TERM; echo $$ > \"" + dir / "ffmpeg.pid" + "\"; while :; do sleep 1; done", false);
    const std::vector<Case> cases = {
        {"trace FIFO nobody writes", {"--trace-in", dir / "in.fifo", "--raw", dir / "r.raw"}},
        {"raw FIFO nobody reads", {"--track", track, "--frames", "50", "--raw", dir / "out.fifo", "-o", dir / "v.y4m"}},
        {"video into a FIFO nobody reads", {"--track", track, "--frames", "600", "-o", dir / "v.mp4"}},
    };
    for (const Case& c : cases) {
        const Stopped s = renderAndInterrupt(c.args);
        EXPECT_EQ(s.status, 130) << c.what;
        EXPECT_LT(s.seconds, 1.0) << c.what;
    }
    // A reader that opened the FIFO but never reads: the frame writer thread blocks in a write, and
    // the render thread waits for a free slot. The stop must reach both.
    const int idleReader = open((dir / "out.fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(idleReader, 0);
    const Stopped blocked = renderAndInterrupt({"--track", track, "--frames", "600", "--raw", dir / "out.fifo"});
    close(idleReader);
    EXPECT_EQ(blocked.status, 130) << "raw FIFO whose reader never reads";
    EXPECT_LT(blocked.seconds, 1.0) << "raw FIFO whose reader never reads";
    std::ifstream pidFile(dir / "ffmpeg.pid");
    pid_t ffmpegPid = 0;
    if (pidFile >> ffmpegPid) {
        EXPECT_FALSE(isRunning(ffmpegPid)) << "ffmpeg was left running";
    }
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"bin", "ffmpeg.pid", "in.fifo", "out.fifo", "t.ogg", "v.mp4"}));
}

TEST(RenderStop, BinaryIsNeverWrittenToATerminal) {
    TempDir dir("render-files");
    const std::string trace = writeTrace(dir, "in.trace", 2);
    int master = -1;
    const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        const char* argv[] = {"ziv-render", "--trace-in", trace.c_str(), "--raw", "-", "--no-progress"};
        _exit(renderMain(6, argv));
    }
    std::string seen;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0) break;
        seen.append(buffer, static_cast<size_t>(n));
    }
    int status = 0;
    waitpid(child, &status, 0);
    close(master);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_NE(seen.find("standard output is a terminal"), std::string::npos) << seen.size();
    EXPECT_LT(seen.size(), 200u);
}

TEST(RenderTraceStream, ATraceFromAPipeIsReadRecordByRecord) {
    TempDir dir("render-files");
    ASSERT_EQ(mkfifo((dir / "in.fifo").c_str(), 0600), 0);
    const std::string bytes = traceBytes(7);
    writeText(dir / "in.trace", bytes);
    std::thread writer([&] { writeText(dir / "in.fifo", bytes); });
    ASSERT_EQ(render({"--trace-in", dir / "in.fifo", "--raw", dir / "pipe.raw"}), 0);
    writer.join();
    ASSERT_EQ(render({"--trace-in", dir / "in.trace", "--raw", dir / "file.raw"}), 0);
    EXPECT_EQ(fs::file_size(dir / "pipe.raw"), 7u * 640 * 480 * 4);
    EXPECT_TRUE(textOf(dir / "pipe.raw") == textOf(dir / "file.raw"));

    // Cut inside a record, from a pipe: refused, and nothing kept.
    std::thread cut([&] { writeText(dir / "in.fifo", bytes.substr(0, bytes.size() - 3)); });
    std::string said;
    EXPECT_EQ(render({"--trace-in", dir / "in.fifo", "--raw", dir / "cut.raw"}, &said), 1);
    cut.join();
    EXPECT_NE(said.find("ends inside record 6"), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(dir / "cut.raw"));
    // An endless device is refused at its header, without reading on.
    EXPECT_EQ(render({"--trace-in", "/dev/zero", "--raw", "/dev/null"}, &said), 1);
    EXPECT_NE(said.find("not a trace"), std::string::npos) << said;
}

TEST(RenderVideoAudio, TracksWithMoreChannelsThanTheEncoderTakesAreMixedDown) {
    TempDir dir("render-files");
    const std::string track = writeTrack(dir, "nine.ogg", 9);
    FakeFfmpeg ffmpeg(dir, "echo video > \"$out\"");
    std::string said;
    ASSERT_EQ(render({"--track", track, "--frames", "3", "-o", dir / "v.webm", "-o", dir / "v.mkv"}, &said), 0) << said;
    EXPECT_EQ(said, "ziv-render: video '" + dir / "v.webm" +
                        "': the track's 9 channels are mixed down to 2 (Opus in webm takes 1, 2 or 5 to 8)\n");
    const std::string args = ffmpeg.args();
    EXPECT_NE(args.find("-ac 2 -ch_layout FL+FR -i pipe:4"), std::string::npos) << args;  // webm
    EXPECT_NE(args.find("-ac 9 -i pipe:4"), std::string::npos) << args;  // mkv takes nine, in no usual layout
}
