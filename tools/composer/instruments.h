// The composer's instruments: each call renders one whole note into a Mix.
//
//   Mix mix(frames);                       // a stereo loop of that many frames
//   addKick(mix, at, 0.8);                 // a kick starting at frame `at`
//   addPad(mix, at, length, notes, 0.05);  // a held chord
//
// The Mix is circular: whatever rings past its end continues at its start,
// so the last bar's tails flow into the first bar and the loop has no seam.
// Parts on the music bus (bass, pads, stabs, bells) pass through the duck
// curve, which the kicks pull down so the low end leaves room for them.
#pragma once
#include <cstdint>
#include <vector>

struct Mix {
    explicit Mix(int64_t frames);
    int64_t frames;
    std::vector<float> left;
    std::vector<float> right;
    std::vector<float> duck;  // gain of the music bus, 1 where no kick pulls it down
    // Adds one stereo sample at a position that wraps around the loop.
    void add(int64_t at, double l, double r) {
        const int64_t i = ((at % frames) + frames) % frames;
        left[i] += static_cast<float>(l);
        right[i] += static_cast<float>(r);
    }
    double duckAt(int64_t at) const { return duck[((at % frames) + frames) % frames]; }
};

// Sub-bass kick: a sine falling from a knock to about 50 Hz, with a short click.
void addKick(Mix& mix, int64_t at, double level, double decaySeconds);
// Pulls the music bus down after a kick and lets it recover.
void duckUnderKick(Mix& mix, int64_t at, double depth);
void addClap(Mix& mix, int64_t at, double level, uint32_t seed);
void addHat(Mix& mix, int64_t at, double level, bool open, double pan, uint32_t seed);
void addCrash(Mix& mix, int64_t at, double level, uint32_t seed);
// A short metallic accent with partials at 5.5 and 11 kHz.
void addTing(Mix& mix, int64_t at, double level);
void addBass(Mix& mix, int64_t at, int64_t length, int note, double level);
void addPad(Mix& mix, int64_t at, int64_t length, const std::vector<int>& notes, double level);
void addStab(Mix& mix, int64_t at, const std::vector<int>& notes, double level);
void addBell(Mix& mix, int64_t at, int note, double level, double pan);
// Filtered noise whose band sweeps upwards over its length.
void addRiser(Mix& mix, int64_t at, int64_t length, double level, uint32_t seed);
