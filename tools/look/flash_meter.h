// The general-flash and red-flash test broadcasters use for photosensitive
// viewers, run on the surfaces the show writes.
//
//   FlashMeter flash(60);                         // frames per second
//   flash.addFrame(pixels);                       // every frame, in order: the whole 640x480 surface
//   FlashFigures f = flash.figures();
//   std::string json = flashJson(f);              // the "flash" object of ziv-render --stats
//   std::vector<std::string> misses = checkFlashTargets(f);   // empty: passes, at most 2 flashes a second
//
// The test, on the whole surface and on each of its nine tiles (3x3; columns
// 0..212, 213..425, 426..639, rows of 160):
//   - Per pixel, each channel byte c is made linear (c/255, then the sRGB
//     curve). Luminance is 0.2126 R + 0.7152 G + 0.0722 B; the red value is
//     (R - G - B) * 320 where R/(R+G+B) >= 0.8 and R - G - B > 0, else 0.
//     Bits above the three channel bytes are no colour. Sums are taken over
//     linear values rounded to whole multiples of 2^-40 (exact, in any order).
//   - Per frame, if at least 25 % of the area's pixels changed their value at
//     all since the previous frame, the frame's change is the difference of
//     the area's means; otherwise it is 0. The first frame has no change.
//   - Changes of one sign (0 counts as either) are summed over the run since
//     the sign last changed, but never over more than the last second (the
//     sum holds at most fps changes: older ones drop out). A change of the
//     other sign starts a new sum. A run counts one transition, on the frame
//     its sum first reaches 0.1 (red: 20) in its direction.
//   - For luminance, the darker of the transition's two ends must also be
//     below 0.8: the ends are the mean before the oldest change in the sum
//     and the mean now. A run that reaches 0.1 between two bright frames
//     counts later if it goes on into the dark.
//   - A window is the fps frames that end with a frame; a flash is two
//     transitions. A window with more than 6 transitions fails; one with 4 to
//     6 warns. A window with at least 4 transitions fails as extended when at
//     least 4 s of the last 5 s (4 * fps of its 5 * fps windows, itself
//     included) held 4 to 6 transitions. Each figure counts windows (frames).
//   - Verdict: fail on any failing window or extended failure, luminance or
//     red; else warning on any warning window; else pass. The worst tile's
//     figures are each the largest over the nine tiles, with their own verdict.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

inline constexpr int kFlashTileColumns = 3;
inline constexpr int kFlashTileRows = 3;
inline constexpr int kFlashTiles = kFlashTileColumns * kFlashTileRows;

enum class FlashVerdict : int { Pass, Warning, Fail };

// One measure (luminance or red) on one area.
struct FlashSeriesFigures {
    int64_t transitions = 0;
    int64_t mostTransitionsInOneSecond = 0;
    int64_t failingWindows = 0;     // more than 6 transitions
    int64_t extendedFailures = 0;
    int64_t warningWindows = 0;     // 4 to 6 transitions
};

struct FlashFigures {
    int fps = 60;
    int64_t frames = 0;
    FlashSeriesFigures luminance, red;           // the whole surface
    FlashSeriesFigures tileLuminance, tileRed;   // each figure the largest over the tiles
    FlashVerdict verdict = FlashVerdict::Pass;
    FlashVerdict tileVerdict = FlashVerdict::Pass;
};

// A channel byte made linear.
double linearChannel(int byte);
// A pixel's relative luminance (bits above its three channel bytes ignored).
double pixelLuminance(uint32_t pixel);

// The transitions of one measure on one area, frame by frame.
class FlashSeries {
public:
    // threshold: 0.1 for luminance, 20 for red; darkerLimit: the luminance rule on the darker end.
    FlashSeries(int fps, double threshold, bool darkerLimit);
    // The area's mean and the share (0..1) of its pixels whose value changed since the previous frame.
    // Returns whether this frame completed a transition.
    bool addFrame(double mean, double changedShare);
    const FlashSeriesFigures& figures() const { return f_; }

private:
    int fps_;
    double threshold_;
    bool darkerLimit_;
    FlashSeriesFigures f_;
    int64_t n_ = 0;
    double lastMean_ = 0.0;
    int sign_ = 0;              // of the run being summed; 0 before any change
    bool counted_ = false;      // the run has counted its transition
    std::deque<double> changes_, before_;   // the run's changes within the last second, and the mean before each
    std::deque<int64_t> transitionFrames_;  // within the last second
    std::deque<char> warned_;               // the last 5 s: windows of 4 to 6 transitions
    int64_t warnedCount_ = 0;
};

class FlashMeter {
public:
    explicit FlashMeter(int fps);
    void addFrame(const uint32_t* surface);   // the whole 640x480 surface
    FlashFigures figures() const;

private:
    int fps_;
    int64_t frames_ = 0;
    std::vector<uint32_t> previous_;
    std::vector<FlashSeries> luminance_, red_;   // [0] the whole surface, then the tiles row by row
};

FlashVerdict flashVerdict(const FlashSeriesFigures& luminance, const FlashSeriesFigures& red);
const char* flashVerdictName(FlashVerdict v);
std::string flashJson(const FlashFigures& f, const std::string& indent = "  ");
// The lines of a report, one figure per line.
std::vector<std::string> describeFlash(const FlashFigures& f);
// A failed verdict, or more than 2 flashes in any second (whole surface, luminance or red); each miss is one line.
std::vector<std::string> checkFlashTargets(const FlashFigures& f);
