#include "app/ziv-play/listen.h"

#include <string>

#include "audio/audio_constants.h"
#include "platform/pulse_capture.h"

namespace {

constexpr int kCaptureFrames = 256;   // about 6 ms per read
// Samples kept for a frame loop that stops taking them (paused, or a window being dragged):
// the newest ten seconds, so memory stays bounded however long it waits.
constexpr size_t kMostWaiting = 10 * static_cast<size_t>(kMixRate);

void capture(Listener* l) {
    float chunk[kCaptureFrames];
    while (!l->quit.load(std::memory_order_acquire)) {
        std::string why;
        if (!readPulseCapture(l->capture, chunk, kCaptureFrames, &why)) {
            l->lostWhy = why.empty() ? "the capture stopped" : why;
            l->failed.store(true, std::memory_order_release);
            return;
        }
        std::lock_guard<std::mutex> guard(l->taking);
        if (l->captured.size() + kCaptureFrames > kMostWaiting)
            l->captured.erase(l->captured.begin(), l->captured.begin() + kCaptureFrames);
        l->captured.insert(l->captured.end(), chunk, chunk + kCaptureFrames);
    }
}

}  // namespace

bool startListening(Listener& l, const std::string& source, std::string* why) {
    l.capture = openPulseCapture(source.c_str(), kMixRate, why);
    if (!l.capture) return false;
    l.source = source;
    l.lostWhy.clear();
    l.captured.clear();
    l.failed.store(false);
    l.quit.store(false);
    l.reader = std::thread(capture, &l);
    return true;
}

void takeCaptured(Listener& l, std::vector<float>& mono) {
    std::lock_guard<std::mutex> guard(l.taking);
    mono.insert(mono.end(), l.captured.begin(), l.captured.end());
    l.captured.clear();
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
