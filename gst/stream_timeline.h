// Where the show stands in a stream of timestamped audio: the samples fed
// since the show last started, set against the stream's own timestamps (ns).
// A frame's heard position and clock are measured from the first sample fed,
// so a frame at the same distance from the start as ziv-render's frame n gets
// ziv-render's position and clock for frame n.
//
//   StreamTimeline line;
//   line.restart(rate);                                  // a new show
//   FeedPlan plan = line.plan(bufferPts);                // before feeding a buffer
//   if (plan.restart) ...                                // start afresh at this buffer
//   feed plan.silence frames of silence, then the buffer; line.fed(bufferPts, plan.silence + frames)
//   ShowPosition at = line.positionAt(framePts);         // heard samples (44.1 kHz) and ms
//
// Frames stand on a regular grid from the first sample, one every 1/fps s,
// whatever the size of the buffers; a frame is due once the samples fed reach it:
//
//   FrameGrid grid;
//   grid.restart(line.startNs(), 60, 1);
//   uint64_t pts;
//   while (grid.nextDue(line.heardUntilNs(samplesInTheShow), &pts)) draw the frame at pts;
#pragma once
#include <cstdint>

inline constexpr uint64_t kNoTime = UINT64_MAX;                    // a buffer without a timestamp
inline constexpr uint64_t kNanosecondsPerSecond = 1000000000;
// Timestamps within this of where the samples fed say the stream is are the
// same place: decoders round their timestamps, and a frame is 16.7 ms at 60 fps.
inline constexpr uint64_t kTimestampToleranceNs = 40000000;
// A longer gap ahead is a jump (a seek without a flush, a new stream), not missing samples.
inline constexpr uint64_t kLongestSilenceNs = 10 * kNanosecondsPerSecond;

struct FeedPlan {
    bool restart = false;   // the buffer does not follow what was fed: start the show afresh here
    uint64_t silence = 0;   // frames of silence to feed first, for a gap before the buffer
};

struct ShowPosition {
    int64_t heard = 0;      // samples of the show's 44.1 kHz timeline
    int32_t elapsedMs = 0;  // the show's clock
};

class StreamTimeline {
public:
    // A new show whose samples come at `rate`; its start is the first timestamped buffer.
    void restart(int rate);
    bool started() const { return start_ != kNoTime; }
    int rate() const { return rate_; }

    uint64_t startNs() const { return start_; }
    // Where the samples fed so far end (kNoTime before the start).
    uint64_t coveredNs() const;
    // The last timestamp whose heard position (positionAt) is at most `samples` of the show's
    // 44.1 kHz timeline: a frame there has every sample it needs once the show holds that many.
    uint64_t heardUntilNs(int64_t samples) const;

    // What to do with a buffer at `pts` (kNoTime: it follows on).
    FeedPlan plan(uint64_t pts) const;
    // The buffer (and any silence) was fed; pts is the buffer's own, as given to plan.
    void fed(uint64_t pts, uint64_t frames);

    // The position of a frame whose picture stands at `pts`, never before the
    // previous one (positions never go back), 0 before the start.
    ShowPosition positionAt(uint64_t pts);

private:
    uint64_t expectedPts() const;

    int rate_ = 0;
    uint64_t start_ = kNoTime;   // timestamp of the first sample fed
    uint64_t frames_ = 0;        // frames fed since the start, silence included
    ShowPosition last_;
};

class FrameGrid {
public:
    // Frames from originNs at fpsN / fpsD a second (both 1 or more).
    void restart(uint64_t originNs, int fpsN, int fpsD);
    void stop() { origin_ = kNoTime; }
    bool started() const { return origin_ != kNoTime; }
    int fpsN() const { return fpsN_; }
    int fpsD() const { return fpsD_; }
    // The next frame's timestamp into pts when it is no later than coveredNs; the grid then moves on.
    bool nextDue(uint64_t coveredNs, uint64_t* pts);
    // The length of the frame nextDue gave last: from its timestamp to the next one's.
    uint64_t duration() const { return duration_; }

private:
    uint64_t frameOffset(uint64_t index) const;

    uint64_t origin_ = kNoTime;
    uint64_t next_ = 0;   // index of the next frame
    uint64_t duration_ = 0;
    int fpsN_ = 1, fpsD_ = 1;
};
