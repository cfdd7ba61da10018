#include "tools/ziv-render/render_run.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "output/show_frame.h"
#include "pictures/picture_bank.h"
#include "tools/ziv-render/frame_writer_thread.h"
#include "tools/ziv-render/frame_writers.h"
#include "tools/ziv-render/output_file.h"
#include "tools/ziv-render/progress_bar.h"
#include "tools/ziv-render/render_constants.h"
#include "tools/ziv-render/render_options.h"
#include "tools/ziv-render/render_stats.h"
#include "audio/track_spectrum.h"
#include "tools/ziv-render/trace_file.h"
#include "tools/ziv-render/video_encoder.h"
#include "ziv_version.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

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
    std::fprintf(stderr, "%s: %s '%s': %s\n", kProgramName, what, file.c_str(), why.c_str());
    return 1;
}

bool loadPictureBankOnce() {
    static bool loaded = false;
    if (!loaded) {
        loadPictureBank();
        loaded = true;
    }
    return loaded;
}

// Every output of one render, opened before the first frame and committed after the last.
struct Outputs {
    std::vector<std::unique_ptr<OutputFile>> y4m;
    std::vector<std::string> y4mNames;
    std::vector<std::unique_ptr<FfmpegVideo>> videos;
    std::vector<std::string> videoNames;
    OutputFile raw, trace, stats;
    std::string pngDir;
    std::vector<uint8_t> rawBytes, y4mBytes, traceBytes, pngBytes;

    void abandon() {
        for (auto& f : y4m) f->abandon();
        for (auto& v : videos) v->abandon();
        raw.abandon();
        trace.abandon();
        stats.abandon();
    }
};

bool ensureFolder(const std::string& dir, std::string* why) {
    struct stat st;
    if (stat(dir.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        *why = "is not a folder";
        return false;
    }
    if (mkdir(dir.c_str(), 0777) == 0) return true;
    *why = std::strerror(errno);
    return false;
}

}  // namespace

void requestRenderStop() { stopRequested = 1; }

int renderMain(int argc, const char* const* argv) {
    stopRequested = 0;
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

    // Inputs first: nothing is written unless every input is sound.
    Trace trace;
    const bool fromTrace = !o.traceIn.empty();
    if (fromTrace && !readTraceFile(o.traceIn, trace, &error)) return failFile("trace", o.traceIn, error);
    if (fromTrace && traceRecords(trace) == 0) return failFile("trace", o.traceIn, "holds no records");
    const std::string trackPath = effectiveTrack(o);
    TrackSpectrum track;
    if (!trackPath.empty() && !track.open(trackPath, &error)) return failFile("track", trackPath, error);

    const int64_t frames = renderFrameCount(o, fromTrace ? traceRecords(trace) : 0);
    if (frames < 0) {
        return failFile("trace", o.traceIn,
                        "holds " + std::to_string(traceRecords(trace)) + " records, fewer than the frames asked for");
    }
    const int64_t startFrame = renderStartFrame(o);
    if (startFrame >= frames) {
        std::fprintf(stderr, "%s: --start: the render ends at frame %lld, before the start\n", kProgramName,
                     static_cast<long long>(frames));
        return 2;
    }
    for (const VideoOutput& v : o.videos) {
        if (v.kind != VideoKind::Y4m && findProgram("ffmpeg").empty())
            return failFile("video", v.path, "the ffmpeg program is not on the PATH (install ffmpeg, or write -o FILE.y4m)");
    }

    Outputs out;
    auto openFailed = [&](const char* what, const std::string& file, const std::string& why) {
        out.abandon();
        if (stopRequested) return interrupted();
        return failFile(what, file, why);
    };
    for (const VideoOutput& v : o.videos) {
        if (v.kind == VideoKind::Y4m) {
            out.y4m.push_back(std::make_unique<OutputFile>());
            out.y4mNames.push_back(v.path);
            if (!out.y4m.back()->open(v.path, &error)) return openFailed("output", v.path, error);
            const std::string header = y4mHeader(o.fps);
            if (!out.y4m.back()->write(header.data(), header.size(), &error)) return openFailed("output", v.path, error);
        } else {
            out.videos.push_back(std::make_unique<FfmpegVideo>());
            out.videoNames.push_back(v.path);
            VideoJob job{v.path, v.kind, o.fps, trackPath, frames - startFrame, o.quality, videoScale(o), startFrame};
            if (!out.videos.back()->start(job, &error)) return openFailed("video", v.path, error);
        }
    }
    if (!o.raw.empty() && !out.raw.open(o.raw, &error)) return openFailed("output", o.raw, error);
    if (!o.stats.empty() && !out.stats.open(o.stats, &error)) return openFailed("output", o.stats, error);
    const int traceBands = fromTrace ? trace.bands : kSpectrumBands;
    if (!o.traceOut.empty()) {
        if (!out.trace.open(o.traceOut, &error)) return openFailed("output", o.traceOut, error);
        uint8_t header[kTraceHeaderBytes];
        encodeTraceHeader(traceBands, header);
        if (!out.trace.write(header, sizeof header, &error)) return openFailed("output", o.traceOut, error);
    }
    if (!o.pngDir.empty() && !ensureFolder(o.pngDir, &error)) return openFailed("output", o.pngDir, error);
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
            const std::string name = o.pngDir + "/" + pngFrameName(f.frame);
            OutputFile png;
            if (!encodePng(frameSurface, out.pngBytes)) return fail("output", name, "PNG encoding failed");
            if (!png.open(name, &why) || !png.write(out.pngBytes.data(), out.pngBytes.size(), &why) ||
                !png.commit(&why))
                return fail("output", name, why);
        }
        return true;
    };
    const bool writesFrames = !o.raw.empty() || !out.y4m.empty() || !out.videos.empty() || !o.traceOut.empty() ||
                              !o.pngDir.empty();
    FrameWriterThread writer(kWriterSlots, kSurfacePixels, o.traceOut.empty() ? 0 : static_cast<size_t>(traceBands),
                             writeOutputs);
    auto writeFailed = [&] {
        writer.stop();
        const WriteFailure f = writer.failure();
        return openFailed(f.what.c_str(), f.file, f.why);
    };

    loadPictureBankOnce();
    resetShowState();
    std::vector<uint32_t> surface(kSurfacePixels, 0u);
    std::vector<float> spectrum(kSpectrumBands, 0.0f);
    RenderStats stats;
    LookMeter look(o.fps);
    Timings timings;
    ProgressBar progress(frames, shouldShowProgress(o.progress, o.noProgress));
    const Clock::time_point begun = Clock::now();

    for (int64_t n = 0; n < frames; ++n) {
        if (stopRequested) {
            writer.stop();
            out.abandon();
            progress.leave();
            return interrupted();
        }
        if (writer.failed()) return writeFailed();
        Clock::time_point mark = Clock::now();
        const float* frameSpectrum;
        int32_t elapsedMs;
        if (fromTrace) {
            frameSpectrum = traceSpectrum(trace, n);
            elapsedMs = trace.elapsedMs[static_cast<size_t>(n)];
        } else {
            track.spectrumAt(frameTrackPosition(n, o.fps), spectrum.data());
            frameSpectrum = spectrum.data();
            elapsedMs = frameElapsedMs(n, o.fps);
        }
        timings.analysis += secondsSince(mark);

        const FrameRecord record = runFrame(frameSpectrum, elapsedMs, surface.data());
        timings.pipeline += secondsSince(mark);
        if (n < startFrame) {
            progress.update(n + 1);
            continue;
        }
        countFrame(stats, record);
        if (!o.stats.empty()) look.addFrame(surface.data(), record.peak);

        if (writesFrames) {
            FrameToWrite& f = writer.acquire();
            f.frame = n - startFrame;  // outputs count from the first frame they hold
            f.elapsedMs = elapsedMs;
            f.surface = surface;
            std::copy(frameSpectrum, frameSpectrum + f.spectrum.size(), f.spectrum.begin());
            writer.submit();
        }
        progress.update(n + 1);
    }
    if (!writer.finish()) return writeFailed();
    writer.stop();
    timings.output += writer.busySeconds();

    if (!o.stats.empty()) {
        const LookFigures figures = look.figures();
        const std::string json = renderStatsJson(stats, o.fps, &figures);
        if (!out.stats.write(json.data(), json.size(), &error)) return openFailed("output", o.stats, error);
    }
    Clock::time_point mark = Clock::now();
    for (size_t i = 0; i < out.videos.size(); ++i)
        if (!out.videos[i]->finish(&error)) return openFailed("video", out.videoNames[i], error);
    for (size_t i = 0; i < out.y4m.size(); ++i)
        if (!out.y4m[i]->commit(&error)) return openFailed("output", out.y4mNames[i], error);
    if (!o.raw.empty() && !out.raw.commit(&error)) return openFailed("output", o.raw, error);
    if (!o.traceOut.empty() && !out.trace.commit(&error)) return openFailed("output", o.traceOut, error);
    if (!o.stats.empty() && !out.stats.commit(&error)) return openFailed("output", o.stats, error);
    timings.output += secondsSince(mark);
    progress.finish();

    if (o.timings) {
        const double total = std::chrono::duration<double>(Clock::now() - begun).count();
        const double sum = timings.analysis + timings.pipeline + timings.output;
        auto share = [&](double s) { return sum > 0 ? 100.0 * s / sum : 0.0; };
        std::fprintf(stderr,
                     "%s: %lld frames in %.2f s (%.1f frames/s); analysis %.2f s (%.1f%%), pipeline %.2f s (%.1f%%), "
                     "output %.2f s (%.1f%%)\n",
                     kProgramName, static_cast<long long>(frames), total,
                     total > 0 ? static_cast<double>(frames) / total : 0.0, timings.analysis, share(timings.analysis),
                     timings.pipeline, share(timings.pipeline), timings.output, share(timings.output));
    }
    return 0;
}
