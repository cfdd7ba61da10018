// The C face of the show: argument checks, error codes and messages, and
// nothing of its own beyond them. Samples become spectra in HeardSamples
// (over audio/heard_spectrum.h, the one join every program hears through),
// frames are drawn by runFrame, traces are libziv/trace_file's. No exception
// leaves a ziv_* function: each catches at the boundary.
#include "ziv/ziv.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "audio/audio_constants.h"
#include "audio/track_spectrum.h"
#include "libziv/frame_timing.h"
#include "libziv/heard_samples.h"
#include "libziv/show_record.h"
#include "libziv/trace_file.h"
#include "output/output_constants.h"
#include "output/printable_name.h"
#include "output/show_frame.h"
#include "output/surface_rotation.h"
#include "pictures/picture_bank.h"
#include "scenes/spectrum.h"

static_assert(ZIV_WIDTH == kSurfaceWidth && ZIV_HEIGHT == kSurfaceHeight, "the header's frame is the show's surface");
static_assert(ZIV_SAMPLE_RATE == kMixRate, "the header's timeline rate is the show's mixing rate");
static_assert(ZIV_SPECTRUM_BANDS == kSpectrumBands && ZIV_SPECTRUM_MIN_BANDS == kSpectrumEntriesRead,
              "the header's spectrum is the show's");
static_assert(ZIV_SPECTRUM_MIN_BANDS == kTraceMinBands, "a trace holds at least what a frame reads");

struct ziv_show {
    int fps = 0;
    HeardSamples heard;
    std::unique_ptr<TrackSpectrum> track;   // heard instead of fed samples (ziv_open_track)
    bool fed = false;                       // samples were fed (some may still be in the resampler)
    int64_t position = 0;
    int32_t elapsedMs = 0;
    bool measured = false;                  // spectrum holds the measure at position
    float spectrum[kSpectrumBands] = {};    // what the next frame is drawn from
    FrameRecord record;                     // what the latest frame took
    int64_t framesDrawn = 0;
    // The show's surface keeps what a frame leaves unwritten (the black rows, and the
    // columns of the colour rows that most colour selectors skip), so it is the
    // show's own, not the host's buffer: each frame is copied out of it, unless the
    // host's buffers take turns as the surface (ZIV_SURFACE_CALLER), kept up to
    // date by the rotation.
    std::vector<uint32_t> surface = std::vector<uint32_t>(kSurfacePixels, 0u);
    bool callerSurfaces = false;
    SurfaceRotation rotation;
    const uint32_t* latest = surface.data();
};

struct ziv_trace {
    // Reading
    TraceReader reader;
    // Writing: the file, and the first failure on the way to it
    std::FILE* file = nullptr;
    std::string path;
    int bands = 0;
    bool writeFailed = false;
    std::string writeError;
    std::vector<uint8_t> record;
};

namespace {

// The analyser takes in every hop a position passes, so one step may cover at most this many
// seconds of heard samples: a jump of days would otherwise keep the call busy for hours.
constexpr int64_t kLongestStepSeconds = 600;

thread_local std::string last_error;

// The show's state is process-wide (trail, selectors, random generator): one show at a time.
std::atomic<bool> show_taken{false};

int failWith(int code, const std::string& why) {
    last_error = why;
    return code;
}

// Runs body at the boundary: its code, or the failure an exception stands for.
template <typename Body>
int guarded(const char* call, Body body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return failWith(ZIV_ERROR_MEMORY, std::string(call) + ": out of memory");
    } catch (const std::exception& e) {
        return failWith(ZIV_ERROR_INTERNAL, std::string(call) + ": " + e.what());
    } catch (...) {
        return failWith(ZIV_ERROR_INTERNAL, std::string(call) + ": unexpected failure");
    }
}

int feed(const char* call, ziv_show* show, const void* samples, size_t frames, int rate, int channels,
         SampleKind kind) {
    return guarded(call, [&]() -> int {
        if (!show) return failWith(ZIV_ERROR_ARGUMENT, std::string(call) + ": no show");
        if (show->track) return failWith(ZIV_ERROR_ARGUMENT, std::string(call) + ": the show hears a track, not fed samples");
        if (!samples && frames > 0) return failWith(ZIV_ERROR_ARGUMENT, std::string(call) + ": no samples");
        if (channels < 1 || channels > kTrackMostChannels)
            return failWith(ZIV_ERROR_CHANNELS, std::string(call) + ": " + std::to_string(channels) +
                                                    " channels; samples come in 1 to " +
                                                    std::to_string(kTrackMostChannels) + " channels");
        if (rate < kTrackLowestRate || rate > kTrackHighestRate)
            return failWith(ZIV_ERROR_RATE, std::string(call) + ": rate " + std::to_string(rate) +
                                                " Hz; samples come at " + std::to_string(kTrackLowestRate) + " to " +
                                                std::to_string(kTrackHighestRate) + " Hz");
        std::string why;
        if (!show->heard.feed(samples, frames, rate, channels, kind, &why)) {
            // In range, yet refused: channels without a usual layout cannot be mixed into the first samples' layout.
            const int first = show->heard.channels();
            if (first != channels)
                return failWith(ZIV_ERROR_CHANNELS, std::string(call) + ": samples in " + std::to_string(channels) +
                                                        " channels cannot be mixed into the " + std::to_string(first) +
                                                        " channels fed first");
            return failWith(ZIV_ERROR_INTERNAL, std::string(call) + ": samples " + why);
        }
        show->fed = show->fed || frames > 0;
        return ZIV_OK;
    });
}

void drawInto(ziv_show* show, const float* spectrum, int32_t elapsedMs, uint32_t* pixels) {
    ++show->framesDrawn;
    if (show->callerSurfaces) {
        uint32_t* surface = pixels ? pixels : show->surface.data();
        show->record = runFrame(spectrum, elapsedMs, surface);
        show->rotation.drawn(surface, show->record.fullColourRows);
        show->latest = surface;
        return;
    }
    show->record = runFrame(spectrum, elapsedMs, show->surface.data());
    if (pixels) std::memcpy(pixels, show->surface.data(), static_cast<size_t>(kSurfacePixels) * sizeof(uint32_t));
}

// The spectrum when `position` samples have been heard, from the track or the samples fed.
void measure(ziv_show* show) {
    if (show->track)
        show->track->spectrumAt(show->position, show->spectrum);
    else
        show->heard.spectrumAt(show->position, show->spectrum);
    show->measured = true;
}

bool finiteWithinLimit(const float* spectrum, int bands, int* bad) {
    for (int k = 0; k < bands; ++k) {
        if (!std::isfinite(spectrum[k]) || spectrum[k] < -kTraceEntryLimit || spectrum[k] > kTraceEntryLimit) {
            *bad = k;
            return false;
        }
    }
    return true;
}

}  // namespace

const FrameRecord* zivFrameRecord(const ziv_show* show) { return show ? &show->record : nullptr; }

extern "C" {

void ziv_options_init(ziv_options* options) {
    if (options) options->fps = kDefaultFps;
}

int ziv_create(const ziv_options* options, ziv_show** show) {
    return guarded("ziv_create", [&]() -> int {
        if (!show) return failWith(ZIV_ERROR_ARGUMENT, "ziv_create: nowhere to put the show");
        *show = nullptr;
        ziv_options defaults;
        ziv_options_init(&defaults);
        const ziv_options& o = options ? *options : defaults;
        if (o.fps < 1)
            return failWith(ZIV_ERROR_ARGUMENT, "ziv_create: " + std::to_string(o.fps) + " frames per second; needs 1 or more");
        if (show_taken.exchange(true))
            return failWith(ZIV_ERROR_BUSY, "ziv_create: a show already exists in this process; destroy it first");
        try {
            static const bool loaded = [] {
                loadPictureBank();
                return true;
            }();
            (void)loaded;
            auto* s = new ziv_show;
            s->fps = o.fps;
            resetShowState();
            *show = s;
        } catch (...) {
            show_taken.store(false);
            throw;
        }
        return ZIV_OK;
    });
}

void ziv_destroy(ziv_show* show) {
    if (!show) return;
    delete show;
    show_taken.store(false);
}

int ziv_feed_s16(ziv_show* show, const int16_t* samples, size_t frames, int rate, int channels) {
    return feed("ziv_feed_s16", show, samples, frames, rate, channels, SampleKind::Int16);
}

int ziv_feed_f32(ziv_show* show, const float* samples, size_t frames, int rate, int channels) {
    return feed("ziv_feed_f32", show, samples, frames, rate, channels, SampleKind::Float32);
}

int ziv_fed_samples(const ziv_show* show, int64_t* count) {
    if (!show || !count) return failWith(ZIV_ERROR_ARGUMENT, "ziv_fed_samples: no show or nowhere to put the count");
    *count = show->heard.fed();
    return ZIV_OK;
}

int ziv_open_track(ziv_show* show, const char* path) {
    return guarded("ziv_open_track", [&]() -> int {
        if (!show || !path) return failWith(ZIV_ERROR_ARGUMENT, "ziv_open_track: no show or no path");
        if (show->track || show->fed)
            return failWith(ZIV_ERROR_ARGUMENT, "ziv_open_track: the show already hears " +
                                                    std::string(show->track ? "a track" : "fed samples"));
        auto track = std::make_unique<TrackSpectrum>();
        std::string why;
        if (!track->open(path, &why)) return failWith(ZIV_ERROR_FILE, "track '" + printableName(path) + "': " + why);
        show->track = std::move(track);
        show->measured = false;
        return ZIV_OK;
    });
}

int ziv_set_position(ziv_show* show, int64_t heard_samples, int32_t elapsed_ms) {
    return guarded("ziv_set_position", [&]() -> int {
        if (!show) return failWith(ZIV_ERROR_ARGUMENT, "ziv_set_position: no show");
        if (heard_samples < 0 || elapsed_ms < 0)
            return failWith(ZIV_ERROR_POSITION, "ziv_set_position: positions and the clock start at 0");
        if (heard_samples < show->position)
            return failWith(ZIV_ERROR_POSITION, "ziv_set_position: heard position " + std::to_string(heard_samples) +
                                                    " goes back from " + std::to_string(show->position));
        if (heard_samples - show->position > kLongestStepSeconds * kMixRate)
            return failWith(ZIV_ERROR_POSITION, "ziv_set_position: heard position " + std::to_string(heard_samples) +
                                                    " is more than " + std::to_string(kLongestStepSeconds) +
                                                    " seconds on from " + std::to_string(show->position));
        show->position = heard_samples;
        show->elapsedMs = elapsed_ms;
        measure(show);
        return ZIV_OK;
    });
}

int ziv_set_frame(ziv_show* show, int64_t frame) {
    if (!show) return failWith(ZIV_ERROR_ARGUMENT, "ziv_set_frame: no show");
    // The clock is a signed 32-bit count of milliseconds: frame x 1000 / fps must fit it.
    const int64_t lastFrame = ((static_cast<int64_t>(INT32_MAX) + 1) * show->fps - 1) / 1000;
    if (frame < 0 || frame > lastFrame)
        return failWith(ZIV_ERROR_POSITION, "ziv_set_frame: frame " + std::to_string(frame) + " is outside 0.." +
                                                std::to_string(lastFrame) + " at " + std::to_string(show->fps) + " fps");
    return ziv_set_position(show, frameTrackPosition(frame, show->fps), frameElapsedMs(frame, show->fps));
}

int ziv_draw_frame(ziv_show* show, uint32_t* pixels) {
    return guarded("ziv_draw_frame", [&]() -> int {
        if (!show) return failWith(ZIV_ERROR_ARGUMENT, "ziv_draw_frame: no show");
        if (!show->measured) measure(show);
        drawInto(show, show->spectrum, show->elapsedMs, pixels);
        return ZIV_OK;
    });
}

int ziv_draw_spectrum(ziv_show* show, const float* spectrum, size_t bands, int32_t elapsed_ms, uint32_t* pixels) {
    return guarded("ziv_draw_spectrum", [&]() -> int {
        if (!show || !spectrum) return failWith(ZIV_ERROR_ARGUMENT, "ziv_draw_spectrum: no show or no spectrum");
        if (bands < static_cast<size_t>(kSpectrumEntriesRead))
            return failWith(ZIV_ERROR_ARGUMENT, "ziv_draw_spectrum: " + std::to_string(bands) +
                                                    " entries; a frame reads " + std::to_string(kSpectrumEntriesRead));
        const size_t kept = std::min(bands, static_cast<size_t>(kSpectrumBands));
        std::memcpy(show->spectrum, spectrum, kept * sizeof(float));
        std::fill(show->spectrum + kept, show->spectrum + kSpectrumBands, 0.0f);
        show->elapsedMs = elapsed_ms;
        show->measured = false;   // a later ziv_draw_frame measures at the position again
        drawInto(show, spectrum, elapsed_ms, pixels);
        return ZIV_OK;
    });
}

int ziv_set_surface(ziv_show* show, int where) {
    if (!show) return failWith(ZIV_ERROR_ARGUMENT, "ziv_set_surface: no show");
    if (where != ZIV_SURFACE_OWN && where != ZIV_SURFACE_CALLER)
        return failWith(ZIV_ERROR_ARGUMENT, "ziv_set_surface: " + std::to_string(where) +
                                                " is neither ZIV_SURFACE_OWN nor ZIV_SURFACE_CALLER");
    // The buffers' contents follow from every frame drawn so far: the choice is made before them.
    if (show->framesDrawn > 0)
        return failWith(ZIV_ERROR_ARGUMENT, "ziv_set_surface: " + std::to_string(show->framesDrawn) +
                                                " frames were drawn already; choose before the first");
    show->callerSurfaces = where == ZIV_SURFACE_CALLER;
    return ZIV_OK;
}

int ziv_frame_spectrum(const ziv_show* show, float* spectrum, size_t bands) {
    if (!show || !spectrum) return failWith(ZIV_ERROR_ARGUMENT, "ziv_frame_spectrum: no show or no spectrum");
    if (bands > static_cast<size_t>(kSpectrumBands))
        return failWith(ZIV_ERROR_ARGUMENT, "ziv_frame_spectrum: " + std::to_string(bands) + " entries; the show measures " +
                                                std::to_string(kSpectrumBands));
    std::memcpy(spectrum, show->spectrum, bands * sizeof(float));
    return ZIV_OK;
}

const uint32_t* ziv_frame_pixels(const ziv_show* show) {
    if (!show) {
        failWith(ZIV_ERROR_ARGUMENT, "ziv_frame_pixels: no show");
        return nullptr;
    }
    return show->latest;
}

int ziv_scale_frame(const uint32_t* pixels, int scale, uint32_t* scaled) {
    if (!pixels || !scaled) return failWith(ZIV_ERROR_ARGUMENT, "ziv_scale_frame: no pixels or nowhere to put them");
    if (scale < 1 || scale > ZIV_MAX_SCALE)
        return failWith(ZIV_ERROR_ARGUMENT, "ziv_scale_frame: scale " + std::to_string(scale) + "; needs 1 to " +
                                                std::to_string(ZIV_MAX_SCALE));
    const size_t width = static_cast<size_t>(kSurfaceWidth) * static_cast<size_t>(scale);
    for (int y = 0; y < kSurfaceHeight; ++y) {
        uint32_t* row = scaled + static_cast<size_t>(y) * static_cast<size_t>(scale) * width;
        const uint32_t* from = pixels + static_cast<size_t>(y) * kSurfaceWidth;
        for (int x = 0; x < kSurfaceWidth; ++x)
            for (int i = 0; i < scale; ++i) row[static_cast<size_t>(x) * static_cast<size_t>(scale) + static_cast<size_t>(i)] = from[x];
        for (int i = 1; i < scale; ++i) std::memcpy(row + static_cast<size_t>(i) * width, row, width * sizeof(uint32_t));
    }
    return ZIV_OK;
}

int ziv_trace_open(const char* path, ziv_trace** trace) {
    return guarded("ziv_trace_open", [&]() -> int {
        if (!path || !trace) return failWith(ZIV_ERROR_ARGUMENT, "ziv_trace_open: no path or nowhere to put the trace");
        *trace = nullptr;
        auto* t = new ziv_trace;
        std::string why;
        if (!t->reader.open(path, &why)) {
            delete t;
            // A file that opens and reads but does not hold a trace is a format error.
            struct stat st {};
            const bool readable = ::stat(path, &st) == 0 && S_ISREG(st.st_mode) && ::access(path, R_OK) == 0;
            return failWith(readable ? ZIV_ERROR_FORMAT : ZIV_ERROR_FILE, "trace '" + printableName(path) + "': " + why);
        }
        t->path = path;
        *trace = t;
        return ZIV_OK;
    });
}

int ziv_trace_bands(const ziv_trace* trace) {
    if (!trace) return failWith(ZIV_ERROR_ARGUMENT, "ziv_trace_bands: no trace");
    return trace->file ? trace->bands : trace->reader.bands();
}

int ziv_trace_records(const ziv_trace* trace, int64_t* records) {
    if (!trace || trace->file || !records)
        return failWith(ZIV_ERROR_ARGUMENT, "ziv_trace_records: no trace being read, or nowhere to put the count");
    *records = trace->reader.records();
    return ZIV_OK;
}

int ziv_trace_read(ziv_trace* trace, int32_t* elapsed_ms, float* spectrum, size_t capacity) {
    return guarded("ziv_trace_read", [&]() -> int {
        if (!trace || trace->file || !elapsed_ms || !spectrum)
            return failWith(ZIV_ERROR_ARGUMENT, "ziv_trace_read: no trace being read, or nowhere to put a record");
        if (capacity < static_cast<size_t>(trace->reader.bands()))
            return failWith(ZIV_ERROR_ARGUMENT, "ziv_trace_read: room for " + std::to_string(capacity) +
                                                    " entries; the trace's records hold " +
                                                    std::to_string(trace->reader.bands()));
        std::string why;
        const int got = trace->reader.next(elapsed_ms, spectrum, &why);
        if (got < 0) return failWith(ZIV_ERROR_FORMAT, "trace '" + printableName(trace->path) + "': " + why);
        return got;
    });
}

int ziv_trace_create(const char* path, int bands, ziv_trace** trace) {
    return guarded("ziv_trace_create", [&]() -> int {
        if (!path || !trace) return failWith(ZIV_ERROR_ARGUMENT, "ziv_trace_create: no path or nowhere to put the trace");
        *trace = nullptr;
        if (bands < kTraceMinBands || bands > kTraceMaxBands)
            return failWith(ZIV_ERROR_ARGUMENT, "ziv_trace_create: band count " + std::to_string(bands) +
                                                    " (needs " + std::to_string(kTraceMinBands) + " to " +
                                                    std::to_string(kTraceMaxBands) + ")");
        std::FILE* file = std::fopen(path, "wbe");
        if (!file) return failWith(ZIV_ERROR_FILE, "trace '" + printableName(path) + "': " + std::strerror(errno));
        auto* t = new ziv_trace;
        t->file = file;
        t->path = path;
        t->bands = bands;
        t->record.resize(traceRecordBytes(bands));
        uint8_t header[kTraceHeaderBytes];
        encodeTraceHeader(bands, header);
        if (std::fwrite(header, 1, sizeof header, file) != sizeof header) {
            t->writeFailed = true;
            t->writeError = std::strerror(errno);
        }
        *trace = t;
        return ZIV_OK;
    });
}

int ziv_trace_write(ziv_trace* trace, int32_t elapsed_ms, const float* spectrum) {
    return guarded("ziv_trace_write", [&]() -> int {
        if (!trace || !trace->file || !spectrum)
            return failWith(ZIV_ERROR_ARGUMENT, "ziv_trace_write: no trace being written, or no spectrum");
        int bad = 0;
        // What could not be read back is never written.
        if (!finiteWithinLimit(spectrum, trace->bands, &bad))
            return failWith(ZIV_ERROR_ARGUMENT, "ziv_trace_write: entry " + std::to_string(bad) +
                                                    " is not a finite number within -8..8");
        if (trace->writeFailed)
            return failWith(ZIV_ERROR_FILE, "trace '" + printableName(trace->path) + "': " + trace->writeError);
        encodeTraceRecord(elapsed_ms, spectrum, trace->bands, trace->record.data());
        if (std::fwrite(trace->record.data(), 1, trace->record.size(), trace->file) != trace->record.size()) {
            trace->writeFailed = true;
            trace->writeError = std::strerror(errno);
            return failWith(ZIV_ERROR_FILE, "trace '" + printableName(trace->path) + "': " + trace->writeError);
        }
        return ZIV_OK;
    });
}

int ziv_trace_close(ziv_trace* trace) {
    if (!trace) return ZIV_OK;
    int result = ZIV_OK;
    if (trace->file) {
        const bool flushed = std::fflush(trace->file) == 0;
        const std::string flushError = flushed ? "" : std::strerror(errno);
        const bool closed = std::fclose(trace->file) == 0;
        if (!trace->writeFailed && (!flushed || !closed)) {
            trace->writeFailed = true;
            trace->writeError = flushed ? std::strerror(errno) : flushError;
        }
        if (trace->writeFailed) result = failWith(ZIV_ERROR_FILE, "trace '" + printableName(trace->path) + "': " + trace->writeError);
    }
    delete trace;
    return result;
}

const char* ziv_last_error(void) { return last_error.c_str(); }

const char* ziv_strerror(int code) {
    switch (code) {
        case ZIV_OK: return "no error";
        case ZIV_ERROR_ARGUMENT: return "bad argument";
        case ZIV_ERROR_RATE: return "sample rate out of range";
        case ZIV_ERROR_CHANNELS: return "channel count out of range";
        case ZIV_ERROR_POSITION: return "position out of range or going back";
        case ZIV_ERROR_BUSY: return "a show already exists in this process";
        case ZIV_ERROR_MEMORY: return "out of memory";
        case ZIV_ERROR_FILE: return "file cannot be opened, read or written";
        case ZIV_ERROR_FORMAT: return "not a valid trace";
        case ZIV_ERROR_INTERNAL: return "internal failure";
        default: return "unknown error code";
    }
}

}  // extern "C"

