#include "tools/ziv-render/render_options.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "output/printable_name.h"
#include "tools/ziv-render/render_constants.h"
#include "tools/ziv-render/video_containers.h"

namespace {

bool parseInteger(const std::string& text, int64_t lo, int64_t hi, int64_t* value) {
    if (text.empty() || text.size() > 18) return false;
    int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v < lo || v > hi) return false;
    *value = v;
    return true;
}

// Seconds as a plain decimal with at most three fractional digits, so the
// frame count derived from it is exact integer arithmetic.
bool parseSeconds(const std::string& text, int64_t* ms) {
    const size_t dot = text.find('.');
    const std::string whole = text.substr(0, dot);
    std::string fraction = dot == std::string::npos ? "" : text.substr(dot + 1);
    if (whole.empty() && fraction.empty()) return false;
    if (fraction.size() > 3) return false;
    int64_t w = 0, f = 0;
    if (!whole.empty() && !parseInteger(whole, 0, kMaxSeconds, &w)) return false;
    while (fraction.size() < 3) fraction += '0';
    if (!parseInteger(fraction, 0, 999, &f)) return false;
    *ms = w * 1000 + f;
    return true;
}

}  // namespace

bool videoKindOf(const std::string& path, VideoKind* kind) {
    const VideoContainer* c = videoContainerNamed(path);
    if (c) *kind = c->kind;
    return c != nullptr;
}

bool parseRenderOptions(int argc, const char* const* argv, RenderOptions& o, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    o = RenderOptions{};
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        std::string value;
        bool inlineValue = false;
        if (word.rfind("--", 0) == 0) {
            const size_t eq = word.find('=');
            if (eq != std::string::npos) {
                value = word.substr(eq + 1);
                word = word.substr(0, eq);
                inlineValue = true;
            }
        }
        auto needValue = [&](std::string* out) {
            if (inlineValue) {
                *out = value;
                return true;
            }
            if (i + 1 >= argc) return false;
            *out = argv[++i];
            return true;
        };
        auto flag = [&](bool* target) {
            if (inlineValue) return false;
            *target = true;
            return true;
        };
        std::string v;
        if (word == "-h" || word == "--help") {
            if (!flag(&o.help)) return fail("option '" + printableName(word) + "' takes no value");
        } else if (word == "--version") {
            if (!flag(&o.version)) return fail("option '--version' takes no value");
        } else if (word == "--progress") {
            if (!flag(&o.progress)) return fail("option '--progress' takes no value");
        } else if (word == "--no-progress") {
            if (!flag(&o.noProgress)) return fail("option '--no-progress' takes no value");
        } else if (word == "--timings") {
            if (!flag(&o.timings)) return fail("option '--timings' takes no value");
        } else if (word == "--quality") {
            if (!needValue(&v)) return fail("option '--quality' needs a value");
            if (v == "fast") o.quality = VideoQuality::Fast;
            else if (v == "good") o.quality = VideoQuality::Good;
            else if (v == "best") o.quality = VideoQuality::Best;
            else return fail("--quality '" + printableName(v) + "': not fast, good or best");
        } else if (word == "--fps") {
            int64_t n;
            if (!needValue(&v)) return fail("option '--fps' needs a value");
            if (!parseInteger(v, 1, kMaxFps, &n)) return fail("--fps '" + printableName(v) + "': not a whole number from 1 to 1000");
            o.fps = static_cast<int>(n);
        } else if (word == "--frames") {
            if (!needValue(&v)) return fail("option '--frames' needs a value");
            if (!parseInteger(v, 1, kMaxFrames, &o.frames))
                return fail("--frames '" + printableName(v) + "': not a whole number from 1 to " + std::to_string(kMaxFrames));
        } else if (word == "--seconds") {
            if (!needValue(&v)) return fail("option '--seconds' needs a value");
            if (!parseSeconds(v, &o.secondsMs) || o.secondsMs == 0)
                return fail("--seconds '" + printableName(v) + "': not a number above 0 and up to " + std::to_string(kMaxSeconds) +
                            " with at most 3 decimals");
        } else if (word == "--scale") {
            int64_t n;
            if (!needValue(&v)) return fail("option '--scale' needs a value");
            if (!parseInteger(v, 1, kMaxScale, &n)) return fail("--scale '" + printableName(v) + "': not a whole number from 1 to 8");
            o.scale = static_cast<int>(n);
        } else if (word == "--start") {
            if (!needValue(&v)) return fail("option '--start' needs a value");
            if (!parseSeconds(v, &o.startMs)) return fail("--start '" + printableName(v) + "': not a number of seconds with at most 3 decimals");
        } else if (word == "--track") {
            if (!needValue(&o.track) || o.track.empty()) return fail("option '--track' needs a file name");
        } else if (word == "--trace-in") {
            if (!needValue(&o.traceIn) || o.traceIn.empty()) return fail("option '--trace-in' needs a file name");
        } else if (word == "-o" || word == "--output") {
            if (!needValue(&v) || v.empty()) return fail("option '-o' needs a file name");
            VideoOutput out{v, VideoKind::Y4m};
            if (!videoKindOf(v, &out.kind)) return fail("-o '" + printableName(v) + "': the name must end in " + videoEndingsList());
            o.videos.push_back(out);
        } else if (word == "--png-dir") {
            if (!needValue(&o.pngDir) || o.pngDir.empty()) return fail("option '--png-dir' needs a folder name");
            if (o.pngDir == "-") return fail("--png-dir '-': PNG frames need a folder");
        } else if (word == "--raw") {
            if (!needValue(&o.raw) || o.raw.empty()) return fail("option '--raw' needs a file name or '-'");
        } else if (word == "--trace-out") {
            if (!needValue(&o.traceOut) || o.traceOut.empty()) return fail("option '--trace-out' needs a file name or '-'");
        } else if (word == "--stats") {
            if (!needValue(&o.stats) || o.stats.empty()) return fail("option '--stats' needs a file name or '-'");
        } else if (!word.empty() && word[0] == '-' && word != "-") {
            return fail("unknown option '" + printableName(word) + "'");
        } else {
            return fail("unexpected argument '" + printableName(word) + "'");
        }
    }
    if (o.frames >= 0 && o.secondsMs >= 0) return fail("--frames and --seconds cannot both be given");

    // Two outputs on standard output would interleave; which names reach one file is checkFileRoles' matter.
    int toStdout = 0;
    for (const std::string* n : {&o.raw, &o.traceOut, &o.stats})
        if (*n == "-" && ++toStdout > 1) return fail("only one output can go to standard output ('-')");

    // A trace brings its own times; otherwise the frame clock must fit 32 bits.
    if (o.traceIn.empty() && renderFrameCount(o, 0) > maxFrameCount(o.fps))
        return fail("too many frames: at " + std::to_string(o.fps) + " fps at most " +
                    std::to_string(maxFrameCount(o.fps)) + ", so that elapsed milliseconds fit 32 bits");
    return true;
}

std::string installedTrackPath() {
    char exe[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return "";
    const std::string bin(exe, static_cast<size_t>(n));
    const size_t slash = bin.find_last_of('/');
    const size_t prefixEnd = slash == std::string::npos || slash == 0 ? std::string::npos : bin.find_last_of('/', slash - 1);
    if (prefixEnd == std::string::npos || bin.compare(prefixEnd + 1, slash - prefixEnd - 1, ZIV_INSTALL_BINDIR) != 0)
        return "";
    const std::string track = bin.substr(0, prefixEnd) + "/" + ZIV_INSTALL_DATADIR + "/ziv/" + kMusicFileName;
    struct stat st;
    return ::stat(track.c_str(), &st) == 0 ? track : "";
}

std::string effectiveTrack(const RenderOptions& o, const std::string& installedTrack) {
    if (!o.track.empty()) return o.track;
    if (!o.traceIn.empty()) return "";
    // Whatever stands under the name in the working folder is what the show would play (or refuse).
    struct stat st;
    if (::lstat(kMusicFileName, &st) == 0 || installedTrack.empty()) return kMusicFileName;
    return installedTrack;
}

int64_t showLengthFrames(int fps) {
    // First n with floor(n * 1000 / fps) > 394000, i.e. n * 1000 >= 394001 * fps.
    const int64_t need = (static_cast<int64_t>(kShowLengthMs) + 1) * fps;
    const int64_t last = (need + 999) / 1000;
    return last + 1;
}

int64_t maxFrameCount(int fps) {
    // frame n is allowed while n * 1000 / fps <= INT32_MAX
    const int64_t lastFrame = ((static_cast<int64_t>(INT32_MAX) + 1) * fps - 1) / 1000;
    return lastFrame + 1;
}

int64_t renderStartFrame(const RenderOptions& o) { return (o.startMs * o.fps + 999) / 1000; }

int videoScale(const RenderOptions& o) { return o.scale > 0 ? o.scale : kDefaultVideoScale; }

int64_t renderFrameCount(const RenderOptions& o, int64_t records) {
    int64_t frames;
    if (o.frames >= 0) frames = renderStartFrame(o) + o.frames;
    else if (o.secondsMs >= 0) frames = renderStartFrame(o) + (o.secondsMs * o.fps + 999) / 1000;
    else if (!o.traceIn.empty()) return records;
    else return showLengthFrames(o.fps);
    if (!o.traceIn.empty() && frames > records) return -1;
    return frames;
}

const char* renderUsage() {
    return "usage: ziv-render [--track FILE | --trace-in FILE] [--fps N] [--frames K | --seconds S]\n"
           "                  [-o FILE.y4m|.mp4|.mkv|.webm]... [--quality fast|good|best] [--png-dir DIR] [--raw FILE|-]\n"
           "                  [--trace-out FILE|-] [--stats FILE|-] [--start S] [--scale N]\n"
           "                  [--progress|--no-progress] [--timings]\n"
           "try 'ziv-render --help' for more.\n";
}

const char* renderHelp() {
    return "ziv-render: renders the show offline, frame by frame, on a clock of its own.\n"
           "Every frame is exact, and the same inputs give the same bytes every time.\n"
           "\n"
           "Photosensitivity warning: the show flashes. Loud peaks cut hard to bright pictures,\n"
           "up to twice a second, pattern scenes flicker, and the scene switches between\n"
           "dark and bright with the music. Do not watch it if flashing light may affect you.\n"
           "\n"
           "Input (one of):\n"
           "  --track FILE      an audio file (Ogg Vorbis or Opus, MP3, AAC/M4A, FLAC, WAV, ...) whose\n"
           "                    spectrum drives the show. Playlists, stream descriptions and pictures\n"
           "                    are refused: a track is read as one file and opens nothing else.\n"
           "                    Default: DuskPulse.ogg in the working directory, as the show plays it,\n"
           "                    or, when the working directory has none, the installed default track\n"
           "                    (share/ziv/DuskPulse.ogg beside the bin folder ziv-render runs from).\n"
           "                    With --trace-in, only the audio that a video carries.\n"
           "                      ziv-render --track song.ogg -o show.mp4\n"
           "  --trace-in FILE   replay the spectra and times recorded in a trace instead of\n"
           "                    analysing a track; a video then has no sound unless --track is given.\n"
           "                      ziv-render --trace-in show.trace --raw frames.raw\n"
           "\n"
           "Timing and length:\n"
           "  --fps N           frames per second, 1..1000 (default 60). Frame n shows the clock at\n"
           "                    floor(n*1000/N) ms and the track heard up to sample floor(n*44100/N).\n"
           "                      ziv-render --fps 30 -o show30.mkv\n"
           "  --frames K        render K frames.\n"
           "                      ziv-render --frames 600 --png-dir frames\n"
           "  --seconds S       render S seconds (up to 3 decimals), rounded up to whole frames.\n"
           "                      ziv-render --seconds 12.5 -o clip.webm\n"
           "                    Default: from a track, the show's own course (until the first frame\n"
           "                    past 394 s, that frame included); from a trace, every record.\n"
           "  --start S         write only from the frame at S seconds on; --frames and --seconds then\n"
           "                    count from there. The frames before are still rendered, unwritten:\n"
           "                    each frame depends on all before it.\n"
           "                      ziv-render --start 120 --seconds 10 -o drop.mp4\n"
           "\n"
           "Outputs (any combination; none is fine with --timings):\n"
           "  -o FILE.y4m       YUV4MPEG2 video, 640x480, 4:4:4, the display's colours.\n"
           "  -o FILE.mp4       H.264 video with AAC audio through the ffmpeg program.\n"
           "  -o FILE.mkv       H.264 video with Vorbis audio through ffmpeg.\n"
           "  -o FILE.webm      VP9 video with Opus audio through ffmpeg.\n"
           "                      ziv-render -o show.mp4 -o show.y4m\n"
           "  --quality Q       how hard the encoder of mp4, mkv and webm works: fast (default; the\n"
           "                    whole show in a few minutes), good (a smaller file, several times\n"
           "                    slower) or best (smaller still, slower still).\n"
           "                      ziv-render --seconds 30 -o clip.mp4 --quality best\n"
           "  --scale N         enlarge mp4, mkv and webm video N times, nearest-neighbour (1..8,\n"
           "                    default 2: 1280x960, so that their 4:2:0 colour never mixes two of\n"
           "                    the show's rows). y4m, PNG and raw are always 640x480.\n"
           "                      ziv-render --scale 3 -o big.mkv\n"
           "  --png-dir DIR     one PNG per frame, DIR/frame-000000.png on. DIR is created, or replaced\n"
           "                    as a whole when it holds nothing but such frames.\n"
           "                      ziv-render --frames 120 --png-dir shots\n"
           "  --raw FILE|-      every frame's whole 640x480 surface as 307200 little-endian\n"
           "                    uint32 values 0x00RRGGBB, row-major; '-' is standard output\n"
           "                    (never a terminal).\n"
           "                      ziv-render --raw - | sha256sum\n"
           "  --trace-out FILE  the trace of what was rendered (times and spectra), for replay.\n"
           "                      ziv-render --trace-out show.trace --frames 3600\n"
           "  --stats FILE|-    counts of what the frames showed, and how they looked (\"look\":\n"
           "                    luminance, dark and red frames, hues, colourfulness, peak runs; \"flash\":\n"
           "                    the general and red flash test, whole screen and worst ninth), as JSON.\n"
           "                      ziv-render --stats - --no-progress\n"
           "\n"
           "Other:\n"
           "  --progress        show the progress bar even when stderr is not a terminal.\n"
           "                      ziv-render -o show.mp4 --progress 2>render.log\n"
           "  --no-progress     never show it.\n"
           "                      ziv-render --stats stats.json --no-progress\n"
           "  --timings         print the time spent in analysis, pipeline and output at the end.\n"
           "                      ziv-render --raw /dev/null --timings\n"
           "  -h, --help        this text.\n"
           "  --version         the version of ziv-render.\n"
           "\n"
           "Every output is written beside its name and, once all of them are complete, renamed\n"
           "into place: a failed or interrupted render leaves nothing half-written and replaces\n"
           "nothing. '-', /dev/null and FIFOs are written in place. A replaced file keeps its\n"
           "permissions; a file you could not write is refused. A symbolic link is followed, a\n"
           "dangling one too (the file it names is created, as with a shell's '>'). No output may\n"
           "be an input or another output, however it is spelt. Ctrl-C, SIGTERM and SIGHUP stop a\n"
           "render within a second, ffmpeg included.\n"
           "Exit status: 0 done, 1 bad input file or failed output, 2 bad command line, 130 interrupted.\n"
           "\n"
           "Trace format (little-endian): 8 bytes \"ZIVTRACE\", uint32 version 1, uint32 bands\n"
           "(>= 257); then per frame int32 elapsedMs and bands float32 entries (entry 0 the lowest\n"
           "band). Entries must be finite and within -8..8.\n";
}
