#include "instruments.h"

#include <algorithm>
#include <cmath>

#include "dsp.h"

namespace {

int64_t seconds(double s) { return static_cast<int64_t>(s * kSampleRate); }

// Rises over `attack` seconds, so no note starts with a step.
double attackRamp(double t, double attack) { return t < attack ? t / attack : 1.0; }

// Falls to zero over the last `fade` seconds of a note `length` seconds long.
double endFade(double t, double length, double fade) {
    const double left = length - t;
    return left < fade ? std::max(0.0, left / fade) : 1.0;
}

// Constant-power pan: -1 left, 0 centre, +1 right (the centre keeps unity gain on both sides).
void panGains(double pan, double& l, double& r) {
    l = pan > 0.0 ? 1.0 - pan : 1.0;
    r = pan < 0.0 ? 1.0 + pan : 1.0;
}

}  // namespace

Mix::Mix(int64_t length)
    : frames(length),
      left(static_cast<size_t>(length), 0.0f),
      right(static_cast<size_t>(length), 0.0f),
      duck(static_cast<size_t>(length), 1.0f) {}

void addKick(Mix& mix, int64_t at, double level, double decaySeconds) {
    const double length = 0.55;
    const int64_t n = seconds(length);
    double phase = 0.0;
    Noise noise(static_cast<uint32_t>(at));
    Biquad clickTone = Biquad::lowPass(2500.0, 0.7);
    for (int64_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double hz = 50.0 + 110.0 * std::exp(-t / 0.025) + 250.0 * std::exp(-t / 0.004);
        phase += hz / kSampleRate;
        phase -= std::floor(phase);
        const double body = std::sin(kTwoPi * phase) * std::exp(-t / decaySeconds);
        const double click = clickTone.run(noise.next()) * std::exp(-t / 0.0025) * 0.6;
        const double v = level * attackRamp(t, 0.0015) * endFade(t, length, 0.05) * (body + click);
        mix.add(at + i, v, v);
    }
}

void duckUnderKick(Mix& mix, int64_t at, double depth) {
    const int64_t n = seconds(0.45);
    for (int64_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double pull = t < 0.006 ? t / 0.006 : std::exp(-(t - 0.006) / 0.11);
        const float g = static_cast<float>(1.0 - depth * pull);
        float& d = mix.duck[static_cast<size_t>(((at + i) % mix.frames + mix.frames) % mix.frames)];
        d = std::min(d, g);
    }
}

void addClap(Mix& mix, int64_t at, double level, uint32_t seed) {
    const double length = 0.35;
    const int64_t n = seconds(length);
    Noise noise(seed);
    Biquad body = Biquad::bandPass(1150.0, 0.9);
    Biquad air = Biquad::lowPass(3000.0, 0.7);
    for (int64_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        double env = std::exp(-(t - 0.021) / 0.085) * (t >= 0.021 ? 1.0 : 0.0);
        for (double burst : {0.0, 0.008, 0.015}) {
            if (t >= burst) env = std::max(env, std::exp(-(t - burst) / 0.004));
        }
        const double v = level * endFade(t, length, 0.03) * env * air.run(body.run(noise.next())) * 3.0;
        mix.add(at + i, v * 0.95, v);
    }
}

void addHat(Mix& mix, int64_t at, double level, bool open, double pan, uint32_t seed) {
    const double length = open ? 0.5 : 0.12;
    const double decay = open ? 0.16 : 0.028;
    const int64_t n = seconds(length);
    Noise noise(seed);
    // A band around 7 kHz: bright enough to tick, but the show's treble lift
    // near 11 kHz would turn every hat into a cut, so that octave is kept out.
    Biquad hp1 = Biquad::highPass(5500.0, 0.7), hp2 = Biquad::highPass(5500.0, 0.7);
    Biquad lp1 = Biquad::lowPass(7500.0, 0.7), lp2 = Biquad::lowPass(7500.0, 0.7), lp3 = Biquad::lowPass(7500.0, 0.7);
    double gl, gr;
    panGains(pan, gl, gr);
    for (int64_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double x = lp3.run(lp2.run(lp1.run(hp2.run(hp1.run(noise.next())))));
        const double v = level * attackRamp(t, 0.0008) * endFade(t, length, 0.02) * std::exp(-t / decay) * x * 2.0;
        mix.add(at + i, v * gl, v * gr);
    }
}

void addCrash(Mix& mix, int64_t at, double level, uint32_t seed) {
    const double length = 2.6;
    const int64_t n = seconds(length);
    Noise left(seed), right(seed + 7777u);
    // The wash stays below 9 kHz, where the show's treble lift is still mild;
    // the bright strike on top is a ting, whose clean decay makes one short cut
    // instead of a flicker of them.
    Biquad hpl = Biquad::highPass(3500.0, 0.7), hpr = Biquad::highPass(3500.0, 0.7);
    Biquad lpl1 = Biquad::lowPass(8000.0, 0.7), lpr1 = Biquad::lowPass(8000.0, 0.7);
    Biquad lpl2 = Biquad::lowPass(8000.0, 0.7), lpr2 = Biquad::lowPass(8000.0, 0.7);
    for (int64_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double env = level * attackRamp(t, 0.001) * endFade(t, length, 0.3) * std::exp(-t / 0.55);
        // The two sides share most of their noise, so the mono mix keeps the crash's body.
        const double common = left.next();
        const double other = right.next();
        const double l = lpl2.run(lpl1.run(hpl.run(common * 0.8 + other * 0.2)));
        const double r = lpr2.run(lpr1.run(hpr.run(common * 0.8 - other * 0.2)));
        mix.add(at + i, env * l, env * r);
    }
    addTing(mix, at, level * 0.12);
}

void addTing(Mix& mix, int64_t at, double level) {
    const double length = 0.35;
    const int64_t n = seconds(length);
    Sine high(11025.0), mid(5512.5), edge(7937.0, 0.25);
    for (int64_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double env = level * attackRamp(t, 0.0015) * endFade(t, length, 0.05);
        const double v = env * (high.next() * std::exp(-t / 0.04) + 0.5 * mid.next() * std::exp(-t / 0.06) +
                                0.3 * edge.next() * std::exp(-t / 0.03));
        mix.add(at + i, v, v);
    }
}

void addBass(Mix& mix, int64_t at, int64_t length, int note, double level) {
    const double hz = noteHz(note);
    Saw a(hz), b(hz * 1.004, 0.37);
    Biquad lp = Biquad::lowPass(900.0, 1.1);
    const double seconds_ = static_cast<double>(length) / kSampleRate;
    for (int64_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        if (i % 32 == 0) lp.retune(180.0 + 1100.0 * std::exp(-t / 0.07), 1.1, 0);
        const double x = lp.run(0.6 * a.next() + 0.4 * b.next());
        const double env = attackRamp(t, 0.004) * endFade(t, seconds_, 0.025) * (0.55 + 0.45 * std::exp(-t / 0.12));
        const double v = level * env * x * mix.duckAt(at + i);
        mix.add(at + i, v, v);
    }
}

void addPad(Mix& mix, int64_t at, int64_t length, const std::vector<int>& notes, double level) {
    const double release = 0.9;
    const int64_t n = length + seconds(release);
    const double held = static_cast<double>(length) / kSampleRate;
    std::vector<Saw> voices;
    for (size_t k = 0; k < notes.size(); ++k) {
        const double hz = noteHz(notes[k]);
        const double spread = 0.1 * static_cast<double>(k);
        voices.emplace_back(hz * 0.9960, 0.11 + spread);
        voices.emplace_back(hz, 0.53 + spread);
        voices.emplace_back(hz * 1.0040, 0.79 + spread);
    }
    Biquad l1 = Biquad::lowPass(1000.0, 0.6), l2 = Biquad::lowPass(1000.0, 0.6);
    Biquad r1 = Biquad::lowPass(1000.0, 0.6), r2 = Biquad::lowPass(1000.0, 0.6);
    for (int64_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        double l = 0.0, r = 0.0;
        for (size_t v = 0; v < voices.size(); v += 3) {
            const double down = voices[v].next(), centre = voices[v + 1].next(), up = voices[v + 2].next();
            l += down + 0.7 * centre;
            r += up + 0.7 * centre;
        }
        double env = attackRamp(t, 0.3);
        if (t > held) env *= std::exp(-(t - held) / (release / 4.0));
        env *= endFade(t, held + release, 0.05);
        const double g = level * env * (0.55 + 0.45 * mix.duckAt(at + i));
        mix.add(at + i, g * l2.run(l1.run(l)), g * r2.run(r1.run(r)));
    }
}

void addStab(Mix& mix, int64_t at, const std::vector<int>& notes, double level) {
    const double length = 0.42;
    const int64_t n = seconds(length);
    std::vector<Saw> voices;
    for (size_t k = 0; k < notes.size(); ++k) {
        const double hz = noteHz(notes[k]);
        voices.emplace_back(hz * 0.997, 0.2 * static_cast<double>(k));
        voices.emplace_back(hz * 1.003, 0.5 + 0.2 * static_cast<double>(k));
    }
    Biquad lpl = Biquad::lowPass(2000.0, 0.9), lpr = Biquad::lowPass(2000.0, 0.9);
    for (int64_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        if (i % 32 == 0) {
            const double cut = 650.0 + 1600.0 * std::exp(-t / 0.05);
            lpl.retune(cut, 0.9, 0);
            lpr.retune(cut, 0.9, 0);
        }
        double l = 0.0, r = 0.0;
        for (size_t v = 0; v < voices.size(); v += 2) {
            const double a = voices[v].next(), b = voices[v + 1].next();
            l += 0.65 * a + 0.35 * b;
            r += 0.35 * a + 0.65 * b;
        }
        const double env = level * attackRamp(t, 0.003) * endFade(t, length, 0.05) * std::exp(-t / 0.13);
        mix.add(at + i, env * lpl.run(l), env * lpr.run(r));
    }
}

void addBell(Mix& mix, int64_t at, int note, double level, double pan) {
    const double length = 1.4;
    const int64_t n = seconds(length);
    const double hz = noteHz(note);
    Sine one(hz), two(hz * 2.0, 0.25), three(hz * 3.0, 0.5);
    double gl, gr;
    panGains(pan, gl, gr);
    for (int64_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double v = level * attackRamp(t, 0.002) * endFade(t, length, 0.1) *
                         (one.next() * std::exp(-t / 0.45) + 0.45 * two.next() * std::exp(-t / 0.22) +
                          0.55 * three.next() * std::exp(-t / 0.16));
        mix.add(at + i, v * gl, v * gr);
    }
}

void addRiser(Mix& mix, int64_t at, int64_t length, double level, uint32_t seed) {
    Noise noise(seed);
    Biquad band = Biquad::bandPass(200.0, 2.0);
    const double total = static_cast<double>(length) / kSampleRate;
    for (int64_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double x = t / total;
        if (i % 16 == 0) band.retune(200.0 * std::pow(30.0, x), 2.0, 2);
        const double v = level * x * x * endFade(t, total, 0.02) * band.run(noise.next()) * 2.5;
        mix.add(at + i, v, v);
    }
}
