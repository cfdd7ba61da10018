#include "audio/heard_position.h"

#include <algorithm>
#include <thread>

#include "audio/audio_constants.h"

void publishHeard(HeardPosition& heard, int64_t start, int frames, int64_t time) {
    const uint32_t seq = heard.sequence.load(std::memory_order_relaxed);
    heard.sequence.store(seq + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    heard.start.store(start, std::memory_order_relaxed);
    heard.frames.store(frames, std::memory_order_relaxed);
    heard.time.store(time, std::memory_order_relaxed);
    heard.sequence.store(seq + 2, std::memory_order_release);
}

int64_t readHeard(const HeardPosition& heard, int64_t now, int64_t fallback) {
    int64_t start = 0, time = 0;
    int frames = 0;
    std::chrono::steady_clock::time_point giveUpAt;
    for (int attempt = 0;; ++attempt) {
        const uint32_t before = heard.sequence.load(std::memory_order_acquire);
        start = heard.start.load(std::memory_order_relaxed);
        frames = heard.frames.load(std::memory_order_relaxed);
        time = heard.time.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (!(before & 1) && heard.sequence.load(std::memory_order_relaxed) == before) break;
        if (attempt < kHeardSpins) continue;
        const auto waited = std::chrono::steady_clock::now();
        if (attempt == kHeardSpins) giveUpAt = waited + kHeardPatience;
        else if (waited >= giveUpAt) return fallback;
        std::this_thread::yield();
    }
    if (now <= time) return start;
    const double advanced = static_cast<double>(now - time) * kMixRate / 1e9;
    return start + std::min(static_cast<int64_t>(frames), static_cast<int64_t>(advanced));
}
