// How the show looks to a viewer, measured on the surfaces it writes.
//
//   LookMeter look(60, 1);                       // frames per second, measure every Nth frame
//   look.addFrame(pixels, record.peak);          // every frame, in order: the 640x480 surface
//   LookFigures f = look.figures();
//   std::string json = lookJson(f);              // the "look" object of ziv-render --stats
//   std::vector<std::string> misses = checkLookTargets(f);   // empty: bright, coloured, calm strobes
//
// Only the picture band counts: surface rows 40..439, all 640 columns. Each
// channel is its byte of the pixel (R bits 16-23, G 8-15, B 0-7), whatever
// spilled into it. Peak runs are counted on every frame; colours on every
// Nth frame from the first.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "output/output_constants.h"

// The picture band is the part of the surface the show writes.
inline constexpr int kLookBandFirstRow = kSurfaceFirstRow;
inline constexpr int kLookBandRows = kSurfaceHeight - 2 * kSurfaceFirstRow;
inline constexpr int kLookPeakRunBins = 8;   // run lengths 1..7, then 8 or more

enum LookHue : int { kHueRed, kHueYellow, kHueGreen, kHueCyan, kHueBlue, kHueMagenta, kHueGrey, kLookHues };

// One frame's band, reduced.
struct BandColour {
    double meanR = 0.0, meanG = 0.0, meanB = 0.0;
    double luminance = 0.0;
    double colourfulness = 0.0;   // Hasler and Suesstrunk's M over the band's pixels
    LookHue hue = kHueGrey;
    bool dark = false;
    bool redDominated = false;
};

struct LookFigures {
    int fps = 60;
    int everyNth = 1;
    int64_t frames = 0;            // every frame seen
    int64_t measured = 0;          // frames whose colours were measured
    double meanLuminance = 0.0;
    double meanR = 0.0, meanG = 0.0, meanB = 0.0;   // of the band, over the measured frames
    int64_t dark = 0;
    int64_t redDominated = 0;
    int64_t hues[kLookHues] = {};
    double meanColourfulness = 0.0;
    int64_t peakFrames = 0;
    int64_t peakRuns = 0;
    int64_t peakRunLengths[kLookPeakRunBins] = {};   // [0] runs of 1 frame ... [7] runs of 8 or more
    int64_t mostRunsInOneSecond = 0;                 // run starts within any fps consecutive frames
};

BandColour measureBand(const uint32_t* surface);
LookHue hueSector(double r, double g, double b);   // channels 0..255

class LookMeter {
public:
    explicit LookMeter(int fps, int everyNth = 1);
    void addFrame(const uint32_t* surface, bool peak);
    LookFigures figures() const;

private:
    LookFigures f_;
    double luminanceSum_ = 0.0, colourfulnessSum_ = 0.0, rSum_ = 0.0, gSum_ = 0.0, bSum_ = 0.0;
    int64_t runLength_ = 0;
    std::vector<int64_t> runStarts_;   // frame numbers of the run starts still within one second
};

std::string lookJson(const LookFigures& f, const std::string& indent = "  ");
// The lines of a report, one figure per line.
std::vector<std::string> describeLook(const LookFigures& f);
// The look every track must give over the course; each miss is one line.
std::vector<std::string> checkLookTargets(const LookFigures& f);
