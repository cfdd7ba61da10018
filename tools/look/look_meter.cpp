#include "tools/look/look_meter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr double kDarkLuminance = 20.0;
// A frame is red-dominated when its mean green and blue bytes are each under this share of its mean red.
constexpr double kRedDominatedShare = 0.35;
constexpr double kGreySaturation = 0.15;
constexpr double kGreyBrightest = 8.0;
const char* const kHueNames[kLookHues] = {"red", "yellow", "green", "cyan", "blue", "magenta", "grey"};

double percent(int64_t part, int64_t whole) {
    return whole > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

std::string format(const char* f, double a, double b = 0.0) {
    char text[200];
    std::snprintf(text, sizeof text, f, a, b);
    return text;
}

}  // namespace

LookHue hueSector(double r, double g, double b) {
    const double hi = std::max({r, g, b});
    const double lo = std::min({r, g, b});
    if (hi < kGreyBrightest || hi == lo) return kHueGrey;
    // Hue, lightness and saturation as the HLS model defines them, on 0..1.
    const double rr = r / 255.0, gg = g / 255.0, bb = b / 255.0;
    const double mx = hi / 255.0, mn = lo / 255.0, span = mx - mn;
    const double lightness = (mx + mn) / 2.0;
    const double saturation = lightness <= 0.5 ? span / (mx + mn) : span / (2.0 - mx - mn);
    if (saturation < kGreySaturation) return kHueGrey;
    const double rc = (mx - rr) / span, gc = (mx - gg) / span, bc = (mx - bb) / span;
    double h = hi == r ? bc - gc : hi == g ? 2.0 + rc - bc : 4.0 + gc - rc;
    h = h / 6.0;
    h -= std::floor(h);
    const double degrees = std::fmod(h * 360.0 + 30.0, 360.0);
    return static_cast<LookHue>(std::min(5, static_cast<int>(degrees / 60.0)));
}

BandColour measureBand(const uint32_t* surface) {
    int64_t sumR = 0, sumG = 0, sumB = 0, sumRg = 0, sumYb2 = 0;
    double sqRg = 0.0, sqYb = 0.0;
    for (int row = kLookBandFirstRow; row < kLookBandFirstRow + kLookBandRows; ++row) {
        const uint32_t* p = surface + static_cast<size_t>(row) * kSurfaceWidth;
        int64_t rowSqRg = 0, rowSqYb2 = 0;
        for (int x = 0; x < kSurfaceWidth; ++x) {
            const int r = static_cast<int>((p[x] >> 16) & 0xFF);
            const int g = static_cast<int>((p[x] >> 8) & 0xFF);
            const int b = static_cast<int>(p[x] & 0xFF);
            sumR += r;
            sumG += g;
            sumB += b;
            const int rg = r - g;
            const int yb2 = r + g - 2 * b;   // twice (R + G)/2 - B, kept whole
            sumRg += rg;
            sumYb2 += yb2;
            rowSqRg += rg * rg;
            rowSqYb2 += yb2 * yb2;
        }
        sqRg += static_cast<double>(rowSqRg);
        sqYb += static_cast<double>(rowSqYb2) / 4.0;
    }
    const double n = static_cast<double>(kSurfaceWidth) * kLookBandRows;
    BandColour c;
    c.meanR = static_cast<double>(sumR) / n;
    c.meanG = static_cast<double>(sumG) / n;
    c.meanB = static_cast<double>(sumB) / n;
    c.luminance = 0.2126 * c.meanR + 0.7152 * c.meanG + 0.0722 * c.meanB;
    c.dark = c.luminance < kDarkLuminance;
    c.redDominated = c.meanG < kRedDominatedShare * c.meanR && c.meanB < kRedDominatedShare * c.meanR && c.meanR > 1.0;
    c.hue = hueSector(c.meanR, c.meanG, c.meanB);
    const double meanRg = static_cast<double>(sumRg) / n;
    const double meanYb = static_cast<double>(sumYb2) / 2.0 / n;
    const double varRg = std::max(0.0, sqRg / n - meanRg * meanRg);
    const double varYb = std::max(0.0, sqYb / n - meanYb * meanYb);
    c.colourfulness = std::sqrt(varRg + varYb) + 0.3 * std::sqrt(meanRg * meanRg + meanYb * meanYb);
    return c;
}

LookMeter::LookMeter(int fps, int everyNth) {
    f_.fps = std::max(1, fps);
    f_.everyNth = std::max(1, everyNth);
}

void LookMeter::addFrame(const uint32_t* surface, bool peak) {
    const int64_t n = f_.frames++;
    if (n % f_.everyNth == 0) {
        const BandColour c = measureBand(surface);
        ++f_.measured;
        luminanceSum_ += c.luminance;
        colourfulnessSum_ += c.colourfulness;
        rSum_ += c.meanR;
        gSum_ += c.meanG;
        bSum_ += c.meanB;
        f_.dark += c.dark;
        f_.redDominated += c.redDominated;
        ++f_.hues[c.hue];
    }
    if (peak) {
        ++f_.peakFrames;
        if (runLength_ == 0) {
            ++f_.peakRuns;
            runStarts_.push_back(n);
        }
        ++runLength_;
    } else if (runLength_ > 0) {
        ++f_.peakRunLengths[std::min<int64_t>(runLength_, kLookPeakRunBins) - 1];
        runLength_ = 0;
    }
    // Run starts within the one second that ends with this frame.
    runStarts_.erase(runStarts_.begin(),
                     std::find_if(runStarts_.begin(), runStarts_.end(), [&](int64_t s) { return s > n - f_.fps; }));
    f_.mostRunsInOneSecond = std::max<int64_t>(f_.mostRunsInOneSecond, static_cast<int64_t>(runStarts_.size()));
}

LookFigures LookMeter::figures() const {
    LookFigures f = f_;
    if (runLength_ > 0) ++f.peakRunLengths[std::min<int64_t>(runLength_, kLookPeakRunBins) - 1];
    if (f.measured > 0) {
        f.meanLuminance = luminanceSum_ / static_cast<double>(f.measured);
        f.meanColourfulness = colourfulnessSum_ / static_cast<double>(f.measured);
        f.meanR = rSum_ / static_cast<double>(f.measured);
        f.meanG = gSum_ / static_cast<double>(f.measured);
        f.meanB = bSum_ / static_cast<double>(f.measured);
    }
    return f;
}

std::string lookJson(const LookFigures& f, const std::string& in) {
    std::string j = "{\n";
    auto num = [](double v) { return format("%.3f", v); };
    j += in + "  \"every_nth_frame\": " + std::to_string(f.everyNth) + ",\n";
    j += in + "  \"measured_frames\": " + std::to_string(f.measured) + ",\n";
    j += in + "  \"mean_luminance\": " + num(f.meanLuminance) + ",\n";
    j += in + "  \"mean_rgb\": [" + num(f.meanR) + ", " + num(f.meanG) + ", " + num(f.meanB) + "],\n";
    j += in + "  \"dark_frames\": " + std::to_string(f.dark) + ",\n";
    j += in + "  \"red_dominated_frames\": " + std::to_string(f.redDominated) + ",\n";
    j += in + "  \"hue_frames\": {";
    for (int h = 0; h < kLookHues; ++h)
        j += std::string(h ? ", " : "") + "\"" + kHueNames[h] + "\": " + std::to_string(f.hues[h]);
    j += "},\n";
    j += in + "  \"mean_colourfulness\": " + num(f.meanColourfulness) + ",\n";
    j += in + "  \"peak_run_lengths\": [";
    for (int i = 0; i < kLookPeakRunBins; ++i) j += (i ? ", " : "") + std::to_string(f.peakRunLengths[i]);
    j += "],\n";
    j += in + "  \"most_peak_runs_in_one_second\": " + std::to_string(f.mostRunsInOneSecond) + "\n";
    j += in + "}";
    return j;
}

std::vector<std::string> describeLook(const LookFigures& f) {
    std::vector<std::string> out;
    out.push_back(format("look measured on %.0f frames (every %.0fth)", static_cast<double>(f.measured), f.everyNth));
    out.push_back(format("mean luminance: %.1f", f.meanLuminance));
    out.push_back(format("mean red, green, blue: %.1f, ", f.meanR) + format("%.1f, %.1f", f.meanG, f.meanB));
    out.push_back(format("dark frames: %.2f%%", percent(f.dark, f.measured)));
    out.push_back(format("red-dominated frames: %.2f%%", percent(f.redDominated, f.measured)));
    for (int h = 0; h < kLookHues; ++h)
        out.push_back(std::string("hue ") + kHueNames[h] + format(": %.2f%%", percent(f.hues[h], f.measured)));
    out.push_back(format("mean colourfulness: %.1f", f.meanColourfulness));
    std::string runs = "peak run lengths 1..7, 8+:";
    for (int64_t c : f.peakRunLengths) runs += " " + std::to_string(c);
    out.push_back(runs);
    out.push_back(format("most peak runs in one second: %.0f", static_cast<double>(f.mostRunsInOneSecond)));
    return out;
}

std::vector<std::string> checkLookTargets(const LookFigures& f) {
    std::vector<std::string> misses;
    if (f.meanLuminance < 40.0) misses.push_back(format("mean luminance below 40 (%.1f)", f.meanLuminance));
    if (percent(f.dark, f.measured) > 25.0) misses.push_back(format("dark frames above 25%% (%.2f%%)", percent(f.dark, f.measured)));
    if (percent(f.redDominated, f.measured) > 15.0)
        misses.push_back(format("red-dominated frames above 15%% (%.2f%%)", percent(f.redDominated, f.measured)));
    int widespread = 0;   // of the six hues, those on at least 5 % of the frames
    for (int h = 0; h < kLookHues; ++h) {
        if (percent(f.hues[h], f.measured) > 50.0)
            misses.push_back(std::string("hue ") + kHueNames[h] + format(" above 50%% of frames (%.2f%%)", percent(f.hues[h], f.measured)));
        widespread += h != kHueGrey && percent(f.hues[h], f.measured) >= 5.0;
    }
    if (widespread < 4) misses.push_back(format("only %.0f of the six hues on at least 5%% of frames (4 wanted)", widespread));
    int64_t shortRuns = f.peakRunLengths[0] + f.peakRunLengths[1];
    if (f.peakRuns > 0 && percent(shortRuns, f.peakRuns) < 90.0)
        misses.push_back(format("only %.1f%% of peak runs at most 2 frames long", percent(shortRuns, f.peakRuns)));
    if (f.mostRunsInOneSecond > 3)
        misses.push_back(format("%.0f peak runs within one second (at most 3)", static_cast<double>(f.mostRunsInOneSecond)));
    return misses;
}
