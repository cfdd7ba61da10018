#include <algorithm>
#include <cmath>

#include "tools/ziv-pictures/drawings.h"

namespace {

// The rotating scene only ever shows the disc of radius 94 around the centre.
constexpr double kCentreX = 160.0, kCentreY = 100.0;

double radiusAt(int x, int y) { return std::hypot(x + 0.5 - kCentreX, y + 0.5 - kCentreY); }

}  // namespace

Grey drawSoftLight() {
    Canvas c;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double u = x / 70.0, v = y / 70.0;
            const double wx = fbm(u, v, 4, 11), wy = fbm(u + 5.2, v + 1.3, 4, 12);
            // Warped crests read as light thrown through rippled glass.
            const double caustic = ridged(u + 1.6 * wx, v + 1.6 * wy, 4, 13);
            const double haze = 0.5 + fbm(u * 0.45, v * 0.45, 3, 14);
            const double r = radiusAt(x, y) / 94.0;
            const double glow = std::exp(-r * r * 1.3);
            c.at(x, y) = 0.45 * caustic + 0.25 * haze + 0.55 * glow;
        }
    }
    boxBlur(c, 2, 2);
    return toneMap(c, 86, 221, 179.0);
}

Grey drawRings() {
    Canvas c;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double dx = x + 0.5 - kCentreX, dy = y + 0.5 - kCentreY;
            const double r = std::hypot(dx, dy);
            const double a = std::atan2(dy, dx);
            const double wobble = 5.0 * fbm(std::cos(a) * 1.7 + r / 90.0, std::sin(a) * 1.7, 3, 21);
            const double rr = r + wobble;
            // Ring spacing widens outward, like a ripple spreading.
            const double phase = 2.0 * kPi * std::pow(std::max(rr, 0.0) / 9.0, 0.82);
            double ring = 0.5 + 0.5 * std::cos(phase);
            ring = ring * ring * ring;
            const double envelope = std::exp(-std::pow((r - 55.0) / 70.0, 2.0)) * 0.8 + 0.25;
            const double rays = 0.12 * (0.5 + 0.5 * std::cos(a * 18.0 + 3.0 * fbm(r / 40.0, a, 2, 22)));
            const double core = std::exp(-(r * r) / (2.0 * 9.0 * 9.0));
            const double grain = 0.05 * gradientNoise(x / 2.1, y / 2.1, 23);
            c.at(x, y) = ring * envelope + rays * envelope + 0.6 * core + grain - 0.25 * clamp01((r - 100.0) / 90.0);
        }
    }
    boxBlur(c, 1, 1);
    return toneMap(c, 4, 73, 32.0);
}

Grey drawDarkClouds() {
    Canvas c;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double u = x / 85.0, v = y / 85.0;
            const double wx = fbm(u + 3.1, v, 3, 31), wy = fbm(u, v + 7.7, 3, 32);
            const double r = radiusAt(x, y);
            const double n = fbm(u + wx, v + wy, 6, 33, 0.55) + 0.3 * std::exp(-(r * r) / (2.0 * 55.0 * 55.0));
            const double centre = 0.55 + 0.45 * std::exp(-(r * r) / (2.0 * 80.0 * 80.0));
            const double cloud = smoothstep(-0.15, 0.55, n);
            c.at(x, y) = cloud * cloud * centre + 0.04 * fbm(x / 7.0, y / 7.0, 2, 34);
        }
    }
    return toneMap(c, 0, 120, 34.0);
}

Grey drawMidClouds() {
    Canvas c;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double u = x / 110.0, v = y / 80.0;
            const double wx = fbm(u, v, 4, 41), wy = fbm(u + 2.3, v + 9.1, 4, 42);
            double turbulence = 0.0, amplitude = 1.0;
            double su = u + 0.9 * wx, sv = v + 0.9 * wy;
            for (int o = 0; o < 6; ++o) {
                turbulence += amplitude * std::fabs(gradientNoise(su, sv, 43 + static_cast<uint32_t>(o)));
                amplitude *= 0.5;
                su *= 2.03;
                sv *= 2.03;
            }
            const double body = fbm(u * 0.7 + wx, v * 0.7 + wy, 5, 44);
            c.at(x, y) = 0.9 * body + 0.7 * turbulence;
        }
    }
    return toneMap(c, 32, 216, 117.0);
}

Grey drawFineNoise() {
    Canvas c;
    Rng rng(61);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            // Grain on grain: single pixels over a faint two-pixel mottle.
            c.at(x, y) = rng.uniform() + 0.35 * fbm(x / 2.5, y / 2.5, 2, 62);
        }
    }
    return toneMap(c, 0, 255, 128.0);
}

Grey drawLandscape() {
    Canvas c;
    const Rect all = c.bounds();
    constexpr int kWaterline = 150;
    constexpr double kSunX = 228.0, kSunY = 58.0;
    // Sky: darker overhead, near white at the horizon, the sun and streaks of cloud.
    for (int y = 0; y < kWaterline; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double t = y / static_cast<double>(kWaterline);
            double sky = 0.45 + 0.5 * std::pow(t, 0.8);
            const double d = std::hypot(x - kSunX, (y - kSunY) * 1.1);
            sky += 0.55 * std::exp(-d / 38.0);
            const double streak = fbm(x / 140.0, y / 14.0, 5, 71);
            sky -= 0.22 * smoothstep(0.05, 0.45, streak) * (1.0 - t);
            if (d < 13.0) sky = 1.6;
            c.at(x, y) = sky;
        }
    }
    // Three ranges of mountains, paler with distance.
    const double ranges[3][4] = {{96.0, 34.0, 0.78, 73.0}, {116.0, 28.0, 0.5, 74.0}, {132.0, 20.0, 0.24, 75.0}};
    for (const auto& range : ranges) {
        for (int x = 0; x < kWidth; ++x) {
            const double crest = range[0] - range[1] * ridged(x / 90.0, range[3], 5, static_cast<uint32_t>(range[3]));
            for (int y = 0; y < kWaterline; ++y) {
                const double cover = clamp01(y + 1.0 - crest);
                if (cover <= 0.0) continue;
                const double rock = 0.06 * fbm(x / 9.0, y / 5.0, 3, static_cast<uint32_t>(range[3]) + 5u);
                const double snow = range[2] > 0.6 ? 0.25 * smoothstep(4.0, 0.0, y - crest) : 0.0;
                blend(c, x, y, cover, range[2] + rock + snow - 0.1 * (y - crest) / 40.0);
            }
        }
    }
    // The lake mirrors what stands above it, broken by ripples.
    for (int y = kWaterline; y < kHeight; ++y) {
        const double depth = (y - kWaterline) / 50.0;
        for (int x = 0; x < kWidth; ++x) {
            const double ripple = 2.5 * gradientNoise(x / 30.0, y * 0.9, 76) * (0.3 + depth);
            const int sx = std::clamp(static_cast<int>(x + ripple), 0, kWidth - 1);
            const int sy = std::clamp(2 * kWaterline - y - 1 + static_cast<int>(ripple * 0.5), 0, kWaterline - 1);
            const double glint = 0.25 * smoothstep(0.55, 0.75, gradientNoise(x / 6.0, y * 1.3, 77) + 0.4) *
                                 std::exp(-std::fabs(x - kSunX) / 25.0);
            c.at(x, y) = 0.8 * c.at(sx, sy) - 0.15 * depth + glint;
        }
    }
    // A dark bank with trees in the foreground, in silhouette against the light.
    for (int x = 0; x < kWidth; ++x) {
        const double bank = 178.0 - 50.0 * smoothstep(150.0, 0.0, x) - 16.0 * smoothstep(250.0, 320.0, x) +
                            6.0 * fbm(x / 25.0, 0.5, 3, 78);
        for (int y = 0; y < kHeight; ++y) blend(c, x, y, clamp01(y + 1.0 - bank), 0.0);
    }
    Rng rng(79);
    drawTree(c, all, rng, 38.0, 140.0, 34.0, -0.05, 3.2, 7, 0.0);
    drawTree(c, all, rng, 92.0, 156.0, 22.0, 0.1, 2.2, 6, 0.0);
    drawTree(c, all, rng, 12.0, 132.0, 40.0, 0.06, 3.6, 7, 0.0);
    return toneMap(c, 0, 255, 162.0);
}

Grey drawDashRing() {
    // Drawn straight in intensities: the picture is almost all zero.
    Canvas c;
    const Rect all = c.bounds();
    Rng rng(81);
    constexpr double kRingX = 160.0, kRingY = 86.0, kRingRadius = 48.0;
    double angle = rng.range(0.0, 0.4);
    while (angle < 2.0 * kPi - 0.35) {
        const double length = rng.range(0.09, 0.17);
        const double radius = kRingRadius + rng.range(-4.0, 4.0);
        const double brightness = rng.range(120.0, 200.0);
        const double a0 = angle, a1 = angle + length;
        fillCapsule(c, all, kRingX + radius * std::cos(a0), kRingY + radius * std::sin(a0),
                    kRingX + radius * std::cos(a1), kRingY + radius * std::sin(a1), 0.45, brightness);
        angle = a1 + rng.range(0.18, 0.55);
    }
    // One dash at the top burns brightest.
    fillCapsule(c, all, kRingX - 4.0, kRingY - kRingRadius - 1.0, kRingX + 3.0, kRingY - kRingRadius - 1.5, 0.8, 217.0);
    Grey g{};
    for (size_t i = 0; i < g.size(); ++i) g[i] = static_cast<uint8_t>(std::floor(clamp01(c.px[i] / 255.0) * 255.0 + 0.5));
    return g;
}
