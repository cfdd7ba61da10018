// Drawing helpers of the picture generator: a 320x200 canvas of doubles, a seeded
// random source, gradient and cell noise, soft-edged shapes, blur and tone mapping.
//
//   Canvas c;                                  // all zero
//   Rng rng(7);
//   c.at(10, 20) = fbm(10 / 40.0, 20 / 40.0, 5, 3);
//   fillCapsule(c, c.bounds(), 0, 0, 50, 50, 2.0, 1.0);
//   Grey grey = toneMap(c, 0, 255, 128.0);     // exact range, mean within a tenth
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pictures/picture.h"

// The canvas is one picture: what the generator draws, the show decodes.
inline constexpr int kWidth = kPictureWidth;
inline constexpr int kHeight = kPictureHeight;
inline constexpr double kPi = 3.14159265358979323846;

struct Rect {
    int x0, y0, x1, y1;  // x1, y1 exclusive
    int width() const { return x1 - x0; }
    int height() const { return y1 - y0; }
};

struct Canvas {
    std::vector<double> px = std::vector<double>(kWidth * kHeight, 0.0);
    double& at(int x, int y) { return px[static_cast<size_t>(y * kWidth + x)]; }
    double at(int x, int y) const { return px[static_cast<size_t>(y * kWidth + x)]; }
    Rect bounds() const { return {0, 0, kWidth, kHeight}; }
};

using Grey = std::array<uint8_t, kWidth * kHeight>;

// splitmix64: the same numbers on every run and every machine.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t next();
    double uniform();                       // [0, 1)
    double range(double lo, double hi);     // [lo, hi)
    int below(int n);                       // 0 .. n-1
private:
    uint64_t state_;
};

uint32_t hash3(int32_t x, int32_t y, uint32_t seed);
double hashUnit(int32_t x, int32_t y, uint32_t seed);  // [0, 1)

double gradientNoise(double x, double y, uint32_t seed);  // about -0.7 .. 0.7
double fbm(double x, double y, int octaves, uint32_t seed, double gain = 0.5);
double ridged(double x, double y, int octaves, uint32_t seed);  // 0 .. about 1, sharp crests

struct CellSample {
    double f1, f2;   // distances to the nearest and second-nearest feature point
    uint32_t id;     // hash of the nearest cell
    double dx, dy;   // offset from the nearest feature point
};
CellSample cells(double x, double y, uint32_t seed);

double clamp01(double v);
double smoothstep(double e0, double e1, double v);
double mix(double a, double b, double t);

// Soft-edged painting, clipped to a rectangle: value is blended in by coverage.
void blend(Canvas& c, int x, int y, double coverage, double value);
void fillRect(Canvas& c, Rect clip, double x0, double y0, double x1, double y1, double value);
void fillCapsule(Canvas& c, Rect clip, double ax, double ay, double bx, double by, double radius, double value);
void fillDisc(Canvas& c, Rect clip, double cx, double cy, double radius, double value);

void boxBlur(Canvas& c, int radius, int passes);
// Light falling from (lx, ly, lz) onto a height field, 0..1.
Canvas shade(const Canvas& height, double strength, double lx, double ly, double lz);

// Maps the canvas onto lo..hi with a power curve chosen so that the mean lands on
// the target: the darkest pixel becomes lo and the brightest hi.
Grey toneMap(const Canvas& c, int lo, int hi, double mean);

struct GreyStats {
    int min, max;
    double mean;
};
GreyStats statsOf(const Grey& g);
