// Small building blocks of the composer's synthesis: a seeded noise source,
// two-pole filters and band-limited oscillators.
//
//   Noise n(seed);            float x = n.next();          // -1..1, same sequence for the same seed
//   Biquad f = Biquad::lowPass(900.0, 0.707);              float y = f.run(x);
//   Saw s(110.0);             float v = s.next();          // band-limited sawtooth, -1..1
//
// Everything is computed in double precision with integer-seeded noise, so
// a build renders the same samples every time.
#pragma once
#include <cmath>
#include <cstdint>

#include "audio/audio_constants.h"

inline constexpr int kSampleRate = kMixRate;  // the track plays without resampling
inline constexpr double kTwoPi = 6.283185307179586476925286766559;

class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) {
        if (state_ == 0) state_ = 1;
    }
    double next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<double>(state_) / 2147483648.0 - 1.0;
    }

private:
    uint32_t state_;
};

// Transposed direct form II biquad with the usual audio-cookbook designs.
class Biquad {
public:
    static Biquad lowPass(double hz, double q) { return design(hz, q, 0); }
    static Biquad highPass(double hz, double q) { return design(hz, q, 1); }
    static Biquad bandPass(double hz, double q) { return design(hz, q, 2); }
    void retune(double hz, double q, int kind) { *this = design(hz, q, kind, z1_, z2_); }
    double run(double x) {
        const double y = b0_ * x + z1_;
        z1_ = b1_ * x - a1_ * y + z2_;
        z2_ = b2_ * x - a2_ * y;
        return y;
    }

private:
    static Biquad design(double hz, double q, int kind, double z1 = 0.0, double z2 = 0.0) {
        const double w = kTwoPi * hz / kSampleRate;
        const double cw = std::cos(w);
        const double alpha = std::sin(w) / (2.0 * q);
        const double a0 = 1.0 + alpha;
        Biquad f;
        if (kind == 0) {
            f.b0_ = (1.0 - cw) / 2.0 / a0;
            f.b1_ = (1.0 - cw) / a0;
            f.b2_ = f.b0_;
        } else if (kind == 1) {
            f.b0_ = (1.0 + cw) / 2.0 / a0;
            f.b1_ = -(1.0 + cw) / a0;
            f.b2_ = f.b0_;
        } else {
            f.b0_ = alpha / a0;
            f.b1_ = 0.0;
            f.b2_ = -alpha / a0;
        }
        f.a1_ = -2.0 * cw / a0;
        f.a2_ = (1.0 - alpha) / a0;
        f.z1_ = z1;
        f.z2_ = z2;
        return f;
    }
    double b0_ = 1.0, b1_ = 0.0, b2_ = 0.0, a1_ = 0.0, a2_ = 0.0, z1_ = 0.0, z2_ = 0.0;
};

// Sawtooth with a polynomial correction at each wrap, so its harmonics do
// not fold back into the treble bands the show watches.
class Saw {
public:
    explicit Saw(double hz, double phase = 0.0) : phase_(phase), step_(hz / kSampleRate) {}
    void setFrequency(double hz) { step_ = hz / kSampleRate; }
    double next() {
        double v = 2.0 * phase_ - 1.0;
        v -= blep(phase_, step_);
        phase_ += step_;
        if (phase_ >= 1.0) phase_ -= 1.0;
        return v;
    }

private:
    static double blep(double t, double dt) {
        if (t < dt) {
            const double x = t / dt;
            return x + x - x * x - 1.0;
        }
        if (t > 1.0 - dt) {
            const double x = (t - 1.0) / dt;
            return x * x + x + x + 1.0;
        }
        return 0.0;
    }
    double phase_;
    double step_;
};

// Sine by phase accumulation; the phase stays in [0, 1) so long notes keep their precision.
class Sine {
public:
    explicit Sine(double hz, double phase = 0.0) : phase_(phase), step_(hz / kSampleRate) {}
    void setFrequency(double hz) { step_ = hz / kSampleRate; }
    double next() {
        const double v = std::sin(kTwoPi * phase_);
        phase_ += step_;
        if (phase_ >= 1.0) phase_ -= 1.0;
        return v;
    }

private:
    double phase_;
    double step_;
};

// Frequency of a MIDI note number (69 = A4 = 440 Hz).
inline double noteHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }
