#include "song.h"

#include <array>
#include <cstddef>

#include "master.h"

namespace {

// Mastering: the level the mix is raised by and the ceiling no sample passes,
// chosen so the encoded file keeps its true peak below -1 dBTP.
constexpr double kMasterGain = 1.3;
constexpr double kCeiling = 0.75;

enum Bars {
    kIntro = 0,
    kBuild = 8,
    kDrop = 24,
    kBreakdown = 48,
    kSecondDrop = 64,
    kOutro = 88,
};

// A minor: Am, F, C, G, one bar each.
struct Chord {
    int bass;
    std::array<int, 4> voicing;  // low-mid chord tones for pads and stabs
    std::array<int, 8> arpeggio;  // eighth notes for the bells
};
const std::array<Chord, 4> kChords = {{
    {45, {57, 60, 64, 69}, {69, 72, 76, 72, 81, 76, 72, 76}},
    {41, {53, 57, 60, 65}, {65, 69, 72, 77, 72, 69, 76, 72}},
    {48, {55, 60, 64, 67}, {64, 67, 72, 76, 79, 76, 72, 67}},
    {43, {55, 59, 62, 67}, {67, 71, 74, 83, 79, 74, 71, 74}},
}};

const Chord& chordOf(int bar) { return kChords[static_cast<std::size_t>(bar % 4)]; }
std::vector<int> voicingOf(int bar) {
    const auto& v = chordOf(bar).voicing;
    return {v.begin(), v.end()};
}

int64_t barStart(int bar) { return bar * kBarFrames; }
int64_t stepStart(int bar, int sixteenth) { return barStart(bar) + sixteenth * (kBeatFrames / 4); }
uint32_t seedOf(int bar, int step, uint32_t part) { return static_cast<uint32_t>(bar * 64 + step) * 31u + part; }

bool in(int bar, int first, int last) { return bar >= first && bar < last; }

// Kicks first: they shape the duck curve the music bus follows.
void kicks(Mix& mix) {
    for (int bar = 0; bar < kSongBars; ++bar) {
        const bool drop = in(bar, kDrop, kBreakdown) || in(bar, kSecondDrop, kOutro);
        const bool build = in(bar, kBuild, kDrop);
        for (int beat = 0; beat < 4; ++beat) {
            const int64_t at = barStart(bar) + beat * kBeatFrames;
            if (drop || build) {
                const bool accent = beat == 0 && (drop || bar % 4 == 0);
                addKick(mix, at, accent ? 0.85 : 0.6, accent ? 0.16 : 0.13);
                duckUnderKick(mix, at, 0.7);
            } else if (beat == 0 && (bar % 2 == 0 || !in(bar, kBreakdown, kSecondDrop))) {
                // A soft heartbeat keeps the low end alive in the quiet sections.
                addKick(mix, at, 0.5, 0.12);
                duckUnderKick(mix, at, 0.4);
            }
        }
    }
}

void drums(Mix& mix) {
    for (int bar = 0; bar < kSongBars; ++bar) {
        const bool drop = in(bar, kDrop, kBreakdown) || in(bar, kSecondDrop, kOutro);
        const bool second = in(bar, kSecondDrop, kOutro);
        const bool build = in(bar, kBuild, kDrop);
        const bool lightHats = in(bar, kIntro + 4, kBuild) || in(bar, kOutro, kOutro + 4) || in(bar, kBreakdown + 8, kSecondDrop);
        for (int step = 0; step < 16; ++step) {
            const int64_t at = stepStart(bar, step);
            const double pan = step % 4 == 2 ? 0.25 : -0.2;
            if (drop) {
                if (step % 4 == 2) addHat(mix, at, 0.5, second && step % 8 == 6, pan, seedOf(bar, step, 1));
                else if (step % 2 == 1) addHat(mix, at, 0.22, false, pan, seedOf(bar, step, 1));
                if (step == 4 || step == 12) addClap(mix, at, 0.3, seedOf(bar, step, 2));
            } else if (build) {
                if (step % 4 == 2) addHat(mix, at, 0.4, false, pan, seedOf(bar, step, 1));
                if (bar >= kBuild + 8 && (step == 4 || step == 12)) addClap(mix, at, 0.26, seedOf(bar, step, 2));
                if (bar >= kDrop - 1 && step % 2 == 0 && step >= 8) addClap(mix, at, 0.12 + 0.02 * step, seedOf(bar, step, 3));
            } else if (lightHats) {
                if (step % 4 == 2) addHat(mix, at, 0.25, false, pan, seedOf(bar, step, 1));
            }
        }
        // Crashes open the phrases; tings close every second bar of the drops.
        if (bar == kBuild || bar == kBuild + 8 || bar == kBreakdown || bar == kOutro ||
            (drop && (bar - kDrop) % 8 == 0) || (second && (bar - kSecondDrop) % 8 == 0)) {
            addCrash(mix, barStart(bar), 0.3, seedOf(bar, 0, 4));
        }
        if (drop && bar % 2 == 1) addTing(mix, stepStart(bar, 14), 0.03);
    }
}

void music(Mix& mix) {
    for (int bar = 0; bar < kSongBars; ++bar) {
        const Chord& chord = chordOf(bar);
        const bool drop = in(bar, kDrop, kBreakdown) || in(bar, kSecondDrop, kOutro);
        const bool second = in(bar, kSecondDrop, kOutro);
        const bool quiet = in(bar, kIntro, kBuild + 8) || in(bar, kBreakdown, kSecondDrop) || in(bar, kOutro, kSongBars);
        if (quiet) addPad(mix, barStart(bar), kBarFrames, voicingOf(bar), 0.05);
        if (drop || in(bar, kBuild + 4, kDrop)) {
            for (int beat = 0; beat < 4; ++beat) {
                addBass(mix, barStart(bar) + beat * kBeatFrames + kBeatFrames / 2, kBeatFrames / 2 - 600, chord.bass, 0.3);
            }
        }
        if (drop) {
            for (int step : {2, 7, 10}) addStab(mix, stepStart(bar, step), voicingOf(bar), 0.06);
            if (second) addStab(mix, stepStart(bar, 14), voicingOf(bar), 0.05);
        }
        // Bells: the arpeggio in the intro, breakdown and outro, a sparser line in the drops.
        if (in(bar, kIntro + 4, kBuild) || in(bar, kBreakdown, kSecondDrop) || in(bar, kOutro, kOutro + 6)) {
            for (int eighth = 0; eighth < 8; ++eighth) {
                addBell(mix, stepStart(bar, 2 * eighth), chord.arpeggio[static_cast<std::size_t>(eighth)], 0.08,
                        eighth % 2 == 0 ? -0.35 : 0.35);
            }
        } else if (drop && (bar >= kDrop + 8 || second)) {
            for (int eighth : {0, 3, 6}) {
                addBell(mix, stepStart(bar, 2 * eighth), chord.arpeggio[static_cast<std::size_t>(eighth)] + 12 * (eighth == 6),
                        0.09, eighth == 3 ? 0.3 : -0.3);
            }
        }
        if (bar == kDrop - 4 || bar == kSecondDrop - 4) addRiser(mix, barStart(bar), 4 * kBarFrames, 0.12, seedOf(bar, 0, 5));
    }
}

}  // namespace

const std::vector<SongSection>& songSections() {
    static const std::vector<SongSection> sections = {
        {"intro", kIntro, kBuild - kIntro},
        {"build", kBuild, kDrop - kBuild},
        {"drop", kDrop, kBreakdown - kDrop},
        {"breakdown", kBreakdown, kSecondDrop - kBreakdown},
        {"second drop", kSecondDrop, kOutro - kSecondDrop},
        {"outro", kOutro, kSongBars - kOutro},
    };
    return sections;
}

void composeSong(Mix& mix) {
    kicks(mix);
    drums(mix);
    music(mix);
}

std::vector<float> renderDuskPulse() {
    Mix mix(kSongFrames);
    composeSong(mix);
    std::vector<float> out;
    masterLoop(mix, kMasterGain, kCeiling, out);
    return out;
}
