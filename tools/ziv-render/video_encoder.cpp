#include "tools/ziv-render/video_encoder.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "audio/channel_mix.h"
#include "audio/track_reader.h"
#include "output/printable_name.h"
#include "tools/ziv-render/frame_writers.h"
#include "tools/ziv-render/render_constants.h"
#include "tools/ziv-render/stop_request.h"
#include "tools/ziv-render/video_containers.h"

extern char** environ;

namespace {

constexpr int kVideoChildFd = 3;
constexpr int kAudioChildFd = 4;
constexpr int kAudioChunkFrames = 4096;
// How long a stopped ffmpeg gets to end on SIGTERM before SIGKILL.
constexpr int kTermGraceMs = 300;

// Streams the track's audio for the rendered span into fd, then closes it, in
// the order of the layout ffmpeg is told (the mask's); with fewer channels out
// than in (the encoder's limit), mixed down to stereo.
void pumpAudio(TrackReader* reader, int channels, int outChannels, int64_t skip, int64_t total, int fd, std::atomic<bool>* stop,
               std::atomic<bool>* failed) {
    blockStopSignalsInThisThread();
    std::vector<float> chunk(static_cast<size_t>(kAudioChunkFrames) * static_cast<size_t>(channels));
    std::vector<float> out(static_cast<size_t>(kAudioChunkFrames) * static_cast<size_t>(std::max(channels, outChannels)));
    for (int64_t skipped = 0; skipped < skip && !stop->load();) {
        const int got = readTrack(reader, chunk.data(), static_cast<int>(std::min<int64_t>(skip - skipped, kAudioChunkFrames)));
        if (got <= 0) break;
        skipped += got;
    }
    int64_t done = 0;
    while (done < total && !stop->load()) {
        const int want = static_cast<int>(std::min<int64_t>(total - done, kAudioChunkFrames));
        int got = readTrack(reader, chunk.data(), want);
        if (got <= 0) {  // a track without audio: silence for the rest
            std::fill(chunk.begin(), chunk.end(), 0.0f);
            got = want;
        }
        if (outChannels != channels)
            downmixToStereo(chunk.data(), channels, got, out.data());
        else
            toMaskOrder(chunk.data(), channels, got, out.data());
        if (!writeAll(fd, out.data(), static_cast<size_t>(got) * static_cast<size_t>(outChannels) * sizeof(float), nullptr)) {
            failed->store(true);
            break;
        }
        done += got;
    }
    close(fd);
    closeTrack(reader);
}

// Starts the encoder in a process group of its own (Ctrl-C reaches only ziv-render, which
// then stops ffmpeg and removes its file), tied to this process's life: if ziv-render dies
// without stopping it (SIGKILL, a crash), the kernel kills ffmpeg too instead of leaving it
// encoding into a file nobody will publish. Between fork and exec only async-signal-safe
// calls, since other threads may hold locks. Returns 0 or an errno value.
int spawnTiedChild(const char* program, char* const* argv, int videoRead, int audioRead, pid_t* child) {
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) return errno;
    if (pid > 0) {
        *child = pid;
        return 0;
    }
    // The death signal follows the thread that forked; start() runs on the main thread,
    // which lives as long as the process. The parent may already have gone before the
    // signal was armed: then nobody would send it.
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent) _exit(127);
    setpgid(0, 0);
    const int in = open("/dev/null", O_RDONLY);
    const int out = open("/dev/null", O_WRONLY);
    if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0) _exit(127);
    if (dup2(videoRead, kVideoChildFd) < 0) _exit(127);
    if (audioRead >= 0 && dup2(audioRead, kAudioChildFd) < 0) _exit(127);
    // Handlers do not survive exec, but a blocked mask and an ignored SIGPIPE would.
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &byDefault, nullptr);
    sigset_t none;
    sigemptyset(&none);
    pthread_sigmask(SIG_SETMASK, &none, nullptr);
    execve(program, argv, environ);
    _exit(127);
}

}  // namespace

std::string findProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0 ? name : "";
    const char* path = std::getenv("PATH");
    if (!path) return "";
    std::string all = path;
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find(':', start);
        if (end == std::string::npos) end = all.size();
        std::string dir = all.substr(start, end - start);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name;
        struct stat st;
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return "";
}

int64_t audioFramesFor(int64_t frames, int fps) { return frames * kMixRate / fps; }

bool encoderTakesChannels(VideoKind kind, int channels) { return videoContainer(kind).takesChannels(channels); }

std::string encoderChannelNote(VideoKind kind) { return videoContainer(kind).channelNote; }

std::vector<std::string> ffmpegArguments(const VideoJob& job, const std::string& writePath, int audioChannels) {
    std::vector<std::string> a = {"-hide_banner", "-nostdin", "-loglevel", "error", "-y",
                                  "-f", "rawvideo", "-pix_fmt", std::endian::native == std::endian::little ? "bgr0" : "0rgb",
                                  "-video_size", std::to_string(kSurfaceWidth) + "x" + std::to_string(kSurfaceHeight),
                                  "-framerate", std::to_string(job.fps), "-i", "pipe:" + std::to_string(kVideoChildFd)};
    const bool audio = audioChannels > 0;
    if (audio) {
        a.insert(a.end(), {"-f", "f32le", "-ar", std::to_string(kMixRate), "-ac", std::to_string(audioChannels)});
        // Named, or ffmpeg guesses a layout whose order need not be the one written.
        const std::string layout = layoutDescription(audioChannels);
        if (!layout.empty()) a.insert(a.end(), {"-ch_layout", layout});
        a.insert(a.end(), {"-i", "pipe:" + std::to_string(kAudioChildFd)});
    }
    a.insert(a.end(), {"-map", "0:v"});
    if (audio) a.insert(a.end(), {"-map", "1:a"});
    // The same quality target (crf) at every setting; slower settings find smaller files for it.
    const VideoContainer& container = videoContainer(job.kind);
    const int q = static_cast<int>(job.quality);
    if (container.vp9) {
        const char* deadline[] = {"realtime", "good", "good"};
        const char* cpu_used[] = {"8", "4", "1"};
        a.insert(a.end(), {"-c:v", "libvpx-vp9", "-crf", "30", "-b:v", "0", "-row-mt", "1", "-deadline", deadline[q],
                           "-cpu-used", cpu_used[q]});
    } else {
        const char* preset[] = {"veryfast", "medium", "slow"};
        a.insert(a.end(), {"-c:v", "libx264", "-preset", preset[q], "-crf", "18"});
    }
    if (job.scale > 1) {
        const std::string n = std::to_string(job.scale);
        a.insert(a.end(), {"-vf", "scale=iw*" + n + ":ih*" + n + ":flags=neighbor"});
    }
    a.insert(a.end(), {"-pix_fmt", "yuv420p"});
    if (audio) {
        a.push_back("-c:a");
        for (const char* const* w = container.audioCodec; *w; ++w) a.push_back(*w);
    } else {
        a.push_back("-an");
    }
    if (container.fastStart) a.insert(a.end(), {"-movflags", "+faststart"});
    // The file protocol by name: a colon in the name is not a protocol, a leading '-' not an option.
    a.insert(a.end(), {"-f", container.muxer, "file:" + writePath});
    return a;
}

FfmpegVideo::~FfmpegVideo() { abandon(); }

bool FfmpegVideo::start(const VideoJob& job, std::string* why) {
    job_ = job;
    const std::string program = findProgram("ffmpeg");
    if (program.empty()) {
        if (why) *why = "the ffmpeg program is not on the PATH (install ffmpeg, or write -o FILE.y4m)";
        return false;
    }
    TrackReader* reader = nullptr;
    int channels = 0;
    if (!job.track.empty()) {
        std::string trackWhy;
        reader = openTrack(job.track.c_str(), &trackWhy);
        if (!reader) {
            if (why) *why = "track '" + printableName(job.track) + "': " + trackWhy;
            return false;
        }
        trackChannels_ = std::max(trackChannels(reader), 1);
        channels = encoderTakesChannels(job.kind, trackChannels_) ? trackChannels_ : 2;
    }
    audioChannels_ = channels;
    if (!placeOutput(job.path, videoContainer(job.kind).suffix, &place_, why)) {
        if (reader) closeTrack(reader);
        return false;
    }
    // Writes to a finished ffmpeg must fail with an error, not end this process.
    signal(SIGPIPE, SIG_IGN);
    completed_ = false;

    int video[2], audio[2] = {-1, -1};
    if (pipe2(video, O_CLOEXEC) != 0 || (reader && pipe2(audio, O_CLOEXEC) != 0)) {
        if (why) *why = std::strerror(errno);
        if (reader) closeTrack(reader);
        abandonPlacedOutput(place_);
        return false;
    }
    // Lift the child's ends above 4 first, so placing them on 3 and 4 cannot clobber one another.
    const int videoRead = fcntl(video[0], F_DUPFD_CLOEXEC, 10);
    const int audioRead = reader ? fcntl(audio[0], F_DUPFD_CLOEXEC, 10) : -1;
    close(video[0]);
    if (reader) close(audio[0]);

    const std::vector<std::string> args = ffmpegArguments(job, place_.writePath, channels);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& s : args) argv.push_back(const_cast<char*>(s.c_str()));
    argv.push_back(nullptr);
    const int rc = spawnTiedChild(program.c_str(), argv.data(), videoRead, audioRead, &child_);
    close(videoRead);
    if (audioRead >= 0) close(audioRead);
    if (rc != 0) {
        child_ = -1;
        if (why) *why = std::string("cannot start ffmpeg: ") + std::strerror(rc);
        close(video[1]);
        if (reader) {
            close(audio[1]);
            closeTrack(reader);
        }
        abandonPlacedOutput(place_);
        return false;
    }
    videoFd_ = video[1];
    if (reader) {
        stopAudio_ = false;
        audioFailed_ = false;
        const int64_t skip = audioFramesFor(job.startFrame, job.fps);
        audio_ = std::thread(pumpAudio, reader, trackChannels_, channels, skip,
                             audioFramesFor(job.startFrame + job.frames, job.fps) - skip, audio[1], &stopAudio_, &audioFailed_);
    }
    return true;
}

bool FfmpegVideo::writeFrame(const uint32_t* surface, std::string* why) {
    if (videoFd_ < 0) {
        if (why) *why = "not started";
        return false;
    }
    if (writeAll(videoFd_, surface, kRawFrameBytes, nullptr)) return true;
    // ffmpeg stopped reading: its own message is already on stderr.
    if (why) *why = stopRequested() ? "interrupted" : "ffmpeg stopped taking frames";
    return false;
}

void FfmpegVideo::stopAudio() {
    if (audio_.joinable()) audio_.join();
}

bool FfmpegVideo::waitChild(std::string* why) {
    int status = 0;
    pid_t r;
    do r = waitpid(child_, &status, 0);
    while (r < 0 && errno == EINTR && !stopRequested());
    if (r < 0) {
        // The child is still there: abandon() stops and reaps it.
        if (why) *why = errno == EINTR ? "interrupted" : std::string("waiting for ffmpeg: ") + std::strerror(errno);
        return false;
    }
    child_ = -1;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    if (why) {
        *why = WIFEXITED(status) ? "ffmpeg failed (exit status " + std::to_string(WEXITSTATUS(status)) + ")"
                                 : "ffmpeg ended by signal " + std::to_string(WTERMSIG(status));
    }
    return false;
}

bool FfmpegVideo::complete(std::string* why) {
    if (child_ < 0) {
        if (why) *why = "not started";
        return false;
    }
    close(videoFd_);
    videoFd_ = -1;
    // ffmpeg first: the audio thread may be blocked on a pipe that only ffmpeg's end releases.
    bool ok = waitChild(why);
    if (!ok) {
        abandon();
        return false;
    }
    stopAudio();
    if (audioFailed_) {
        if (why) *why = "ffmpeg stopped taking audio";
        abandon();
        return false;
    }
    completed_ = true;
    return true;
}

bool FfmpegVideo::publish(std::string* why) {
    if (!completed_) {
        if (why) *why = "not complete";
        return false;
    }
    completed_ = false;
    return settlePlacedOutput(place_, true, why);
}

void FfmpegVideo::abandon() {
    if (videoFd_ >= 0) close(videoFd_);
    videoFd_ = -1;
    if (child_ > 0) {
        stopAudio_ = true;
        kill(child_, SIGTERM);
        int status;
        pid_t r = 0;
        for (int waited = 0; waited < kTermGraceMs && r == 0; waited += 10) {
            r = waitpid(child_, &status, WNOHANG);
            if (r == 0) usleep(10000);
        }
        if (r == 0) {
            kill(child_, SIGKILL);
            while (waitpid(child_, &status, 0) < 0 && errno == EINTR) {
            }
        }
        child_ = -1;
    }
    stopAudio();
    completed_ = false;
    abandonPlacedOutput(place_);
    place_ = OutputPlace{};
}
