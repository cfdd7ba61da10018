#include "app/ziv-play/listen.h"

#include <chrono>
#include <string>

#include "audio/audio_constants.h"
#include "platform/pulse_capture.h"

namespace {

constexpr int kCaptureFrames = 256;   // about 6 ms per read

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void capture(Listener* l) {
    float chunk[kCaptureFrames];
    while (!l->quit.load(std::memory_order_acquire)) {
        std::string why;
        if (!readPulseCapture(l->capture, chunk, kCaptureFrames, &why)) {
            l->lostWhy = why.empty() ? "the capture stopped" : why;
            l->failed.store(true, std::memory_order_release);
            return;
        }
        l->heardSpectrum->append(chunk, kCaptureFrames, 1);
    }
}

}  // namespace

bool startListening(Listener& l, const std::string& source, std::string* why) {
    l.capture = openPulseCapture(source.c_str(), kMixRate, why);
    if (!l.capture) return false;
    l.heardSpectrum = std::make_unique<HeardSpectrum>();
    l.lastSpectrumNs = nowNs();
    l.source = source;
    l.lostWhy.clear();
    l.failed.store(false);
    l.quit.store(false);
    l.reader = std::thread(capture, &l);
    return true;
}

const float* listenerSpectrum(Listener& l) {
    l.lastSpectrumNs = nowNs();
    l.heard = l.heardSpectrum->appended();
    l.heardSpectrum->spectrumAt(l.heard, l.spectrum);
    return l.spectrum;
}

bool listenerLost(const Listener& l, std::string* why) {
    if (!l.failed.load(std::memory_order_acquire)) return false;
    if (why) *why = l.lostWhy;
    return true;
}

void stopListening(Listener& l) {
    l.quit.store(true, std::memory_order_release);
    // The reader may be blocked in a read; closing the capture after it returns is safe,
    // and at most one fragment (a few milliseconds) away.
    if (l.reader.joinable()) l.reader.join();
    closePulseCapture(l.capture);
    l.capture = nullptr;
}
