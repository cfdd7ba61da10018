// PictureSetA: a street scene, then close-ups of stone, rock and bark.
#include <algorithm>
#include <cmath>

#include "tools/ziv-pictures/drawings.h"

namespace {

double frac(double v) { return v - std::floor(v); }

// --- the street: one ray per quarter pixel through a street of facades ---

constexpr double kEyeHeight = 1.6, kFocal = 210.0, kHorizonY = 88.0, kVanishX = 168.0;
constexpr double kHalfStreet = 9.0, kRoadEdge = 6.0;

double buildingHeight(double z, bool left, double& albedo) {
    const auto segment = static_cast<int32_t>(std::floor(z / 11.0));
    const uint32_t seed = left ? 101u : 102u;
    albedo = 0.35 + 0.45 * hashUnit(segment, 1, seed);
    return 6.0 + 18.0 * hashUnit(segment, 0, seed);
}

double fogged(double v, double distance) { return mix(0.82, v, std::exp(-distance / 110.0)); }

double streetSky(double x, double y) {
    const double t = clamp01((kHorizonY - y) / kHorizonY);
    double sky = 0.95 - 0.25 * t;
    sky -= 0.18 * smoothstep(0.0, 0.5, fbm(x / 90.0, y / 25.0, 5, 103)) * t;
    return sky;
}

double streetRay(double sx, double sy) {
    const double dx = (sx - kVanishX) / kFocal, dy = -(sy - kHorizonY) / kFocal;
    double hitT = 1e9;
    double value = streetSky(sx, sy);
    if (dx != 0.0) {
        const bool left = dx < 0.0;
        const double t = (left ? -kHalfStreet : kHalfStreet) / dx;
        const double y = kEyeHeight + t * dy, z = t;
        double albedo = 0.0;
        const double height = buildingHeight(z, left, albedo);
        if (y >= 0.0 && y <= height && z < 400.0) {
            hitT = t;
            // The sun stands to the right: left facades are lit, right ones in shade.
            double v = albedo * (left ? 1.0 : 0.55);
            const double wz = frac(z / 2.4), wy = frac((y - 0.4) / 3.1);
            if (y > 3.2) {
                if (wz > 0.28 && wz < 0.72 && wy > 0.25 && wy < 0.8 && y < height - 0.8) {
                    const double lit = hashUnit(static_cast<int32_t>(std::floor(z / 2.4)), static_cast<int32_t>(std::floor(y / 3.1)), left ? 104u : 105u);
                    v = lit > 0.8 ? 0.85 : 0.12 + 0.12 * lit;
                } else if (wy < 0.08) {
                    v *= 0.75;  // floor ledge
                }
            } else if (y > 0.4 && y < 2.8 && frac(z / 11.0) > 0.1 && frac(z / 11.0) < 0.8) {
                v = 0.18 + 0.25 * smoothstep(2.8, 0.4, y);  // shop window, reflecting the street
            }
            if (y > height - 0.5) v *= 0.7;  // cornice
            v += 0.05 * fbm(z * 1.5, y * 1.5, 3, 106);
            value = fogged(v, z);
        }
    }
    if (dy < 0.0) {
        const double t = kEyeHeight / -dy;
        if (t < hitT) {
            const double gx = t * dx, gz = t;
            double v;
            const double ax = std::fabs(gx);
            if (ax < kRoadEdge) {
                v = 0.28 + 0.06 * fbm(gx * 2.0, gz * 2.0, 3, 107);
                if (ax < 0.1 && frac(gz / 6.0) < 0.5) v = 0.85;  // centre dashes
                if (std::fabs(ax - kRoadEdge + 0.3) < 0.1) v = 0.75;  // edge lines
                // The right-hand buildings throw their shade across the road.
                if (gx > 1.5 + 2.0 * std::sin(gz / 9.0)) v *= 0.6;
            } else {
                v = (ax < kRoadEdge + 0.25) ? 0.72 : 0.52;  // kerb, then paving slabs
                if (frac(gz / 1.2) < 0.05 || frac(ax / 1.2) < 0.05) v *= 0.7;
                if (gx > 0.0) v *= 0.6;
            }
            value = fogged(v, t);
        }
    }
    return value;
}

Grey drawStreet() {
    Canvas c;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += streetRay(x + 0.25 + 0.5 * (k & 1), y + 0.25 + 0.5 * (k >> 1));
            c.at(x, y) = sum / 4.0;
        }
    }
    const Rect all = c.bounds();
    // Lamp posts, and the tram wire they carry, from far to near.
    for (double z = 120.0; z >= 6.0; z -= 13.0) {
        for (double side : {-1.0, 1.0}) {
            const double px = kVanishX + kFocal * side * 7.2 / z;
            const double ground = kHorizonY + kFocal * kEyeHeight / z, top = kHorizonY - kFocal * (6.0 - kEyeHeight) / z;
            const double width = std::max(0.35, kFocal * 0.09 / z);
            fillCapsule(c, all, px, ground, px, top, width, 0.08);
            const double armX = kVanishX + kFocal * side * 5.6 / z;
            fillCapsule(c, all, px, top, armX, top + kFocal * 0.25 / z, width * 0.7, 0.08);
            fillDisc(c, all, armX, top + kFocal * 0.3 / z, width * 1.6, 0.95);
        }
        const double wireY = kHorizonY - kFocal * (5.6 - kEyeHeight) / z;
        fillCapsule(c, all, kVanishX - kFocal * 7.2 / z, wireY, kVanishX + kFocal * 7.2 / z, wireY, 0.4, 0.1);
    }
    fillCapsule(c, all, kVanishX, kHorizonY - kFocal * 4.0 / 4.0, kVanishX, kHorizonY, 0.45, 0.1);
    return toneMap(c, 0, 255, 117.0);
}

// --- stone, rock and bark: height fields lit from the upper left ---

Grey litSurface(const Canvas& height, const Canvas& albedo, double relief, int lo, int hi, double mean) {
    const Canvas light = shade(height, relief, -0.6, -0.7, 0.55);
    Canvas c;
    for (size_t i = 0; i < c.px.size(); ++i) c.px[i] = albedo.px[i] * (0.25 + 0.85 * light.px[i]);
    return toneMap(c, lo, hi, mean);
}

Grey drawCobbles() {
    Canvas h, a;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const CellSample s = cells(x / 19.0, y / 15.0, 111);
            const double edge = s.f2 - s.f1;
            const double dome = std::sqrt(clamp01(edge / 0.45));
            const double grain = fbm(x / 3.0, y / 3.0, 3, 112);
            h.at(x, y) = 6.0 * dome + 0.6 * grain;
            const double stone = 0.55 + 0.4 * (s.id % 1000) / 1000.0 + 0.08 * grain;
            a.at(x, y) = edge < 0.07 ? 0.22 + 0.1 * grain : stone;
        }
    }
    return litSurface(h, a, 1.2, 6, 250, 146.0);
}

Grey drawGranite() {
    Canvas h, a;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const CellSample big = cells(x / 5.0, y / 5.0, 121);
            const CellSample small = cells(x / 2.2, y / 2.2, 122);
            const double pick = (big.id % 100) / 100.0;
            double v = pick < 0.18 ? 0.08 : (pick < 0.55 ? 0.55 : 0.85);  // mica, feldspar, quartz
            v += 0.18 * ((small.id % 100) / 100.0 - 0.5);
            v += 0.1 * fbm(x / 40.0, y / 40.0, 3, 123);
            a.at(x, y) = clamp01(v) + 0.05;
            h.at(x, y) = 0.5 * fbm(x / 6.0, y / 6.0, 3, 124);
        }
    }
    return litSurface(h, a, 1.0, 4, 252, 132.0);
}

Grey drawAshlar() {
    Canvas h, a;
    constexpr double kCourse = 34.0;
    for (int y = 0; y < kHeight; ++y) {
        const auto course = static_cast<int32_t>(std::floor((y + 10.0) / kCourse));
        const double cy = frac((y + 10.0) / kCourse) * kCourse;
        for (int x = 0; x < kWidth; ++x) {
            // Block lengths vary from course to course; joints are staggered.
            const double length = 56.0 + 40.0 * hashUnit(course, 0, 131);
            const double shifted = x + 80.0 * hashUnit(course, 1, 131);
            const auto block = static_cast<int32_t>(std::floor(shifted / length));
            const double cx = frac(shifted / length) * length;
            const double joint = std::min({cx, length - cx, cy, kCourse - cy});
            const double texture = fbm(x / 18.0, y / 18.0, 5, 132);
            const double pits = smoothstep(0.35, 0.5, fbm(x / 2.5, y / 2.5, 2, 133));
            h.at(x, y) = 2.0 * smoothstep(0.0, 4.0, joint) + 0.4 * texture - 0.6 * pits;
            const double stone = 0.72 + 0.18 * hashUnit(block, course, 134) + 0.15 * texture - 0.3 * pits;
            a.at(x, y) = joint < 1.3 ? 0.3 : stone;
        }
    }
    return litSurface(h, a, 1.4, 20, 252, 175.0);
}

Grey drawRockFace() {
    Canvas h, a;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double wx = fbm(x / 80.0, y / 80.0, 3, 141);
            const double r = ridged(x / 70.0 + wx, y / 70.0, 6, 142);
            const CellSample crack = cells(x / 48.0 + 0.5 * wx, y / 48.0, 143);
            const double cut = smoothstep(0.0, 0.06, crack.f2 - crack.f1);
            h.at(x, y) = 9.0 * r * cut + 1.0 * fbm(x / 4.0, y / 4.0, 2, 144);
            a.at(x, y) = (0.45 + 0.25 * fbm(x / 30.0, y / 30.0, 3, 145)) * (0.35 + 0.65 * cut);
        }
    }
    return litSurface(h, a, 1.6, 0, 246, 103.0);
}

Grey drawStrata() {
    Canvas h, a;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double s = y + 0.18 * x + 16.0 * fbm(x / 130.0, y / 200.0, 3, 151);
            const double thickness = 9.0;
            const auto layer = static_cast<int32_t>(std::floor(s / thickness));
            const double within = frac(s / thickness);
            const double hardness = hashUnit(layer, 0, 152);
            // Soft layers weather back, hard ones stand out with a lip.
            const double relief = hardness * smoothstep(0.0, 0.2, within) * smoothstep(1.0, 0.75, within);
            const CellSample joint = cells(x / 38.0, layer * 0.71, 153);
            const double crack = smoothstep(0.0, 0.05, joint.f2 - joint.f1);
            h.at(x, y) = 5.0 * relief * crack + 0.5 * fbm(x / 5.0, y / 3.0, 3, 154);
            a.at(x, y) = (0.25 + 0.6 * hashUnit(layer, 1, 152) + 0.1 * fbm(x / 20.0, y / 6.0, 3, 155)) * (0.4 + 0.6 * crack);
        }
    }
    return litSurface(h, a, 1.5, 0, 240, 88.0);
}

Grey drawPebbles() {
    Canvas h, a;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double wx = 0.25 * fbm(x / 50.0, y / 50.0, 2, 161);
            const CellSample s = cells(x / 24.0 + wx, y / 18.0, 162);
            const double edge = s.f2 - s.f1;
            const double inside = smoothstep(0.04, 0.12, edge);
            const double dome = std::sqrt(clamp01(edge / 0.5));
            const double sand = 0.3 + 0.15 * gradientNoise(x / 1.3, y / 1.3, 163);
            h.at(x, y) = 10.0 * dome * inside + 0.2 * gradientNoise(x / 1.3, y / 1.3, 163);
            const double tone = 0.5 + 0.45 * (s.id % 1000) / 1000.0 + 0.06 * fbm(x / 4.0, y / 4.0, 2, 164);
            a.at(x, y) = mix(sand, tone, inside);
        }
    }
    return litSurface(h, a, 1.0, 10, 255, 161.0);
}

Grey drawFurrowedBark() {
    Canvas h, a;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double warp = 1.2 * fbm(x / 60.0, y / 140.0, 3, 171);
            const double ridge = ridged(x / 16.0 + warp, y / 120.0, 4, 172);
            const CellSample plate = cells(x / 22.0 + warp, y / 55.0, 173);
            const double crossCrack = smoothstep(0.0, 0.05, plate.f2 - plate.f1);
            const double fibre = fbm(x / 2.0, y / 14.0, 3, 174);
            h.at(x, y) = 8.0 * ridge * (0.5 + 0.5 * crossCrack) + 0.8 * fibre;
            a.at(x, y) = (0.2 + 0.7 * ridge) * (0.6 + 0.4 * crossCrack) + 0.08 * fibre;
        }
    }
    return litSurface(h, a, 1.3, 0, 228, 59.0);
}

Grey drawPlatedBark() {
    Canvas h, a;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double warp = 0.4 * fbm(x / 70.0, y / 70.0, 3, 181);
            const CellSample s = cells(x / 30.0 + warp, y / 44.0, 182);
            const double edge = s.f2 - s.f1;
            const double gap = smoothstep(0.03, 0.1, edge);
            // Flakes peel in terraces around each plate's middle.
            const double terrace = std::floor(clamp01(edge / 0.5) * 5.0) / 5.0;
            const double flake = fbm(x / 6.0, y / 9.0, 3, 183);
            h.at(x, y) = 6.0 * gap * (0.6 + 0.4 * terrace) + 0.7 * flake;
            a.at(x, y) = gap * (0.45 + 0.3 * (s.id % 100) / 100.0 + 0.25 * terrace + 0.1 * flake) + 0.04;
        }
    }
    return litSurface(h, a, 1.3, 0, 236, 74.0);
}

}  // namespace

Grey drawSurface(int index) {
    switch (index) {
        case 0: return drawStreet();
        case 1: return drawCobbles();
        case 2: return drawGranite();
        case 3: return drawAshlar();
        case 4: return drawRockFace();
        case 5: return drawStrata();
        case 6: return drawPebbles();
        case 7: return drawFurrowedBark();
        default: return drawPlatedBark();
    }
}
