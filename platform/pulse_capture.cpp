#include "platform/pulse_capture.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// The server's name for the monitor of whatever output is the default now.
constexpr const char* kDefaultMonitor = "@DEFAULT_MONITOR@";
// Small fragments: the show should react to what is heard now, not to what
// was heard a buffer ago.
constexpr unsigned kFragmentFrames = 256;
// A server that answers at all answers in milliseconds; one silent this long is not coming.
constexpr int kConnectSeconds = 5;

}  // namespace

struct PulseCapture {
    pa_simple* stream = nullptr;
};

namespace {

// One connection attempt, shared between the caller and the thread that makes it:
// whoever comes last frees it, and a stream that arrives after the caller gave up is closed.
struct Connecting {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    bool abandoned = false;
    pa_simple* stream = nullptr;
    int error = 0;
};

}  // namespace

PulseCapture* openPulseCapture(const char* source, int rate, std::string* why) {
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, static_cast<uint32_t>(rate), 1};
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.tlength = static_cast<uint32_t>(-1);
    attributes.prebuf = static_cast<uint32_t>(-1);
    attributes.minreq = static_cast<uint32_t>(-1);
    attributes.fragsize = kFragmentFrames * sizeof(float);
    const std::string device = source && *source ? source : kDefaultMonitor;
    // The simple API waits for the server without a limit: a server that accepts and
    // never answers would hold the program for ever, so the wait happens on a thread of its own.
    auto attempt = std::make_shared<Connecting>();
    std::thread([attempt, device, spec, attributes] {
        int error = 0;
        pa_simple* stream = pa_simple_new(nullptr, "ziv-play", PA_STREAM_RECORD, device.c_str(),
                                          "what the desktop plays", &spec, nullptr, &attributes, &error);
        std::lock_guard<std::mutex> guard(attempt->lock);
        if (attempt->abandoned) {
            if (stream) pa_simple_free(stream);
            return;
        }
        attempt->stream = stream;
        attempt->error = error;
        attempt->finished = true;
        attempt->done.notify_all();
    }).detach();
    std::unique_lock<std::mutex> guard(attempt->lock);
    if (!attempt->done.wait_for(guard, std::chrono::seconds(kConnectSeconds), [&] { return attempt->finished; })) {
        attempt->abandoned = true;
        if (why) *why = "the sound server did not answer within " + std::to_string(kConnectSeconds) + " s";
        return nullptr;
    }
    if (!attempt->stream) {
        if (why) *why = pa_strerror(attempt->error);
        return nullptr;
    }
    return new PulseCapture{attempt->stream};
}

bool readPulseCapture(PulseCapture* capture, float* mono, int frames, std::string* why) {
    if (!capture || frames <= 0) return false;
    int error = 0;
    if (pa_simple_read(capture->stream, mono, static_cast<size_t>(frames) * sizeof(float), &error) < 0) {
        if (why) *why = pa_strerror(error);
        return false;
    }
    return true;
}

void closePulseCapture(PulseCapture* capture) {
    if (!capture) return;
    pa_simple_free(capture->stream);
    delete capture;
}
