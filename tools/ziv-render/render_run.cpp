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

#include "libziv/frame_timing.h"
#include "libziv/show_record.h"
#include "libziv/trace_file.h"
#include "output/printable_name.h"
#include "output/show_frame.h"
#include "tools/ziv-render/file_roles.h"
#include "tools/ziv-render/frame_sink.h"
#include "tools/ziv-render/frame_writer_thread.h"
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

// The show and the trace come from the library, and go back to it on every way out.
struct ShowHandle {
    ziv_show* show = nullptr;
    ~ShowHandle() { ziv_destroy(show); }
};
struct TraceHandle {
    ziv_trace* trace = nullptr;
    ~TraceHandle() { ziv_trace_close(trace); }
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
    // The library's message names the file and says why.
    auto libraryFailed = [&] {
        if (stopRequested()) return interrupted();
        std::fprintf(stderr, "%s: %s\n", kProgramName, ziv_last_error());
        return 1;
    };

    // The show draws every frame, from the track it hears or the trace it replays, straight
    // into the writer's slots (ZIV_SURFACE_CALLER): none is copied to be written.
    ShowHandle show;
    ziv_options options;
    ziv_options_init(&options);
    options.fps = o.fps;
    if (ziv_create(&options, &show.show) != ZIV_OK || ziv_set_surface(show.show, ZIV_SURFACE_CALLER) != ZIV_OK)
        return libraryFailed();

    // Inputs first: a bad header or track writes nothing. A trace is read record by record as it renders.
    TraceHandle trace;
    const bool fromTrace = !o.traceIn.empty();
    int64_t traceRecords = 0;
    if (fromTrace && (ziv_trace_open(o.traceIn.c_str(), &trace.trace) != ZIV_OK ||
                      ziv_trace_records(trace.trace, &traceRecords) != ZIV_OK))
        return libraryFailed();
    if (fromTrace && traceRecords == 0) return failFile("trace", o.traceIn, "holds no records");
    const std::string trackPath = effectiveTrack(o);
    if (!trackPath.empty() && ziv_open_track(show.show, trackPath.c_str()) != ZIV_OK) return libraryFailed();

    // -1: every record of a trace whose length shows only at its end.
    int64_t frames;
    if (fromTrace && traceRecords < 0) {
        frames = o.frames >= 0 || o.secondsMs >= 0 ? renderFrameCount(o, INT64_MAX) : -1;
    } else {
        frames = renderFrameCount(o, fromTrace ? traceRecords : 0);
        if (frames < 0)
            return failFile("trace", o.traceIn,
                            "holds " + std::to_string(traceRecords) + " records, fewer than the frames asked for");
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

    // Every output of one render is opened before the first frame, completed after the
    // last, and published only when every one of them is complete.
    RenderStats stats;
    LookMeter look(o.fps);
    FlashMeter flash(o.fps);
    FrameSinks sinks;
    auto abandonAll = [&] {
        for (auto& s : sinks) s->abandon();
    };
    auto outputFailed = [&](const char* what, const std::string& file, const std::string& why) {
        abandonAll();
        return inputFailed(what, file, why);
    };
    auto sinkFailed = [&](const WriteFailure& f) { return outputFailed(f.what.c_str(), f.file, f.why); };
    const int traceBands = fromTrace ? ziv_trace_bands(trace.trace) : kSpectrumBands;
    SinkSettings settings;
    settings.fps = o.fps;
    settings.frames = frames;
    settings.startFrame = startFrame;
    settings.track = trackPath;
    settings.quality = o.quality;
    settings.videoScale = videoScale(o);
    settings.traceBands = traceBands;
    settings.statsText = [&] {
        const LookFigures figures = look.figures();
        const FlashFigures flashes = flash.figures();
        return renderStatsJson(stats, o.fps, &figures, &flashes);
    };
    WriteFailure failure;
    if (!openFrameSinks(o, settings, &sinks, &failure)) return inputFailed(failure.what.c_str(), failure.file, failure.why);
    ProgressBar progress(frames, shouldShowProgress(o.progress, o.noProgress));

    // Every per-frame output is written on a second thread, in frame order, while the
    // next frames are analysed and drawn. The frames are drawn straight into the writer's
    // slots, so none is copied to be written.
    auto writeOutputs = [&](const FrameToWrite& f, WriteFailure* fail) {
        for (auto& s : sinks)
            if (s->takesFrames() && !s->write(f, fail)) return false;
        return true;
    };
    const bool writesFrames = std::any_of(sinks.begin(), sinks.end(), [](const auto& s) { return s->takesFrames(); });
    FrameWriterThread writer(kWriterSlots, writesFrames ? kSurfacePixels : 0,
                             o.traceOut.empty() ? 0 : static_cast<size_t>(traceBands), writeOutputs);
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
        return sinkFailed(writer.failure());
    };

    std::vector<float> spectrum(static_cast<size_t>(std::max(traceBands, kSpectrumBands)), 0.0f);
    Timings timings;
    const Clock::time_point begun = Clock::now();

    int64_t n = 0;
    for (; frames < 0 || n < frames; ++n) {
        if (stopRequested()) return stopped();
        if (writer.failed()) return writeFailed();
        FrameToWrite* slot = writesFrames ? &writer.acquire() : nullptr;
        uint32_t* pixels = slot ? slot->surface.data() : nullptr;   // null: the show's own surface
        Clock::time_point mark = Clock::now();
        int32_t elapsedMs;
        int drawn;
        if (fromTrace) {
            const int got = ziv_trace_read(trace.trace, &elapsedMs, spectrum.data(), spectrum.size());
            if (got < 0) {
                writer.stop();
                abandonAll();
                return libraryFailed();
            }
            if (got == 0 && frames < 0) break;
            if (got == 0) {
                writer.stop();
                return outputFailed("trace", o.traceIn,
                                    "holds " + std::to_string(n) + " records, fewer than the frames asked for");
            }
            timings.analysis += secondsSince(mark);
            drawn = ziv_draw_spectrum(show.show, spectrum.data(), static_cast<size_t>(traceBands), elapsedMs, pixels);
        } else {
            if (ziv_set_frame(show.show, n) != ZIV_OK) {
                writer.stop();
                abandonAll();
                return libraryFailed();
            }
            elapsedMs = frameElapsedMs(n, o.fps);
            timings.analysis += secondsSince(mark);
            drawn = ziv_draw_frame(show.show, pixels);
            if (slot && !slot->spectrum.empty()) ziv_frame_spectrum(show.show, spectrum.data(), kSpectrumBands);
        }
        if (drawn != ZIV_OK) {
            writer.stop();
            abandonAll();
            return libraryFailed();
        }
        const uint32_t* surface = ziv_frame_pixels(show.show);
        const FrameRecord& record = *zivFrameRecord(show.show);
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

        if (slot) {
            slot->frame = n - startFrame;  // outputs count from the first frame they hold
            slot->elapsedMs = elapsedMs;
            std::copy(spectrum.begin(), spectrum.begin() + static_cast<std::ptrdiff_t>(slot->spectrum.size()),
                      slot->spectrum.begin());
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
        abandonAll();
        return 2;
    }
    const int64_t rendered = n;

    // Everything complete first (ffmpeg included), then a last look for a stop, then every name at once.
    Clock::time_point mark = Clock::now();
    for (auto& s : sinks)
        if (!s->complete(&failure)) return sinkFailed(failure);
    if (stopRequested()) {
        progress.leave();
        return outputFailed("output", "", "interrupted");
    }
    for (auto& s : sinks)
        if (!s->publish(&failure)) return sinkFailed(failure);
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
