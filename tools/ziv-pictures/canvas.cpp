#include "tools/ziv-pictures/canvas.h"

#include <algorithm>
#include <cmath>

uint64_t Rng::next() {
    state_ += 0x9E3779B97F4A7C15ull;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double Rng::uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }

double Rng::range(double lo, double hi) { return lo + (hi - lo) * uniform(); }

int Rng::below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }

uint32_t hash3(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B1u;
    h ^= static_cast<uint32_t>(x) * 0x85EBCA77u;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<uint32_t>(y) * 0xC2B2AE3Du;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

double hashUnit(int32_t x, int32_t y, uint32_t seed) { return hash3(x, y, seed) * (1.0 / 4294967296.0); }

namespace {

// Sixteen evenly spread gradient directions: no trigonometry per lookup.
const std::array<std::array<double, 2>, 16>& gradients() {
    static const auto table = [] {
        std::array<std::array<double, 2>, 16> t{};
        for (int i = 0; i < 16; ++i) {
            const double a = i * (2.0 * kPi / 16.0);
            t[static_cast<size_t>(i)] = {std::cos(a), std::sin(a)};
        }
        return t;
    }();
    return table;
}

double fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }

double cornerDot(int32_t ix, int32_t iy, double dx, double dy, uint32_t seed) {
    const auto& g = gradients()[hash3(ix, iy, seed) & 15u];
    return g[0] * dx + g[1] * dy;
}

}  // namespace

double gradientNoise(double x, double y, uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
    const double dx = x - fx, dy = y - fy;
    const double n00 = cornerDot(ix, iy, dx, dy, seed);
    const double n10 = cornerDot(ix + 1, iy, dx - 1.0, dy, seed);
    const double n01 = cornerDot(ix, iy + 1, dx, dy - 1.0, seed);
    const double n11 = cornerDot(ix + 1, iy + 1, dx - 1.0, dy - 1.0, seed);
    const double u = fade(dx), v = fade(dy);
    return mix(mix(n00, n10, u), mix(n01, n11, u), v);
}

double fbm(double x, double y, int octaves, uint32_t seed, double gain) {
    double sum = 0.0, amplitude = 1.0, norm = 0.0;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * gradientNoise(x, y, seed + static_cast<uint32_t>(o) * 1013u);
        norm += amplitude;
        amplitude *= gain;
        // A slight turn per octave keeps the grid from showing.
        const double nx = x * 1.6 - y * 1.2, ny = x * 1.2 + y * 1.6;
        x = nx + 17.3;
        y = ny - 5.1;
    }
    return sum / norm;
}

double ridged(double x, double y, int octaves, uint32_t seed) {
    double sum = 0.0, amplitude = 1.0, norm = 0.0, weight = 1.0;
    for (int o = 0; o < octaves; ++o) {
        double r = 1.0 - std::fabs(gradientNoise(x, y, seed + static_cast<uint32_t>(o) * 7919u) * 1.4);
        r = clamp01(r);
        r *= r;
        sum += amplitude * r * weight;
        weight = clamp01(r * 1.5);
        norm += amplitude;
        amplitude *= 0.5;
        const double nx = x * 1.7 - y * 1.1, ny = x * 1.1 + y * 1.7;
        x = nx + 3.7;
        y = ny + 11.9;
    }
    return sum / norm;
}

CellSample cells(double x, double y, uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
    CellSample s{1e9, 1e9, 0, 0.0, 0.0};
    for (int32_t j = -1; j <= 1; ++j) {
        for (int32_t i = -1; i <= 1; ++i) {
            const int32_t cx = ix + i, cy = iy + j;
            const double px = cx + 0.1 + 0.8 * hashUnit(cx, cy, seed);
            const double py = cy + 0.1 + 0.8 * hashUnit(cx, cy, seed ^ 0x5bd1e995u);
            const double dx = x - px, dy = y - py;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (d < s.f1) {
                s.f2 = s.f1;
                s.f1 = d;
                s.id = hash3(cx, cy, seed + 77u);
                s.dx = dx;
                s.dy = dy;
            } else if (d < s.f2) {
                s.f2 = d;
            }
        }
    }
    return s;
}

double clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }

double smoothstep(double e0, double e1, double v) {
    const double t = clamp01((v - e0) / (e1 - e0));
    return t * t * (3.0 - 2.0 * t);
}

double mix(double a, double b, double t) { return a + (b - a) * t; }

void blend(Canvas& c, int x, int y, double coverage, double value) {
    if (coverage <= 0.0) return;
    double& p = c.at(x, y);
    p = coverage >= 1.0 ? value : p + (value - p) * coverage;
}

namespace {

void clipBox(Rect clip, double x0, double y0, double x1, double y1, int& bx0, int& by0, int& bx1, int& by1) {
    bx0 = std::max(clip.x0, static_cast<int>(std::floor(x0)));
    by0 = std::max(clip.y0, static_cast<int>(std::floor(y0)));
    bx1 = std::min(clip.x1, static_cast<int>(std::ceil(x1)) + 1);
    by1 = std::min(clip.y1, static_cast<int>(std::ceil(y1)) + 1);
}

}  // namespace

void fillRect(Canvas& c, Rect clip, double x0, double y0, double x1, double y1, double value) {
    int bx0, by0, bx1, by1;
    clipBox(clip, x0, y0, x1, y1, bx0, by0, bx1, by1);
    for (int y = by0; y < by1; ++y) {
        const double cy = std::min(y + 1.0, y1) - std::max(static_cast<double>(y), y0);
        if (cy <= 0.0) continue;
        for (int x = bx0; x < bx1; ++x) {
            const double cx = std::min(x + 1.0, x1) - std::max(static_cast<double>(x), x0);
            if (cx > 0.0) blend(c, x, y, cx * cy, value);
        }
    }
}

void fillCapsule(Canvas& c, Rect clip, double ax, double ay, double bx, double by, double radius, double value) {
    int x0, y0, x1, y1;
    clipBox(clip, std::min(ax, bx) - radius - 1, std::min(ay, by) - radius - 1, std::max(ax, bx) + radius + 1,
            std::max(ay, by) + radius + 1, x0, y0, x1, y1);
    const double vx = bx - ax, vy = by - ay;
    const double len2 = vx * vx + vy * vy;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const double px = x + 0.5 - ax, py = y + 0.5 - ay;
            const double t = len2 > 0.0 ? clamp01((px * vx + py * vy) / len2) : 0.0;
            const double dx = px - t * vx, dy = py - t * vy;
            const double d = std::sqrt(dx * dx + dy * dy);
            blend(c, x, y, clamp01(radius + 0.5 - d), value);
        }
    }
}

void fillDisc(Canvas& c, Rect clip, double cx, double cy, double radius, double value) {
    fillCapsule(c, clip, cx, cy, cx, cy, radius, value);
}

void boxBlur(Canvas& c, int radius, int passes) {
    std::vector<double> tmp(c.px.size());
    const double n = 2.0 * radius + 1.0;
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                double s = 0.0;
                for (int k = -radius; k <= radius; ++k) s += c.at(std::clamp(x + k, 0, kWidth - 1), y);
                tmp[static_cast<size_t>(y * kWidth + x)] = s / n;
            }
        }
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                double s = 0.0;
                for (int k = -radius; k <= radius; ++k) s += tmp[static_cast<size_t>(std::clamp(y + k, 0, kHeight - 1) * kWidth + x)];
                c.at(x, y) = s / n;
            }
        }
    }
}

Canvas shade(const Canvas& height, double strength, double lx, double ly, double lz) {
    Canvas out;
    const double ll = std::sqrt(lx * lx + ly * ly + lz * lz);
    lx /= ll;
    ly /= ll;
    lz /= ll;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double gx = height.at(std::min(x + 1, kWidth - 1), y) - height.at(std::max(x - 1, 0), y);
            const double gy = height.at(x, std::min(y + 1, kHeight - 1)) - height.at(x, std::max(y - 1, 0));
            double nx = -gx * strength, ny = -gy * strength, nz = 1.0;
            const double nl = std::sqrt(nx * nx + ny * ny + nz * nz);
            nx /= nl;
            ny /= nl;
            nz /= nl;
            out.at(x, y) = clamp01(nx * lx + ny * ly + nz * lz);
        }
    }
    return out;
}

namespace {

Grey applyCurve(const Canvas& c, double lo, double hi, int outLo, int outHi, double gamma) {
    Grey g{};
    const double span = hi > lo ? hi - lo : 1.0;
    for (size_t i = 0; i < g.size(); ++i) {
        const double t = clamp01((c.px[i] - lo) / span);
        const double v = outLo + (outHi - outLo) * std::pow(t, gamma);
        g[i] = static_cast<uint8_t>(std::floor(v + 0.5));
    }
    return g;
}

}  // namespace

Grey toneMap(const Canvas& c, int lo, int hi, double mean) {
    const auto [mn, mx] = std::minmax_element(c.px.begin(), c.px.end());
    // The mean falls as the exponent grows: search its logarithm.
    double a = -7.0, b = 7.0;
    for (int i = 0; i < 48; ++i) {
        const double m = 0.5 * (a + b);
        if (statsOf(applyCurve(c, *mn, *mx, lo, hi, std::exp(m))).mean > mean) a = m;
        else b = m;
    }
    return applyCurve(c, *mn, *mx, lo, hi, std::exp(0.5 * (a + b)));
}

GreyStats statsOf(const Grey& g) {
    int mn = 255, mx = 0;
    int64_t sum = 0;
    for (uint8_t v : g) {
        mn = std::min(mn, static_cast<int>(v));
        mx = std::max(mx, static_cast<int>(v));
        sum += v;
    }
    return {mn, mx, static_cast<double>(sum) / static_cast<double>(g.size())};
}
