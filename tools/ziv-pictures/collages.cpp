// PictureSetB: dark, high-contrast collages cut from five kinds of panel: trees,
// buildings at night, cables against the sky, lettering and a face.
#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "tools/ziv-pictures/drawings.h"
#include "tools/ziv-pictures/font.h"

void drawTree(Canvas& c, Rect clip, Rng& rng, double x, double y, double length, double angle, double width,
              int depth, double value) {
    const double ex = x + length * std::sin(angle), ey = y - length * std::cos(angle);
    fillCapsule(c, clip, x, y, ex, ey, width, value);
    if (depth == 0) {
        for (int i = 0; i < 3; ++i) fillDisc(c, clip, ex + rng.range(-2.5, 2.5), ey + rng.range(-2.5, 2.5), rng.range(0.6, 1.6), value);
        return;
    }
    const int children = 2 + (rng.uniform() < 0.35 ? 1 : 0);
    for (int i = 0; i < children; ++i) {
        const double spread = (i - (children - 1) / 2.0) * rng.range(0.35, 0.6) + rng.range(-0.15, 0.15);
        drawTree(c, clip, rng, ex, ey, length * rng.range(0.66, 0.8), angle + spread, std::max(0.35, width * 0.68),
                 depth - 1, value);
    }
}

namespace {

enum Motif { kTrees, kBuildings, kCables, kLettering, kFace, kMotifCount };

void skyGradient(Canvas& c, Rect r, double top, double bottom) {
    for (int y = r.y0; y < r.y1; ++y) {
        const double t = (y - r.y0) / std::max(1.0, r.height() - 1.0);
        for (int x = r.x0; x < r.x1; ++x) c.at(x, y) = mix(top, bottom, t);
    }
}

void drawTreesPanel(Canvas& c, Rect r, Rng& rng) {
    skyGradient(c, r, 0.95, 0.6);
    const int count = 1 + rng.below(3);
    for (int i = 0; i < count; ++i) {
        const double x = r.x0 + r.width() * rng.range(0.15, 0.85);
        const double length = r.height() * rng.range(0.22, 0.32);
        drawTree(c, r, rng, x, r.y1 + 2.0, length, rng.range(-0.12, 0.12), length * 0.09, 7, 0.0);
    }
    // Ground line of grass and scrub.
    for (int x = r.x0; x < r.x1; ++x) {
        const double top = r.y1 - 6.0 - 5.0 * std::fabs(fbm(x / 7.0, r.y1 * 0.1, 3, 201));
        for (int y = r.y0; y < r.y1; ++y) blend(c, x, y, clamp01(y + 1.0 - top), 0.0);
    }
}

void drawBuildingsPanel(Canvas& c, Rect r, Rng& rng) {
    skyGradient(c, r, 0.12, 0.32);
    if (rng.uniform() < 0.5) fillDisc(c, r, r.x0 + r.width() * rng.range(0.1, 0.9), r.y0 + r.height() * 0.18, 6.0, 0.95);
    double x = r.x0 - rng.range(0.0, 10.0);
    while (x < r.x1) {
        const double w = rng.range(14.0, 38.0);
        const double top = r.y0 + r.height() * rng.range(0.15, 0.6);
        fillRect(c, r, x, top, x + w - 1.0, r.y1, 0.0);
        if (rng.uniform() < 0.3) fillCapsule(c, r, x + w * 0.5, top, x + w * 0.5, top - rng.range(6.0, 16.0), 0.5, 0.0);
        if (rng.uniform() < 0.4) fillRect(c, r, x + w * 0.2, top - 5.0, x + w * 0.8, top, 0.0);
        const double litShare = rng.range(0.15, 0.5);
        for (double wy = top + 4.0; wy < r.y1 - 4.0; wy += 6.0) {
            for (double wx = x + 3.0; wx < x + w - 5.0; wx += 5.0) {
                if (rng.uniform() < litShare) fillRect(c, r, wx, wy, wx + 2.5, wy + 3.0, rng.range(0.7, 1.0));
            }
        }
        x += w + rng.range(0.0, 4.0);
    }
}

void drawCatenary(Canvas& c, Rect r, double ax, double ay, double bx, double by, double sag, double width) {
    constexpr int kSteps = 48;
    double px = ax, py = ay;
    for (int i = 1; i <= kSteps; ++i) {
        const double t = static_cast<double>(i) / kSteps;
        const double x = mix(ax, bx, t), y = mix(ay, by, t) + sag * 4.0 * t * (1.0 - t);
        fillCapsule(c, r, px, py, x, y, width, 0.0);
        px = x;
        py = y;
    }
}

void drawCablesPanel(Canvas& c, Rect r, Rng& rng) {
    skyGradient(c, r, 0.55, 1.0);
    // A lattice pylon: two legs, cross bracing and arms.
    const double base = r.y1 + 2.0, top = r.y0 + r.height() * 0.12;
    const double mid = r.x0 + r.width() * rng.range(0.25, 0.75);
    const double foot = r.height() * 0.22, head = r.height() * 0.05;
    fillCapsule(c, r, mid - foot, base, mid - head, top, 1.0, 0.0);
    fillCapsule(c, r, mid + foot, base, mid + head, top, 1.0, 0.0);
    const int braces = 7;
    for (int i = 0; i < braces; ++i) {
        const double t0 = static_cast<double>(i) / braces, t1 = static_cast<double>(i + 1) / braces;
        const double y0 = mix(base, top, t0), y1 = mix(base, top, t1);
        const double w0 = mix(foot, head, t0), w1 = mix(foot, head, t1);
        fillCapsule(c, r, mid - w0, y0, mid + w1, y1, 0.5, 0.0);
        fillCapsule(c, r, mid + w0, y0, mid - w1, y1, 0.5, 0.0);
    }
    const double arms[2] = {top + r.height() * 0.08, top + r.height() * 0.22};
    for (double ay : arms) {
        const double span = r.height() * 0.28;
        fillCapsule(c, r, mid - span, ay, mid + span, ay, 1.0, 0.0);
        for (double side : {-1.0, 1.0}) {
            const double hx = mid + side * span * 0.9;
            fillCapsule(c, r, hx, ay, hx, ay + 5.0, 0.6, 0.0);
            drawCatenary(c, r, r.x0 - 5.0, ay + 5.0 + rng.range(-8.0, 8.0), hx, ay + 5.0, rng.range(8.0, 20.0), 0.55);
            drawCatenary(c, r, hx, ay + 5.0, r.x1 + 5.0, ay + 5.0 + rng.range(-8.0, 8.0), rng.range(8.0, 20.0), 0.55);
        }
    }
    // Loose wires crossing in front.
    const int wires = 2 + rng.below(4);
    for (int i = 0; i < wires; ++i) {
        const double ay = r.y0 + r.height() * rng.range(0.1, 0.9), by = r.y0 + r.height() * rng.range(0.1, 0.9);
        drawCatenary(c, r, r.x0 - 5.0, ay, r.x1 + 5.0, by, rng.range(5.0, 40.0), rng.range(0.4, 0.9));
    }
}

constexpr std::array<std::string_view, 20> kWords = {
    "NIGHT", "SIGNAL", "NO ENTRY", "OPEN 24H", "EXIT", "DUSK", "PULSE", "STATIC", "LIVE", "CITY LIGHTS",
    "KEEP OUT", "HIGH VOLTAGE", "ZONE 7", "RADIO", "LAST TRAIN", "ECHO", "AFTER DARK", "TUNE IN", "LOW BATTERY", "ZIV",
};

void drawLetteringPanel(Canvas& c, Rect r, Rng& rng) {
    const bool inverted = rng.uniform() < 0.35;
    skyGradient(c, r, inverted ? 0.9 : 0.03, inverted ? 0.8 : 0.08);
    const double ink = inverted ? 0.0 : 1.0;
    double y = r.y0 + 4.0;
    for (int line = 0; line < 3 && y < r.y1 - 10.0; ++line) {
        const std::string_view word = kWords[static_cast<size_t>(rng.below(static_cast<int>(kWords.size())))];
        const double fit = (r.width() - 8.0) / std::max(1.0, (kGlyphWidth + 1.0) * static_cast<double>(word.size()));
        const double scale = std::max(1.0, std::floor(std::min(fit, rng.range(2.0, 7.0))));
        const double x = r.x0 + 4.0 + rng.range(0.0, std::max(0.0, r.width() - 8.0 - textWidth(word, scale)));
        drawText(c, r, word, x, y, scale, ink);
        y += (kGlyphHeight + 2.0) * scale + rng.range(0.0, 6.0);
    }
    // Worn print: flakes of the ink are gone.
    for (int py = r.y0; py < r.y1; ++py) {
        for (int px = r.x0; px < r.x1; ++px) {
            const double wear = smoothstep(0.2, 0.4, fbm(px / 7.0, py / 7.0, 4, 211));
            double& v = c.at(px, py);
            v = mix(v, inverted ? 0.85 : 0.05, wear * std::fabs(v - (inverted ? 0.85 : 0.05)) > 0.3 ? wear : 0.0);
        }
    }
}

// Height of a face over the unit disc (u across, v down), eye sockets, brow,
// nose, lips and cheekbones added to a half ellipsoid.
double faceHeight(double u, double v) {
    const double q = u * u + v * v;
    if (q >= 1.0) return 0.0;
    double h = std::sqrt(1.0 - q);
    for (double side : {-1.0, 1.0}) {
        const double eu = u - side * 0.36, ev = v + 0.1;
        h -= 0.22 * std::exp(-(eu * eu + ev * ev) / 0.018);
        const double cu = u - side * 0.42, cv = v - 0.18;
        h += 0.07 * std::exp(-(cu * cu + cv * cv) / 0.03);
    }
    h += 0.07 * std::exp(-(v + 0.28) * (v + 0.28) / 0.004) * smoothstep(0.75, 0.55, std::fabs(u));
    h += 0.3 * std::exp(-(u * u / 0.005 + (v - 0.1) * (v - 0.1) / 0.05));
    h += 0.12 * std::exp(-(u * u + (v - 0.3) * (v - 0.3)) / 0.008);
    h -= 0.07 * std::exp(-(u * u / 0.06 + (v - 0.55) * (v - 0.55) / 0.0015));
    h += 0.04 * std::exp(-(u * u / 0.05 + (v - 0.5) * (v - 0.5) / 0.003));
    h += 0.04 * std::exp(-(u * u / 0.05 + (v - 0.6) * (v - 0.6) / 0.003));
    return h;
}

void drawFacePanel(Canvas& c, Rect r, Rng& rng) {
    skyGradient(c, r, 0.08, 0.02);
    const double size = std::min(r.width() * 0.55, r.height() * 0.46);
    const double cx = r.x0 + r.width() * rng.range(0.4, 0.6), cy = r.y0 + r.height() * 0.48;
    const double light = rng.uniform() < 0.5 ? 1.0 : -1.0;  // hard light from one side
    const double lx = 0.8 * light, ly = -0.35, lz = 0.5;
    const double ll = std::sqrt(lx * lx + ly * ly + lz * lz);
    const double e = 1.5 / size;
    for (int y = r.y0; y < r.y1; ++y) {
        for (int x = r.x0; x < r.x1; ++x) {
            const double u = (x + 0.5 - cx) / (size * 0.78), v = (y + 0.5 - cy) / size;
            const double q = u * u + v * v;
            double value = c.at(x, y);
            if (q < 1.0) {
                const double gu = (faceHeight(u + e, v) - faceHeight(u - e, v)) / (2.0 * e);
                const double gv = (faceHeight(u, v + e) - faceHeight(u, v - e)) / (2.0 * e);
                const double nl = std::sqrt(gu * gu + gv * gv + 1.0);
                const double lambert = clamp01((-gu * lx - gv * ly + lz) / (nl * ll));
                value = 0.05 + 0.95 * std::pow(lambert, 1.4);
                for (double side : {-1.0, 1.0}) {
                    const double du = u - side * 0.36, dv = v + 0.1;
                    if (du * du / 0.01 + dv * dv / 0.0035 < 1.0) value = 0.04;
                    const double gu2 = u - side * 0.36 - 0.02 * light, gv2 = v + 0.115;
                    if (gu2 * gu2 + gv2 * gv2 < 0.0004) value = 0.95;  // catch light
                }
            }
            // Hair over the top of the head, neck below it.
            if (v < -0.3 && q < 1.22 && (q > 0.92 || v < -0.62)) {
                value = 0.04 + 0.18 * clamp01(0.5 + fbm(x / 2.0, y / 12.0, 3, 221)) * (light * u > 0.0 ? 1.0 : 0.3);
            }
            if (v > 0.75 && std::fabs(u) < 0.42) {
                const double side = u / 0.42 * light;
                value = 0.05 + 0.6 * clamp01(side) * smoothstep(0.75, 1.1, v);
            }
            c.at(x, y) = value;
        }
    }
}

void drawPanel(Canvas& c, Rect r, Motif motif, Rng& rng) {
    switch (motif) {
        case kTrees: drawTreesPanel(c, r, rng); break;
        case kBuildings: drawBuildingsPanel(c, r, rng); break;
        case kCables: drawCablesPanel(c, r, rng); break;
        case kLettering: drawLetteringPanel(c, r, rng); break;
        default: drawFacePanel(c, r, rng); break;
    }
}

Rect clipToCanvas(Rect r) {
    return {std::max(r.x0, 0), std::max(r.y0, 0), std::min(r.x1, kWidth), std::min(r.y1, kHeight)};
}

}  // namespace

Grey drawCollage(int index) {
    Rng rng(1000 + static_cast<uint64_t>(index) * 7919u);
    Canvas c;
    for (double& p : c.px) p = 0.03 * rng.uniform();
    boxBlur(c, 2, 1);
    const int panels = 2 + rng.below(3);
    int previous = -1;
    for (int p = 0; p < panels; ++p) {
        int motif = p == 0 ? index % kMotifCount : rng.below(kMotifCount);
        if (motif == previous) motif = (motif + 1 + rng.below(kMotifCount - 1)) % kMotifCount;
        previous = motif;
        const int w = p == 0 ? 180 + rng.below(120) : 80 + rng.below(100);
        const int h = p == 0 ? 120 + rng.below(70) : 60 + rng.below(80);
        const int x = rng.below(kWidth - w / 2) - w / 4, y = rng.below(kHeight - h / 2) - h / 4;
        const Rect r = clipToCanvas({x, y, x + w, y + h});
        if (r.width() < 16 || r.height() < 16) continue;
        drawPanel(c, r, static_cast<Motif>(motif), rng);
        // Photocopied panels: contrast pushed hard or printed as a dot screen, now
        // and then in negative.
        const double style = rng.uniform();
        const bool hard = style < 0.45, dots = style > 0.8, negative = rng.uniform() < 0.15 && motif != kFace;
        const Canvas before = c;
        // Unevenly lit, like a print on a copier's glass: only the brightest spot of
        // the brightest panel reaches white, which keeps every collage's tone curve free.
        const double exposure = p == 0 ? 1.0 : rng.range(0.55, 0.95);
        const double hotX = r.x0 + r.width() * rng.uniform(), hotY = r.y0 + r.height() * rng.uniform();
        const double reach = std::hypot(r.width(), r.height());
        for (int py = r.y0; py < r.y1; ++py) {
            for (int px = r.x0; px < r.x1; ++px) {
                double v = c.at(px, py);
                if (hard) v = smoothstep(0.3, 0.7, v);
                if (dots) {
                    constexpr int kCell = 4;
                    const int cx = std::min(r.x1 - 1, r.x0 + (px - r.x0) / kCell * kCell + kCell / 2);
                    const int cy = std::min(r.y1 - 1, r.y0 + (py - r.y0) / kCell * kCell + kCell / 2);
                    const double radius = 2.6 * std::sqrt(clamp01(before.at(cx, cy)));
                    v = clamp01(radius + 0.5 - std::hypot(px + 0.5 - cx, py + 0.5 - cy));
                }
                if (negative) v = 1.0 - v;
                c.at(px, py) = v * exposure * (1.0 - 0.3 * std::hypot(px - hotX, py - hotY) / reach);
            }
        }
        if (rng.uniform() < 0.35) {
            fillRect(c, r, r.x0, r.y0, r.x1, r.y0 + 1.0, 0.9);
            fillRect(c, r, r.x0, r.y1 - 1.0, r.x1, r.y1, 0.9);
            fillRect(c, r, r.x0, r.y0, r.x0 + 1.0, r.y1, 0.9);
            fillRect(c, r, r.x1 - 1.0, r.y0, r.x1, r.y1, 0.9);
        }
    }
    if (rng.uniform() < 0.45) {
        const std::string_view word = kWords[static_cast<size_t>(rng.below(static_cast<int>(kWords.size())))];
        const double scale = rng.range(2.0, 4.0);
        const double x = rng.range(0.0, std::max(1.0, kWidth - textWidth(word, scale) - 1.0));
        const double y = rng.range(0.0, kHeight - 10.0 * scale);
        fillRect(c, c.bounds(), x - scale, y - scale, x + textWidth(word, scale), y + (kGlyphHeight + 1) * scale, 0.0);
        drawText(c, c.bounds(), word, x, y, scale, 0.97);
    }
    // Scratches of a much-copied print. (No grain: the steep tone curve of the
    // darkest collages would blow any grain up into static.)
    const int scratches = rng.below(4);
    for (int s = 0; s < scratches; ++s) {
        const double x = rng.range(0.0, kWidth);
        fillCapsule(c, c.bounds(), x, rng.range(0.0, 60.0), x + rng.range(-6.0, 6.0), rng.range(140.0, 200.0), 0.3, 0.7);
    }
    return toneMap(c, 0, 255, 6.0 + index * (64.0 / 18.0));
}
