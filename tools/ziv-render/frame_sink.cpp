#include "tools/ziv-render/frame_sink.h"

#include <bit>
#include <cstdio>

#include "output/printable_name.h"
#include "tools/ziv-render/frame_writers.h"
#include "tools/ziv-render/output_file.h"
#include "tools/ziv-render/render_constants.h"
#include "libziv/trace_file.h"
#include "tools/ziv-render/video_containers.h"
#include "tools/ziv-render/video_encoder.h"

namespace {

// Binary on a terminal is never what was meant, whatever name reached it (/dev/stdout, /dev/pts/N, /dev/tty).
constexpr const char* kNotForTerminals = "is a terminal; binary frames and traces go to a file or a pipe";

bool failWith(WriteFailure* failure, const char* what, const std::string& file, const std::string& why) {
    if (failure) *failure = {what, file, why};
    return false;
}

// One file, written through OutputFile: what raw, y4m, trace and statistics share.
class FileSink : public FrameSink {
public:
    explicit FileSink(std::string path) : path_(std::move(path)) {}
    bool open(bool binary, WriteFailure* failure) {
        std::string why;
        if (!file_.open(path_, &why)) return failWith(failure, "output", path_, why);
        if (binary && file_.isTerminal()) {
            file_.abandon();
            return failWith(failure, "output", path_, kNotForTerminals);
        }
        return true;
    }
    bool put(const void* data, size_t bytes, WriteFailure* failure) {
        std::string why;
        return file_.write(data, bytes, &why) || failWith(failure, "output", path_, why);
    }
    bool complete(WriteFailure* failure) override {
        std::string why;
        return file_.complete(&why) || failWith(failure, "output", path_, why);
    }
    bool publish(WriteFailure* failure) override {
        std::string why;
        return file_.publish(&why) || failWith(failure, "output", path_, why);
    }
    void abandon() override { file_.abandon(); }

protected:
    std::string path_;
    OutputFile file_;
};

// The surface as little-endian 32-bit words: on a little-endian machine the slot itself.
class RawSink : public FileSink {
public:
    using FileSink::FileSink;
    bool write(const FrameToWrite& frame, WriteFailure* failure) override {
        if constexpr (std::endian::native == std::endian::little) {
            return put(frame.surface.data(), kRawFrameBytes, failure);
        } else {
            bytes_.resize(kRawFrameBytes);
            encodeRawFrame(frame.surface.data(), bytes_.data());
            return put(bytes_.data(), bytes_.size(), failure);
        }
    }

private:
    std::vector<uint8_t> bytes_;
};

class Y4mSink : public FileSink {
public:
    using FileSink::FileSink;
    bool write(const FrameToWrite& frame, WriteFailure* failure) override {
        encodeY4mFrame(frame.surface.data(), bytes_.data());
        return put(bytes_.data(), bytes_.size(), failure);
    }

private:
    std::vector<uint8_t> bytes_ = std::vector<uint8_t>(kY4mFrameBytes);
};

class TraceSink : public FileSink {
public:
    TraceSink(std::string path, int bands) : FileSink(std::move(path)), bands_(bands), bytes_(traceRecordBytes(bands)) {}
    bool write(const FrameToWrite& frame, WriteFailure* failure) override {
        encodeTraceRecord(frame.elapsedMs, frame.spectrum.data(), bands_, bytes_.data());
        return put(bytes_.data(), bytes_.size(), failure);
    }

private:
    int bands_;
    std::vector<uint8_t> bytes_;
};

// The render's figures, known only once the last frame is drawn: written at complete.
class StatsSink : public FileSink {
public:
    StatsSink(std::string path, std::function<std::string()> text) : FileSink(std::move(path)), text_(std::move(text)) {}
    bool takesFrames() const override { return false; }
    bool write(const FrameToWrite&, WriteFailure*) override { return true; }
    bool complete(WriteFailure* failure) override {
        const std::string text = text_ ? text_() : std::string();
        if (!put(text.data(), text.size(), failure)) {
            file_.abandon();
            return false;
        }
        return FileSink::complete(failure);
    }

private:
    std::function<std::string()> text_;
};

class PngSink : public FrameSink {
public:
    explicit PngSink(std::string path) : path_(std::move(path)) {}
    bool open(WriteFailure* failure) {
        std::string why;
        return folder_.open(path_, &why) || failWith(failure, "output", path_, why);
    }
    bool write(const FrameToWrite& frame, WriteFailure* failure) override {
        const std::string name = pngFrameName(frame.frame);
        if (!encodePng(frame.surface.data(), bytes_)) return failWith(failure, "output", path_ + "/" + name, "PNG encoding failed");
        std::string why;
        return folder_.writeFile(name, bytes_.data(), bytes_.size(), &why) ||
               failWith(failure, "output", path_ + "/" + name, why);
    }
    // Each frame is a whole file, closed when written.
    bool complete(WriteFailure*) override {
        completed_ = true;
        return true;
    }
    bool publish(WriteFailure* failure) override {
        if (!completed_) return failWith(failure, "output", path_, "not complete");
        completed_ = false;
        std::string why;
        return folder_.publish(&why) || failWith(failure, "output", path_, why);
    }
    void abandon() override {
        completed_ = false;
        folder_.abandon();
    }

private:
    std::string path_;
    OutputFolder folder_;
    bool completed_ = false;
    std::vector<uint8_t> bytes_;
};

// Encoded video through ffmpeg; the slot goes down the pipe as it is.
class VideoSink : public FrameSink {
public:
    explicit VideoSink(std::string path) : path_(std::move(path)) {}
    bool start(const VideoJob& job, WriteFailure* failure) {
        std::string why;
        return video_.start(job, &why) || failWith(failure, "video", path_, why);
    }
    bool write(const FrameToWrite& frame, WriteFailure* failure) override {
        std::string why;
        return video_.writeFrame(frame.surface.data(), &why) || failWith(failure, "video", path_, why);
    }
    bool complete(WriteFailure* failure) override {
        std::string why;
        return video_.complete(&why) || failWith(failure, "video", path_, why);
    }
    bool publish(WriteFailure* failure) override {
        std::string why;
        return video_.publish(&why) || failWith(failure, "video", path_, why);
    }
    void abandon() override { video_.abandon(); }
    const FfmpegVideo& video() const { return video_; }

private:
    std::string path_;
    FfmpegVideo video_;
};

}  // namespace

std::unique_ptr<FrameSink> openRawSink(const std::string& path, VideoKind, const SinkSettings&, WriteFailure* failure) {
    auto sink = std::make_unique<RawSink>(path);
    if (!sink->open(true, failure)) return nullptr;
    return sink;
}

std::unique_ptr<FrameSink> openY4mSink(const std::string& path, VideoKind, const SinkSettings& settings, WriteFailure* failure) {
    auto sink = std::make_unique<Y4mSink>(path);
    const std::string header = y4mHeader(settings.fps);
    if (!sink->open(false, failure) || !sink->put(header.data(), header.size(), failure)) return nullptr;
    return sink;
}

std::unique_ptr<FrameSink> openVideoSink(const std::string& path, VideoKind kind, const SinkSettings& settings,
                                         WriteFailure* failure) {
    auto sink = std::make_unique<VideoSink>(path);
    const VideoJob job{path,           kind,         settings.fps,          settings.track, settings.frames - settings.startFrame,
                       settings.quality, settings.videoScale, settings.startFrame};
    if (!sink->start(job, failure)) return nullptr;
    const FfmpegVideo& video = sink->video();
    if (video.audioChannelCount() != video.trackChannelCount())
        std::fprintf(stderr, "%s: video '%s': the track's %d channels are mixed down to %d (%s)\n", kProgramName,
                     printableName(path).c_str(), video.trackChannelCount(), video.audioChannelCount(),
                     encoderChannelNote(kind).c_str());
    return sink;
}

std::unique_ptr<FrameSink> openTraceSink(const std::string& path, VideoKind, const SinkSettings& settings,
                                         WriteFailure* failure) {
    auto sink = std::make_unique<TraceSink>(path, settings.traceBands);
    uint8_t header[kTraceHeaderBytes];
    encodeTraceHeader(settings.traceBands, header);
    if (!sink->open(true, failure) || !sink->put(header, sizeof header, failure)) return nullptr;
    return sink;
}

std::unique_ptr<FrameSink> openPngSink(const std::string& path, VideoKind, const SinkSettings&, WriteFailure* failure) {
    auto sink = std::make_unique<PngSink>(path);
    if (!sink->open(failure)) return nullptr;
    return sink;
}

std::unique_ptr<FrameSink> openStatsSink(const std::string& path, VideoKind, const SinkSettings& settings,
                                         WriteFailure* failure) {
    auto sink = std::make_unique<StatsSink>(path, settings.statsText);
    if (!sink->open(false, failure)) return nullptr;
    return sink;
}

std::vector<SinkRequest> requestedSinks(const RenderOptions& o) {
    std::vector<SinkRequest> r;
    for (const VideoOutput& v : o.videos)
        r.push_back({videoContainer(v.kind).throughFfmpeg ? openVideoSink : openY4mSink, v.path, v.kind});
    if (!o.raw.empty()) r.push_back({openRawSink, o.raw});
    if (!o.stats.empty()) r.push_back({openStatsSink, o.stats});
    if (!o.traceOut.empty()) r.push_back({openTraceSink, o.traceOut});
    if (!o.pngDir.empty()) r.push_back({openPngSink, o.pngDir});
    return r;
}

bool openFrameSinks(const RenderOptions& options, const SinkSettings& settings, FrameSinks* sinks, WriteFailure* failure) {
    for (const SinkRequest& request : requestedSinks(options)) {
        std::unique_ptr<FrameSink> sink = request.open(request.path, request.kind, settings, failure);
        if (!sink) {
            for (auto& s : *sinks) s->abandon();
            sinks->clear();
            return false;
        }
        sinks->push_back(std::move(sink));
    }
    return true;
}
