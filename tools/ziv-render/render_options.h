// Command line of ziv-render.
//
//   RenderOptions o;
//   std::string error;
//   if (!parseRenderOptions(argc, argv, o, &error)) { /* print error + renderUsage(), exit 2 */ }
//   int64_t frames = renderFrameCount(o, traceRecords);
//
// Parsing only checks the words themselves; whether files exist is the
// renderer's business, after parsing.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "libziv/frame_timing.h"

enum class VideoKind { Y4m, Mp4, Mkv, Webm };

// How hard the video encoder works: fast (the default) suits a whole show, good and best
// take longer for smaller files at the same picture quality.
enum class VideoQuality { Fast, Good, Best };

struct VideoOutput {
    std::string path;
    VideoKind kind = VideoKind::Y4m;
};

struct RenderOptions {
    int fps = kDefaultFps;
    int64_t frames = -1;        // --frames; -1 when not given
    int64_t secondsMs = -1;     // --seconds, in whole milliseconds; -1 when not given
    std::string track;          // --track; empty when not given
    std::string traceIn;        // --trace-in; empty when not given
    std::vector<VideoOutput> videos;  // every -o
    std::string pngDir, raw, traceOut, stats;
    bool progress = false;      // --progress: a bar even when stderr is not a terminal
    bool noProgress = false;    // --no-progress: never a bar
    bool timings = false;       // --timings: time shares on stderr at the end
    VideoQuality quality = VideoQuality::Fast;  // --quality
    bool help = false;
    int scale = 0;              // --scale; 0: each output's own default
    int64_t startMs = 0;        // --start, in whole milliseconds
    bool version = false;       // --version: print the version and stop
};

bool parseRenderOptions(int argc, const char* const* argv, RenderOptions& options, std::string* error);
bool videoKindOf(const std::string& path, VideoKind* kind);
// The default track an installed ziv-render falls back on: <prefix>/share/ziv/DuskPulse.ogg
// beside the <prefix>/bin it runs from; empty when there is none (a build tree).
std::string installedTrackPath();
// The track the spectra come from, or whose audio a video carries; empty for none.
// Without --track or --trace-in: DuskPulse.ogg in the working folder, as the show
// plays it, or the installed track when the working folder has none.
std::string effectiveTrack(const RenderOptions& options, const std::string& installedTrack = installedTrackPath());
// The first frame written: frames before it are rendered (the show's state
// depends on each of them) but not written.
int64_t renderStartFrame(const RenderOptions& options);
// How many times a video through ffmpeg is enlarged: --scale, or 2 so that 4:2:0
// chroma never averages two of the show's rows.
int videoScale(const RenderOptions& options);
// Frames to render, from frame 0 (--frames and --seconds count from --start); records is the trace's record count (ignored without a trace). -1: more than the trace holds.
int64_t renderFrameCount(const RenderOptions& options, int64_t records);
// The show's own length at fps: up to and including the first frame whose elapsedMs exceeds 394000.
int64_t showLengthFrames(int fps);
// The largest frame count whose last elapsedMs still fits a signed 32-bit value.
int64_t maxFrameCount(int fps);
const char* renderUsage();
const char* renderHelp();
