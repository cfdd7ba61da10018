// Where a render's frames go: one sink per output, every format behind the same four calls.
//
//   FrameSinks sinks;
//   WriteFailure failure;                       // what, file, why: "ziv-render: <what> '<file>': <why>"
//   if (!openFrameSinks(options, settings, &sinks, &failure)) ...   // every output asked for, or none
//   for (auto& s : sinks) if (s->takesFrames() && !s->write(frame, &failure)) ...   // writer thread, frame order
//   for (auto& s : sinks) if (!s->complete(&failure)) ...  // all written and closed; nothing under its name yet
//   for (auto& s : sinks) if (!s->publish(&failure)) ...   // into place; refused before complete
//   for (auto& s : sinks) s->abandon();         // neither the name nor a temporary stays (also on destruction)
//
// A sink only reads the frame it is given (the surface is the writer's slot, lent for
// the call) and copies it only where its format must change the bytes: raw on a
// little-endian machine and video through ffmpeg write the slot as it is. A new format
// is a class here and a line of requestedSinks.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/ziv-render/frame_writer_thread.h"
#include "tools/ziv-render/render_options.h"

class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual bool takesFrames() const { return true; }
    virtual bool write(const FrameToWrite& frame, WriteFailure* failure) = 0;
    virtual bool complete(WriteFailure* failure) = 0;
    virtual bool publish(WriteFailure* failure) = 0;
    virtual void abandon() = 0;
};

using FrameSinks = std::vector<std::unique_ptr<FrameSink>>;

// What the sinks of one render share.
struct SinkSettings {
    int fps = 60;
    int64_t frames = 0;           // frames written
    int64_t startFrame = 0;       // the show's frame the first written one is
    std::string track;            // the audio a video carries; empty for none
    VideoQuality quality = VideoQuality::Fast;
    int videoScale = 1;
    int traceBands = 0;           // entries per trace record
    std::function<std::string()> statsText;  // the statistics file's text, asked for at complete
};

using OpenFrameSink = std::unique_ptr<FrameSink> (*)(const std::string& path, VideoKind kind, const SinkSettings& settings,
                                                     WriteFailure* failure);
struct SinkRequest {
    OpenFrameSink open;
    std::string path;
    VideoKind kind = VideoKind::Y4m;   // for -o outputs
};

// Every output the options ask for, in the order they are opened.
std::vector<SinkRequest> requestedSinks(const RenderOptions& options);
// Opens them all, or abandons those already open and reports the first failure.
bool openFrameSinks(const RenderOptions& options, const SinkSettings& settings, FrameSinks* sinks, WriteFailure* failure);

std::unique_ptr<FrameSink> openRawSink(const std::string& path, VideoKind, const SinkSettings&, WriteFailure* failure);
std::unique_ptr<FrameSink> openY4mSink(const std::string& path, VideoKind, const SinkSettings& settings, WriteFailure* failure);
std::unique_ptr<FrameSink> openVideoSink(const std::string& path, VideoKind kind, const SinkSettings& settings,
                                         WriteFailure* failure);
std::unique_ptr<FrameSink> openTraceSink(const std::string& path, VideoKind, const SinkSettings& settings,
                                         WriteFailure* failure);
std::unique_ptr<FrameSink> openPngSink(const std::string& path, VideoKind, const SinkSettings&, WriteFailure* failure);
std::unique_ptr<FrameSink> openStatsSink(const std::string& path, VideoKind, const SinkSettings& settings,
                                         WriteFailure* failure);
