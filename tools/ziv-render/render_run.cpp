#include "tools/ziv-render/render_run.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "libziv/show_access.h"
#include "libziv/trace_file.h"
#include "output/printable_name.h"
#include "output/show_frame.h"
#include "tools/ziv-render/file_roles.h"
#include "tools/ziv-render/frame_writer_thread.h"
#include "tools/ziv-render/frame_writers.h"
#include "tools/ziv-render/output_file.h"
#include "tools/ziv-render/progress_bar.h"
#include "tools/ziv-render/render_constants.h"
#include "tools/ziv-render/render_options.h"
#include "tools/ziv-render/render_stats.h"
#include "tools/ziv-render/stop_request.h"
#include "tools/ziv-render/video_encoder.h"
#include "ziv/ziv.h"
#include "ziv_version.h"

namespace {

struct Timings {
    double analysis = 0, pipeline = 0, output = 0;
};

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point& mark) {
    const Clock::time_point now = Clock::now();
    const double s = std::chrono::duration<double>(now - mark).count();
    mark = now;
    return s;
}

int interrupted() {
    std::fprintf(stderr, "%s: interrupted; nothing was kept\n", kProgramName);
    return 130;
}

int failFile(const char* what, const std::string& file, const std::string& why) {
    std::fprintf(stderr, "%s: %s '%s': %s\n", kProgramName, what, printableName(file).c_str(), why.c_str());
    return 1;
}

// Every output of one render, opened before the first frame, completed after
// the last, and published only when every one of them is complete.
struct Outputs {
    std::vector<std::unique_ptr<OutputFile>> y4m;
    std::vector<std::string> y4mNames;
    std::vector<std::unique_ptr<FfmpegVideo>> videos;
    std::vector<std::string> videoNames;
    OutputFile raw, trace, stats;
    OutputFolder png;
    std::vector<uint8_t> rawBytes, y4mBytes, traceBytes, pngBytes;

    void abandon() {
        for (auto& f : y4m) f->abandon();
        for (auto& v : videos) v->abandon();
        raw.abandon();
        trace.abandon();
        stats.abandon();
        png.abandon();
    }
};

// Binary on a terminal is never what was meant.
bool binaryToTerminal(const RenderOptions& o, std::string* why) {
    if (isatty(STDOUT_FILENO) != 1) return false;
    for (const auto& [option, name] : {std::pair{"--raw", &o.raw}, std::pair{"--trace-out", &o.traceOut}}) {
        if (*name == "-") {
            *why = std::string(option) + " -: standard output is a terminal; send it to a file or a pipe";
            return true;
        }
    }
    return false;
}

}  // namespace

void requestRenderStop() { requestStop(); }

int renderMain(int argc, const char* const* argv) {
    clearStopRequest();
    setTraceStopCheck(stopRequested);
    RenderOptions o;
    std::string error;
    if (!parseRenderOptions(argc, argv, o, &error)) {
        std::fprintf(stderr, "%s: %s\n%s", kProgramName, error.c_str(), renderUsage());
        return 2;
    }
    if (o.help) {
        std::fputs(renderHelp(), stdout);
        return 0;
    }
    if (o.version) return printVersion(kProgramName);
    // Before anything is read or written: no output may reach an input or another output.
    if (!checkFileRoles(o, &error) || binaryToTerminal(o, &error)) {
        std::fprintf(stderr, "%s: %s\n", kProgramName, error.c_str());
        return 2;
    }
    auto inputFailed = [&](const char* what, const std::string& file, const std::string& why) {
        return stopRequested() ? interrupted() : failFile(what, file, why);
    };

    // Inputs first: a bad header or track writes nothing. A trace is read record by record as it renders.
    TraceReader trace;
    const bool fromTrace = !o.traceIn.empty();
    if (fromTrace && !trace.open(o.traceIn, &error)) return inputFailed("trace", o.traceIn, error);
    if (fromTrace && trace.records() == 0) return failFile("trace", o.traceIn, "holds no records");
    const std::string trackPath = effectiveTrack(o);
    // Frames are drawn through libziv, as every host draws them: the track heard, or the trace replayed.
    ziv_options showOptions;
    ziv_options_init(&showOptions);
    showOptions.fps = o.fps;
    ziv_show* created = nullptr;
    if (ziv_create(&showOptions, &created) != ZIV_OK) {
        std::fprintf(stderr, "%s: %s\n", kProgramName, ziv_last_error());
        return 1;
    }
    const std::unique_ptr<ziv_show, void (*)(ziv_show*)> show(created, ziv_destroy);
    if (!trackPath.empty() && ziv_open_track(show.get(), trackPath.c_str()) != ZIV_OK) {
        if (stopRequested()) return interrupted();
        std::fprintf(stderr, "%s: %s\n", kProgramName, ziv_last_error());   // track 'name': why
        return 1;
    }

    // -1: every record of a trace whose length shows only at its end.
    int64_t frames;
    if (fromTrace && trace.records() < 0) {
        frames = o.frames >= 0 || o.secondsMs >= 0 ? renderFrameCount(o, INT64_MAX) : -1;
    } else {
        frames = renderFrameCount(o, fromTrace ? trace.records() : 0);
        if (frames < 0)
            return failFile("trace", o.traceIn,
                            "holds " + std::to_string(trace.records()) + " records, fewer than the frames asked for");
    }
    const int64_t startFrame = renderStartFrame(o);
    if (frames >= 0 && startFrame >= frames) {
        std::fprintf(stderr, "%s: --start: the render ends at frame %lld, before the start\n", kProgramName,
                     static_cast<long long>(frames));
        return 2;
    }
    for (const VideoOutput& v : o.videos) {
        if (v.kind == VideoKind::Y4m) continue;
        if (findProgram("ffmpeg").empty())
            return failFile("video", v.path, "the ffmpeg program is not on the PATH (install ffmpeg, or write -o FILE.y4m)");
        if (frames < 0 && !trackPath.empty())
            return failFile("trace", o.traceIn, "is not a regular file, so its length is unknown; a video with sound "
                                                "needs --frames or --seconds");
    }

    Outputs out;
    auto outputFailed = [&](const char* what, const std::string& file, const std::string& why) {
        out.abandon();
        return inputFailed(what, file, why);
    };
    for (const VideoOutput& v : o.videos) {
        if (v.kind == VideoKind::Y4m) {
            out.y4m.push_back(std::make_unique<OutputFile>());
            out.y4mNames.push_back(v.path);
            if (!out.y4m.back()->open(v.path, &error)) return outputFailed("output", v.path, error);
            const std::string header = y4mHeader(o.fps);
            if (!out.y4m.back()->write(header.data(), header.size(), &error)) return outputFailed("output", v.path, error);
        } else {
            out.videos.push_back(std::make_unique<FfmpegVideo>());
            out.videoNames.push_back(v.path);
            VideoJob job{v.path, v.kind, o.fps, trackPath, frames - startFrame, o.quality, videoScale(o), startFrame};
            FfmpegVideo& video = *out.videos.back();
            if (!video.start(job, &error)) return outputFailed("video", v.path, error);
            if (video.audioChannelCount() != video.trackChannelCount())
                std::fprintf(stderr, "%s: video '%s': the track's %d channels are mixed down to %d (%s)\n", kProgramName,
                             printableName(v.path).c_str(), video.trackChannelCount(), video.audioChannelCount(),
                             encoderChannelNote(v.kind).c_str());
        }
    }
    // Binary on a terminal is never what was meant, whatever name reached it (/dev/stdout, /dev/pts/N, /dev/tty).
    const char* kNotForTerminals = "is a terminal; binary frames and traces go to a file or a pipe";
    if (!o.raw.empty() && !out.raw.open(o.raw, &error)) return outputFailed("output", o.raw, error);
    if (!o.raw.empty() && out.raw.isTerminal()) return outputFailed("output", o.raw, kNotForTerminals);
    if (!o.stats.empty() && !out.stats.open(o.stats, &error)) return outputFailed("output", o.stats, error);
    const int traceBands = fromTrace ? trace.bands() : kSpectrumBands;
    if (!o.traceOut.empty()) {
        if (!out.trace.open(o.traceOut, &error)) return outputFailed("output", o.traceOut, error);
        if (out.trace.isTerminal()) return outputFailed("output", o.traceOut, kNotForTerminals);
        uint8_t header[kTraceHeaderBytes];
        encodeTraceHeader(traceBands, header);
        if (!out.trace.write(header, sizeof header, &error)) return outputFailed("output", o.traceOut, error);
    }
    if (!o.pngDir.empty() && !out.png.open(o.pngDir, &error)) return outputFailed("output", o.pngDir, error);
    ProgressBar progress(frames, shouldShowProgress(o.progress, o.noProgress));
    if (!o.raw.empty()) out.rawBytes.resize(kRawFrameBytes);
    if (!out.y4m.empty()) out.y4mBytes.resize(kY4mFrameBytes);
    if (!o.traceOut.empty()) out.traceBytes.resize(traceRecordBytes(traceBands));

    // Every per-frame output is written on a second thread, in frame order, while the
    // next frames are analysed and drawn.
    auto writeOutputs = [&](const FrameToWrite& f, WriteFailure* failure) {
        std::string why;
        auto fail = [&](const char* what, const std::string& file, const std::string& reason) {
            *failure = {what, file, reason};
            return false;
        };
        const uint32_t* frameSurface = f.surface.data();
        if (!o.raw.empty()) {
            encodeRawFrame(frameSurface, out.rawBytes.data());
            if (!out.raw.write(out.rawBytes.data(), kRawFrameBytes, &why)) return fail("output", o.raw, why);
        }
        if (!out.y4m.empty()) {
            encodeY4mFrame(frameSurface, out.y4mBytes.data());
            for (size_t i = 0; i < out.y4m.size(); ++i)
                if (!out.y4m[i]->write(out.y4mBytes.data(), kY4mFrameBytes, &why))
                    return fail("output", out.y4mNames[i], why);
        }
        for (size_t i = 0; i < out.videos.size(); ++i)
            if (!out.videos[i]->writeFrame(frameSurface, &why)) return fail("video", out.videoNames[i], why);
        if (!o.traceOut.empty()) {
            encodeTraceRecord(f.elapsedMs, f.spectrum.data(), traceBands, out.traceBytes.data());
            if (!out.trace.write(out.traceBytes.data(), out.traceBytes.size(), &why))
                return fail("output", o.traceOut, why);
        }
        if (!o.pngDir.empty()) {
            const std::string name = pngFrameName(f.frame);
            if (!encodePng(frameSurface, out.pngBytes)) return fail("output", o.pngDir + "/" + name, "PNG encoding failed");
            if (!out.png.writeFile(name, out.pngBytes.data(), out.pngBytes.size(), &why))
                return fail("output", o.pngDir + "/" + name, why);
        }
        return true;
    };
    const bool writesFrames = !o.raw.empty() || !out.y4m.empty() || !out.videos.empty() || !o.traceOut.empty() ||
                              !o.pngDir.empty();
    FrameWriterThread writer(kWriterSlots, kSurfacePixels, o.traceOut.empty() ? 0 : static_cast<size_t>(traceBands),
                             writeOutputs);
    // A stop ends the writer too, even one blocked on a FIFO: it is interrupted until it returns.
    writer.setStopCheck(stopRequested, stopInterruptSignal());
    // The writer is stopped before any output is abandoned: nothing is written while it is taken away.
    auto stopped = [&] {
        writer.stop();
        progress.leave();
        return outputFailed("output", "", "interrupted");
    };
    auto writeFailed = [&] {
        writer.stop();
        const WriteFailure f = writer.failure();
        return outputFailed(f.what.c_str(), f.file, f.why);
    };

    auto showFailed = [&] {
        const std::string why = ziv_last_error();
        writer.stop();
        out.abandon();
        std::fprintf(stderr, "%s: %s\n", kProgramName, why.c_str());
        return 1;
    };
    std::vector<float> spectrum(static_cast<size_t>(std::max(traceBands, kSpectrumBands)), 0.0f);
    RenderStats stats;
    LookMeter look(o.fps);
    FlashMeter flash(o.fps);
    Timings timings;
    const Clock::time_point begun = Clock::now();

    int64_t n = 0;
    for (; frames < 0 || n < frames; ++n) {
        if (stopRequested()) return stopped();
        if (writer.failed()) return writeFailed();
        Clock::time_point mark = Clock::now();
        int32_t elapsedMs;
        if (fromTrace) {
            const int got = trace.next(&elapsedMs, spectrum.data(), &error);
            if (got < 0) {
                writer.stop();
                return outputFailed("trace", o.traceIn, error);
            }
            if (got == 0 && frames < 0) break;
            if (got == 0) {
                writer.stop();
                return outputFailed("trace", o.traceIn,
                                    "holds " + std::to_string(n) + " records, fewer than the frames asked for");
            }
        } else {
            elapsedMs = frameElapsedMs(n, o.fps);
            if (ziv_set_frame(show.get(), n) != ZIV_OK ||
                ziv_frame_spectrum(show.get(), spectrum.data(), static_cast<size_t>(kSpectrumBands)) != ZIV_OK)
                return showFailed();
        }
        timings.analysis += secondsSince(mark);

        const int drawn = fromTrace ? ziv_draw_spectrum(show.get(), spectrum.data(), static_cast<size_t>(traceBands),
                                                        elapsedMs, nullptr)
                                    : ziv_draw_frame(show.get(), nullptr);
        if (drawn != ZIV_OK) return showFailed();
        const FrameRecord record = latestFrameRecord(show.get());
        const uint32_t* surface = ziv_frame_pixels(show.get());
        timings.pipeline += secondsSince(mark);
        if (n < startFrame) {
            progress.update(n + 1);
            continue;
        }
        countFrame(stats, record);
        if (!o.stats.empty()) {
            look.addFrame(surface, record.peak);
            flash.addFrame(surface);
        }

        if (writesFrames) {
            FrameToWrite& f = writer.acquire();
            f.frame = n - startFrame;  // outputs count from the first frame they hold
            f.elapsedMs = elapsedMs;
            f.surface.assign(surface, surface + kSurfacePixels);
            std::copy(spectrum.begin(), spectrum.begin() + static_cast<std::ptrdiff_t>(f.spectrum.size()), f.spectrum.begin());
            writer.submit();
        }
        progress.update(n + 1);
    }
    if (!writer.finish()) return stopRequested() && !writer.failed() ? stopped() : writeFailed();
    writer.stop();
    timings.output += writer.busySeconds();
    if (n < startFrame) {   // a trace of unknown length ended before the start
        std::fprintf(stderr, "%s: --start: the render ends at frame %lld, before the start\n", kProgramName,
                     static_cast<long long>(n));
        out.abandon();
        return 2;
    }
    const int64_t rendered = n;

    // Everything complete first (ffmpeg included), then a last look for a stop, then every name at once.
    Clock::time_point mark = Clock::now();
    if (!o.stats.empty()) {
        const LookFigures figures = look.figures();
        const FlashFigures flashes = flash.figures();
        const std::string json = renderStatsJson(stats, o.fps, &figures, &flashes);
        if (!out.stats.write(json.data(), json.size(), &error)) return outputFailed("output", o.stats, error);
    }
    for (size_t i = 0; i < out.videos.size(); ++i)
        if (!out.videos[i]->complete(&error)) return outputFailed("video", out.videoNames[i], error);
    for (size_t i = 0; i < out.y4m.size(); ++i)
        if (!out.y4m[i]->complete(&error)) return outputFailed("output", out.y4mNames[i], error);
    if (!o.raw.empty() && !out.raw.complete(&error)) return outputFailed("output", o.raw, error);
    if (!o.traceOut.empty() && !out.trace.complete(&error)) return outputFailed("output", o.traceOut, error);
    if (!o.stats.empty() && !out.stats.complete(&error)) return outputFailed("output", o.stats, error);
    if (stopRequested()) {
        progress.leave();
        return outputFailed("output", "", "interrupted");
    }
    for (size_t i = 0; i < out.videos.size(); ++i)
        if (!out.videos[i]->publish(&error)) return outputFailed("video", out.videoNames[i], error);
    for (size_t i = 0; i < out.y4m.size(); ++i)
        if (!out.y4m[i]->publish(&error)) return outputFailed("output", out.y4mNames[i], error);
    if (!o.raw.empty() && !out.raw.publish(&error)) return outputFailed("output", o.raw, error);
    if (!o.traceOut.empty() && !out.trace.publish(&error)) return outputFailed("output", o.traceOut, error);
    if (!o.stats.empty() && !out.stats.publish(&error)) return outputFailed("output", o.stats, error);
    if (!o.pngDir.empty() && !out.png.publish(&error)) return outputFailed("output", o.pngDir, error);
    timings.output += secondsSince(mark);
    progress.finish(rendered);

    if (o.timings) {
        const double total = std::chrono::duration<double>(Clock::now() - begun).count();
        const double sum = timings.analysis + timings.pipeline + timings.output;
        auto share = [&](double s) { return sum > 0 ? 100.0 * s / sum : 0.0; };
        std::fprintf(stderr,
                     "%s: %lld frames in %.2f s (%.1f frames/s); analysis %.2f s (%.1f%%), pipeline %.2f s (%.1f%%), "
                     "output %.2f s (%.1f%%)\n",
                     kProgramName, static_cast<long long>(rendered), total,
                     total > 0 ? static_cast<double>(rendered) / total : 0.0, timings.analysis, share(timings.analysis),
                     timings.pipeline, share(timings.pipeline), timings.output, share(timings.output));
    }
    return 0;
}
