#include "tools/look/flash_meter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "tools/look/look_meter.h"

namespace {

constexpr double kChangedShare = 0.25;
constexpr double kLuminanceStep = 0.1;
constexpr double kRedStep = 20.0;
constexpr double kRedScale = 320.0;
constexpr double kDarkerEndBelow = 0.8;
constexpr int64_t kFailAbove = 6;        // transitions in one second
constexpr int64_t kWarnFrom = 4;
constexpr int kExtendedSeconds = 5;
constexpr int kExtendedHeldSeconds = 4;
constexpr int64_t kMostFlashesInOneSecond = 2;   // the show's own target, stricter than the test

// Linear values held as whole multiples of 2^-40, so that a frame's sums are
// exact and independent of their order, and integer adds keep the pass cheap.
constexpr double kFixedOne = 1099511627776.0;   // 2^40

// A channel byte's share of the luminance and its linear value, side by side:
// one index finds both.
struct ChannelEntry {
    int64_t luminance, linear;
};

struct Tables {
    std::array<double, 256> linear{};
    std::array<ChannelEntry, 256> r{}, g{}, b{};
};

const Tables& tables() {
    static const Tables made = [] {
        Tables t;
        for (size_t c = 0; c < 256; ++c) {
            const double v = static_cast<double>(c) / 255.0;
            t.linear[c] = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
            const int64_t fixed = std::llround(t.linear[c] * kFixedOne);
            t.r[c] = {std::llround(0.2126 * t.linear[c] * kFixedOne), fixed};
            t.g[c] = {std::llround(0.7152 * t.linear[c] * kFixedOne), fixed};
            t.b[c] = {std::llround(0.0722 * t.linear[c] * kFixedOne), fixed};
        }
        return t;
    }();
    return made;
}

// R - G - B where R is at least 80 % of R + G + B, else 0; in 2^-40. On whole
// numbers 5R >= 4(R + G + B) is exactly R >= 4(G + B), which also makes
// R - G - B positive unless all three are 0.
inline int64_t redExcess(int64_t r, int64_t g, int64_t b) {
    const int64_t gb = g + b;
    return 4 * gb <= r ? r - gb : 0;
}

inline int64_t redExcess(const Tables& t, uint32_t p) {
    return redExcess(t.r[(p >> 16) & 0xFF].linear, t.g[(p >> 8) & 0xFF].linear, t.b[p & 0xFF].linear);
}

// The previous frame's pixels keep their colour in the low 24 bits and, above
// them, whether the pixel was saturated red: a pixel that is not red in
// either frame cannot have changed its red value.
constexpr uint32_t kColourBits = 0x00FFFFFFu;
constexpr uint32_t kWasRed = 0x01000000u;

struct TileSums {
    int64_t luminance = 0, red = 0;
    int64_t luminanceChanged = 0, redChanged = 0, pixels = 0;
};

std::string format(const char* f, double a, double b = 0.0) {
    char text[200];
    std::snprintf(text, sizeof text, f, a, b);
    return text;
}

double flashes(int64_t transitions) { return static_cast<double>(transitions) / 2.0; }

}  // namespace

double linearChannel(int byte) { return tables().linear[static_cast<size_t>(std::clamp(byte, 0, 255))]; }

double pixelLuminance(uint32_t p) {
    return 0.2126 * linearChannel(static_cast<int>((p >> 16) & 0xFF)) + 0.7152 * linearChannel(static_cast<int>((p >> 8) & 0xFF)) +
           0.0722 * linearChannel(static_cast<int>(p & 0xFF));
}

FlashSeries::FlashSeries(int fps, double threshold, bool darkerLimit)
    : fps_(std::max(1, fps)), threshold_(threshold), darkerLimit_(darkerLimit) {}

bool FlashSeries::addFrame(double mean, double changedShare) {
    const int64_t n = n_++;
    const double before = n == 0 ? mean : lastMean_;
    const double change = n > 0 && changedShare >= kChangedShare ? mean - lastMean_ : 0.0;
    lastMean_ = mean;
    const int sign = change > 0.0 ? 1 : change < 0.0 ? -1 : 0;
    if (sign != 0 && sign_ != 0 && sign != sign_) {
        changes_.clear();
        before_.clear();
        counted_ = false;
    }
    if (sign != 0) sign_ = sign;
    changes_.push_back(change);
    before_.push_back(before);
    if (static_cast<int>(changes_.size()) > fps_) {
        changes_.pop_front();
        before_.pop_front();
    }
    double sum = 0.0;
    for (double c : changes_) sum += c;
    bool transition = false;
    if (!counted_ && sign_ != 0 && sign_ * sum >= threshold_) {
        const double darker = std::min(before_.front(), mean);
        if (!darkerLimit_ || darker < kDarkerEndBelow) transition = counted_ = true;
    }
    if (transition) {
        ++f_.transitions;
        transitionFrames_.push_back(n);
    }
    while (!transitionFrames_.empty() && transitionFrames_.front() <= n - fps_) transitionFrames_.pop_front();
    const int64_t inWindow = static_cast<int64_t>(transitionFrames_.size());
    f_.mostTransitionsInOneSecond = std::max(f_.mostTransitionsInOneSecond, inWindow);
    const bool warns = inWindow >= kWarnFrom && inWindow <= kFailAbove;
    f_.failingWindows += inWindow > kFailAbove;
    f_.warningWindows += warns;
    warned_.push_back(warns);
    warnedCount_ += warns;
    if (static_cast<int>(warned_.size()) > kExtendedSeconds * fps_) {
        warnedCount_ -= warned_.front();
        warned_.pop_front();
    }
    if (inWindow >= kWarnFrom && warnedCount_ >= static_cast<int64_t>(kExtendedHeldSeconds) * fps_) ++f_.extendedFailures;
    return transition;
}

FlashMeter::FlashMeter(int fps) : fps_(std::max(1, fps)) {
    for (int i = 0; i <= kFlashTiles; ++i) {
        luminance_.emplace_back(fps_, kLuminanceStep, true);
        red_.emplace_back(fps_, kRedStep, false);
    }
}

void FlashMeter::addFrame(const uint32_t* surface) {
    const Tables& t = tables();
    // The first frame has no change whatever it is compared with.
    if (previous_.empty()) previous_.assign(static_cast<size_t>(kSurfaceWidth) * kSurfaceHeight, 0u);
    TileSums tiles[kFlashTiles];
    int columnEnd[kFlashTileColumns];
    for (int c = 0; c < kFlashTileColumns; ++c) columnEnd[c] = (c + 1) * kSurfaceWidth / kFlashTileColumns;
    for (int row = 0; row < kSurfaceHeight; ++row) {
        const uint32_t* p = surface + static_cast<size_t>(row) * kSurfaceWidth;
        uint32_t* q = previous_.data() + static_cast<size_t>(row) * kSurfaceWidth;
        const int tileRow = row * kFlashTileRows / kSurfaceHeight;
        int x = 0;
        for (int c = 0; c < kFlashTileColumns; ++c) {
            int64_t luminance = 0, red = 0, luminanceChanged = 0, redChanged = 0;
            const int end = columnEnd[c];
            const int from = x;
            for (; x < end; ++x) {
                const uint32_t now = p[x] & kColourBits, stored = q[x], before = stored & kColourBits;
                const ChannelEntry& r = t.r[now >> 16];
                const ChannelEntry& g = t.g[(now >> 8) & 0xFF];
                const ChannelEntry& b = t.b[now & 0xFF];
                luminance += r.luminance + g.luminance + b.luminance;
                const int64_t excess = redExcess(r.linear, g.linear, b.linear);
                red += excess;
                // Distinct colours have distinct luminance (checked over all of them), so a
                // pixel's luminance changed exactly when its colour did.
                const bool changed = now != before;
                luminanceChanged += changed;
                if (changed && (excess != 0 || (stored & kWasRed) != 0)) redChanged += excess != redExcess(t, before);
                q[x] = now | (excess != 0 ? kWasRed : 0u);
            }
            TileSums& s = tiles[tileRow * kFlashTileColumns + c];
            s.luminance += luminance;
            s.red += red;
            s.luminanceChanged += luminanceChanged;
            s.redChanged += redChanged;
            s.pixels += end - from;
        }
    }
    TileSums whole;
    for (const TileSums& s : tiles) {
        whole.luminance += s.luminance;
        whole.red += s.red;
        whole.luminanceChanged += s.luminanceChanged;
        whole.redChanged += s.redChanged;
        whole.pixels += s.pixels;
    }
    for (int i = 0; i <= kFlashTiles; ++i) {
        const TileSums& s = i == 0 ? whole : tiles[i - 1];
        const double n = static_cast<double>(s.pixels);
        luminance_[static_cast<size_t>(i)].addFrame(static_cast<double>(s.luminance) / kFixedOne / n,
                                                    static_cast<double>(s.luminanceChanged) / n);
        red_[static_cast<size_t>(i)].addFrame(static_cast<double>(s.red) * kRedScale / kFixedOne / n,
                                              static_cast<double>(s.redChanged) / n);
    }
    ++frames_;
}

namespace {

void takeLargest(FlashSeriesFigures& into, const FlashSeriesFigures& f) {
    into.transitions = std::max(into.transitions, f.transitions);
    into.mostTransitionsInOneSecond = std::max(into.mostTransitionsInOneSecond, f.mostTransitionsInOneSecond);
    into.failingWindows = std::max(into.failingWindows, f.failingWindows);
    into.extendedFailures = std::max(into.extendedFailures, f.extendedFailures);
    into.warningWindows = std::max(into.warningWindows, f.warningWindows);
}

}  // namespace

FlashFigures FlashMeter::figures() const {
    FlashFigures f;
    f.fps = fps_;
    f.frames = frames_;
    f.luminance = luminance_[0].figures();
    f.red = red_[0].figures();
    for (int i = 1; i <= kFlashTiles; ++i) {
        takeLargest(f.tileLuminance, luminance_[static_cast<size_t>(i)].figures());
        takeLargest(f.tileRed, red_[static_cast<size_t>(i)].figures());
    }
    f.verdict = flashVerdict(f.luminance, f.red);
    f.tileVerdict = flashVerdict(f.tileLuminance, f.tileRed);
    return f;
}

FlashVerdict flashVerdict(const FlashSeriesFigures& l, const FlashSeriesFigures& r) {
    if (l.failingWindows + l.extendedFailures + r.failingWindows + r.extendedFailures > 0) return FlashVerdict::Fail;
    if (l.warningWindows + r.warningWindows > 0) return FlashVerdict::Warning;
    return FlashVerdict::Pass;
}

const char* flashVerdictName(FlashVerdict v) {
    return v == FlashVerdict::Fail ? "fail" : v == FlashVerdict::Warning ? "warning" : "pass";
}

namespace {

std::string seriesJson(const FlashSeriesFigures& s) {
    return "{\"most_flashes_in_one_second\": " + format("%.1f", flashes(s.mostTransitionsInOneSecond)) +
           ", \"flashes\": " + format("%.1f", flashes(s.transitions)) +
           ", \"failing_windows\": " + std::to_string(s.failingWindows) +
           ", \"extended_failures\": " + std::to_string(s.extendedFailures) +
           ", \"warning_windows\": " + std::to_string(s.warningWindows) + "}";
}

}  // namespace

std::string flashJson(const FlashFigures& f, const std::string& in) {
    std::string j = "{\n";
    j += in + "  \"frames\": " + std::to_string(f.frames) + ",\n";
    j += in + "  \"luminance\": " + seriesJson(f.luminance) + ",\n";
    j += in + "  \"red\": " + seriesJson(f.red) + ",\n";
    j += in + "  \"verdict\": \"" + flashVerdictName(f.verdict) + "\",\n";
    j += in + "  \"worst_tile\": {\n";
    j += in + "    \"luminance\": " + seriesJson(f.tileLuminance) + ",\n";
    j += in + "    \"red\": " + seriesJson(f.tileRed) + ",\n";
    j += in + "    \"verdict\": \"" + flashVerdictName(f.tileVerdict) + "\"\n";
    j += in + "  }\n";
    j += in + "}";
    return j;
}

std::vector<std::string> describeFlash(const FlashFigures& f) {
    std::vector<std::string> out;
    auto series = [&](const char* area, const char* kind, const FlashSeriesFigures& s) {
        const std::string what = std::string(area) + " " + kind;
        out.push_back(what + format(" most flashes in one second: %.1f", flashes(s.mostTransitionsInOneSecond)));
        out.push_back(what + format(" flashes: %.1f", flashes(s.transitions)));
        out.push_back(what + format(" failing windows: %.0f, extended failures: ", static_cast<double>(s.failingWindows)) +
                      format("%.0f, warning windows: ", static_cast<double>(s.extendedFailures)) +
                      std::to_string(s.warningWindows));
    };
    series("flash", "luminance", f.luminance);
    series("flash", "red", f.red);
    out.push_back(std::string("flash verdict: ") + flashVerdictName(f.verdict));
    series("flash tile", "luminance", f.tileLuminance);
    series("flash tile", "red", f.tileRed);
    out.push_back(std::string("flash tile verdict: ") + flashVerdictName(f.tileVerdict));
    return out;
}

std::vector<std::string> checkFlashTargets(const FlashFigures& f) {
    std::vector<std::string> misses;
    if (f.verdict == FlashVerdict::Fail)
        misses.push_back(format("the flash test fails (%.0f failing windows, ",
                                static_cast<double>(f.luminance.failingWindows + f.red.failingWindows)) +
                         format("%.0f extended failures)", static_cast<double>(f.luminance.extendedFailures + f.red.extendedFailures)));
    if (f.luminance.mostTransitionsInOneSecond > 2 * kMostFlashesInOneSecond)
        misses.push_back(format("%.1f luminance flashes within one second (at most 2)", flashes(f.luminance.mostTransitionsInOneSecond)));
    if (f.red.mostTransitionsInOneSecond > 2 * kMostFlashesInOneSecond)
        misses.push_back(format("%.1f red flashes within one second (at most 2)", flashes(f.red.mostTransitionsInOneSecond)));
    return misses;
}
