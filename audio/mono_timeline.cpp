#include "audio/mono_timeline.h"

#include "audio/channel_mix.h"

void resetTimeline(MonoTimeline& timeline) {
    for (auto& sample : timeline.ring) sample.store(0.0f, std::memory_order_relaxed);
    timeline.claimed.store(0, std::memory_order_relaxed);
    timeline.written.store(0, std::memory_order_release);
}

void appendToTimeline(MonoTimeline& timeline, const float* interleaved, int frames, int channels) {
    if (!interleaved || frames <= 0 || channels <= 0) return;
    const int64_t start = timeline.written.load(std::memory_order_relaxed);
    // Announce first: a reader that sees any of the new samples then also sees the claim.
    timeline.claimed.store(start + frames, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    for (int i = 0; i < frames; ++i)
        timeline.ring[(start + i) & (MonoTimeline::kCapacity - 1)].store(
            monoOf(interleaved + static_cast<size_t>(i) * channels, channels), std::memory_order_relaxed);
    timeline.written.store(start + frames, std::memory_order_release);
}

void windowAt(const MonoTimeline& timeline, int64_t position, float* window) {
    const int64_t written = timeline.written.load(std::memory_order_acquire);
    for (int n = 0; n < kAnalysisWindow; ++n) {
        const int64_t at = position - kAnalysisWindow + n;
        window[n] = at >= 0 && at < written
                        ? timeline.ring[at & (MonoTimeline::kCapacity - 1)].load(std::memory_order_relaxed)
                        : 0.0f;
    }
    // Whatever the writer claimed by the time the copy ended may have replaced what was read.
    std::atomic_thread_fence(std::memory_order_acquire);
    const int64_t intactFrom = timeline.claimed.load(std::memory_order_relaxed) - MonoTimeline::kCapacity;
    for (int n = 0; n < kAnalysisWindow; ++n)
        if (position - kAnalysisWindow + n < intactFrom) window[n] = 0.0f;
}

void analyseHeard(AnalyserState& state, const MonoTimeline& timeline, int64_t position, float* spectrum) {
    float window[kAnalysisWindow];
    for (; state.nextHop <= position; ) {
        windowAt(timeline, state.nextHop, window);
        takeInHop(state, window);
    }
    windowAt(timeline, position, window);
    shapeSpectrum(state, window, position, spectrum);
}
