#include "platform/pulse_capture.h"

#include <pulse/error.h>
#include <pulse/simple.h>

namespace {

// The server's name for the monitor of whatever output is the default now.
constexpr const char* kDefaultMonitor = "@DEFAULT_MONITOR@";
// Small fragments: the show should react to what is heard now, not to what
// was heard a buffer ago.
constexpr unsigned kFragmentFrames = 256;

}  // namespace

struct PulseCapture {
    pa_simple* stream = nullptr;
};

PulseCapture* openPulseCapture(const char* source, int rate, std::string* why) {
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, static_cast<uint32_t>(rate), 1};
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.tlength = static_cast<uint32_t>(-1);
    attributes.prebuf = static_cast<uint32_t>(-1);
    attributes.minreq = static_cast<uint32_t>(-1);
    attributes.fragsize = kFragmentFrames * sizeof(float);
    int error = 0;
    pa_simple* stream = pa_simple_new(nullptr, "ziv-play", PA_STREAM_RECORD, source && *source ? source : kDefaultMonitor,
                                      "what the desktop plays", &spec, nullptr, &attributes, &error);
    if (!stream) {
        if (why) *why = pa_strerror(error);
        return nullptr;
    }
    return new PulseCapture{stream};
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
