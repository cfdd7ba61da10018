#include "gst/stream_timeline.h"

#include <algorithm>

#include <ziv/ziv.h>

namespace {

// a x b / c, truncated or rounded to the nearest, without overflow while b and c stay below 2^32
// and the result fits: a is split into whole multiples of c and the rest.
uint64_t scaleDown(uint64_t a, uint64_t b, uint64_t c, bool roundNearest) {
    return a / c * b + (a % c * b + (roundNearest ? c / 2 : 0)) / c;
}

}  // namespace

void StreamTimeline::restart(int rate) {
    rate_ = rate;
    start_ = kNoTime;
    frames_ = 0;
    last_ = {};
}

uint64_t StreamTimeline::expectedPts() const {
    return start_ + scaleDown(frames_, kNanosecondsPerSecond, static_cast<uint64_t>(rate_), false);
}

uint64_t StreamTimeline::coveredNs() const { return started() ? expectedPts() : kNoTime; }

uint64_t StreamTimeline::heardUntilNs(int64_t samples) const {
    if (!started() || samples < 0) return kNoTime;
    // positionAt rounds half up: floor((t x 44100 + 5e8) / 1e9) <= F  <=>  t x 44100 < (2F + 1) x 5e8,
    // so t is at most ((2F + 1) x 5e8 - 1) / 44100, one less when 44100 divides (2F + 1) x 5e8 (441 divides 2F + 1).
    const uint64_t odd = 2 * static_cast<uint64_t>(samples) + 1;
    uint64_t until = scaleDown(odd, kNanosecondsPerSecond / 2, ZIV_SAMPLE_RATE, false);
    if (odd % 441 == 0) --until;
    return start_ + until;
}

FeedPlan StreamTimeline::plan(uint64_t pts) const {
    FeedPlan plan;
    if (pts == kNoTime || !started()) return plan;
    const uint64_t expected = expectedPts();
    if (pts + kTimestampToleranceNs < expected) {
        plan.restart = true;   // back in time: the stream went somewhere else
    } else if (pts > expected + kTimestampToleranceNs) {
        if (pts - expected > kLongestSilenceNs)
            plan.restart = true;
        else
            plan.silence = scaleDown(pts - expected, static_cast<uint64_t>(rate_), kNanosecondsPerSecond, true);
    }
    return plan;
}

void StreamTimeline::fed(uint64_t pts, uint64_t frames) {
    if (!started() && pts != kNoTime) start_ = pts;
    if (started()) frames_ += frames;
}

ShowPosition StreamTimeline::positionAt(uint64_t pts) {
    ShowPosition at;
    if (started() && pts != kNoTime && pts > start_) {
        const uint64_t since = pts - start_;
        // Rounded to the nearest sample: a frame's timestamp is its first sample's, truncated to the nanosecond.
        at.heard = static_cast<int64_t>(std::min<uint64_t>(
            scaleDown(since, ZIV_SAMPLE_RATE, kNanosecondsPerSecond, true), INT64_MAX));
        at.elapsedMs = static_cast<int32_t>(std::min<uint64_t>(since / 1000000, INT32_MAX));
    }
    at.heard = std::max(at.heard, last_.heard);
    at.elapsedMs = std::max(at.elapsedMs, last_.elapsedMs);
    last_ = at;
    return at;
}

void FrameGrid::restart(uint64_t originNs, int fpsN, int fpsD) {
    origin_ = originNs;
    next_ = 0;
    fpsN_ = std::max(fpsN, 1);
    fpsD_ = std::max(fpsD, 1);
}

// Truncated to the nanosecond, as GStreamer's own frame timestamps are.
uint64_t FrameGrid::frameOffset(uint64_t index) const {
    return scaleDown(index * static_cast<uint64_t>(fpsD_), kNanosecondsPerSecond, static_cast<uint64_t>(fpsN_), false);
}

bool FrameGrid::nextDue(uint64_t coveredNs, uint64_t* pts) {
    if (!started() || coveredNs == kNoTime || coveredNs < origin_) return false;
    const uint64_t at = origin_ + frameOffset(next_);
    if (at > coveredNs) return false;
    *pts = at;
    duration_ = frameOffset(next_ + 1) - frameOffset(next_);
    ++next_;
    return true;
}

