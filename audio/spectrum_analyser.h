// The spectrum analyser: the samples heard so far in, 512 band levels out.
//
//   AnalyserState state;                        // as when a stream starts
//   // For every hop boundary h = state.nextHop, nextHop + kAnalysisHop, ... up to
//   // the heard position, with the 1024 samples before h:
//   takeInHop(state, windowBefore(h));
//   // then, for the samples before the heard position p:
//   shapeSpectrum(state, windowBefore(p), p, spectrum);
//
// The state moves on in fixed hops of heard samples, never with the time
// between calls, so the live show at any frame rate and the offline renderer
// at any fps compute the same spectrum from the same samples at the same
// heard position. HeardSpectrum (audio/heard_spectrum.h) does both steps.
//
// measureBands is the plain transform (periodic Hann window, |X[k]| x 2/512,
// so a full-scale sine centred on band k reads 1.0). Each level the show
// reads is then set against that band's own recent history:
//   - colour bands (51 and every band no selector reads) show how loud the
//     band is against its own recent peak, so a band that carries the music
//     stays bright whatever the overall level;
//   - band 2, the trail's blue, shows the bass against its running mean
//     (0.3 when the bass is as loud as usual);
//   - the selector bands (1, 0..20, 44..46) sit just below their thresholds
//     (0..20 and 44..46 in proportion to how loud they are), and cross them
//     only as steps: one frame's worth of samples when the music makes an
//     onset in the band (never on a steady tone or steady noise, and at most
//     a few a second);
//   - band 1 also holds the pattern scene through the louder stretches of a
//     lively bass, a little under half the time on any music, and a scene
//     step from 3 is made a jump to 2 (where the step lands anyway), so any
//     frame rate sees it. From a hold or a jump until the next scene step the
//     picture does not show and band 1 above 0.5 keeps the scene where it
//     is, so the colours are free: band 1 stands at 1 (the trail's green),
//     and how loud the highs have been turns the trail from cyan through
//     green to yellow (bands 44..46 and 2 give its red and blue), with the
//     colour rows lit to match, a little at a time (the whole way takes
//     seconds, so the change of colour is never a flash);
//   - bands 44..46 step the turning picture so that it lingers on its
//     brightest (kBrightestPicture) and moves on from the other two at the
//     next onset, each kept on at least kPictureLeastShare of the turning
//     frames; the analyser follows the scene and the picture as a show at
//     60 fps steps them;
//   - the cut bands (64, 128, 256) reach 0.8 for two 60 fps frames after a
//     sharp jump (one frame at 30 fps).
// Floors tied to the overall level keep noise and faint bands from being
// lifted into music. Beyond that, for a show that is safe to watch on any
// input, live or offline:
//   - presence: the level over the last tenth of a second, against -57..-51
//     dBFS, scales every value (followed down at once, up by at most 1.5 a
//     second, so quiet music about the gate does not pulse the frame), and
//     only a fully present level opens steps, holds and cuts, so silence and
//     faint noise stay dark and still; a gap after music also takes the
//     trail's red away (bands 44..46 at 1);
//   - scene changes, holds and cuts are earned by the music's onsets (any
//     onset, not only the bass's), so the show is as busy as the music;
//   - a flash budget (kFlashBudget changes of the screen in any second of
//     heard samples) bounds the luminance transitions the analyser causes;
//   - band 2 is raised where needed so that no pixel of the trail or of the
//     colour rows can count as saturated red (the proof is at kRedShare);
//   - the levels that colour the frame fall over 0.3 s, so gated sound does
//     not strobe the colours.
// The bands' roles and thresholds come from scenes/band_roles.h.
#pragma once
#include <cstdint>

#include "scenes/spectrum.h"
#include "scenes/spectrum_features.h"

inline constexpr int kAnalysisWindow = 1024;
inline constexpr int kAnalysisHop = 512;   // samples between two updates of the state
// Changes that can move the screen's brightness (steps, holds, cuts, a cut
// counting twice) allowed in any second of heard samples.
inline constexpr int kFlashBudget = 4;
// The turning scene lingers on its brightest picture (kBrightestPicture) but
// keeps showing the other two, each on at least about this share of its frames.
inline constexpr double kPictureLeastShare = 0.15;
static_assert(kPictureSelectorCount == 3, "two darker pictures and the brightest");

struct AnalyserState {
    int64_t nextHop = kAnalysisHop;              // heard position of the next hop to take in
    double smooth[kSpectrumBands] = {};          // each band's level over the last few hops
    double mean[kSpectrumBands] = {};            // running mean of the smoothed level
    double square[kSpectrumBands] = {};          // running mean of its square
    double slow[kSpectrumBands] = {};            // each band's level over a fifth of a second
    double slowSquare[kSpectrumBands] = {};      // running mean of its square
    double peak[kSpectrumBands] = {};            // recent peak of each band
    double shown[kSpectrumBands] = {};           // each band's level with a slow release, for what only colours
    double overall = 0.0;                        // running root mean square of the samples
    double bassEnvelope = 0.0;                   // band 1 over the last second or so
    double holdLevel = 0.0;                      // the envelope the loudest stretches stay above
    bool holding = false;                        // band 1 holds the pattern scene
    bool patternColours = false;                 // band 1 keeps the scene at 2: from a hold or a jump to the next scene step
    bool patternPaused = false;                  // and the level has not been fully present since
    int scene = 0;                               // SceneSelector as the analyser's own changes move it
    int picture = 0;                             // PictureSelector the same way, as a show at 60 fps steps it
    int64_t pictureSince = 0;                    // heard position of the frame that last stepped it
    // Each picture's recent share of the turning frames; a stream starts as
    // if each darker one had had its least.
    double pictureShare[kPictureSelectorCount] = {kPictureLeastShare, kPictureLeastShare, 1.0 - 2.0 * kPictureLeastShare};
    double bright = 0.0;                         // how loud the highs have been against their peak: the pattern's colour
    double usualBright = 0.0;                    // the same over the last few seconds
    double warm = 0.5;                           // the pattern's colour, from cool (0) to warm (1), following the two
    int64_t sceneStep = -1;                      // heard positions where the latest steps began
    int64_t colourStep = -1;
    int64_t pictureStep = -1;
    int64_t cutStart = -1;                       // heard position where the latest cut began
    int cutBand = -1;                            // the band that made it: 64, 128 or 256
    double loudness = 0.0;                       // running mean square of the samples over the last tenth of a second
    double lit = 0.0;                            // how lit the frame is: the presence, moving a little at a time
    bool moved = false;                          // a step, hold or cut has left the selectors' start
    double onsetCredit = 0.0;                    // scene changes earned by the music's onsets
    double cutCredit = 0.0;                      // cuts earned by them
    double lastFlux = 0.0;                       // the onset measure of the hop before
    int64_t lastOnset = -1;                      // heard position of the latest onset
    int64_t onsets = 0;                          // onsets heard since the stream began
    int64_t budget[kFlashBudget] = {};           // heard positions of the latest budgeted changes (a ring)
    int budgetUsed = 0;                          // entries of the ring filled so far
    int budgetNext = 0;                          // the oldest entry once the ring is full
};

void resetAnalyser(AnalyserState& state);
void measureBands(const float* window, float* bands);
// The band levels the state works on (bands as measureBands gives them).
void bandLevels(const float* bands, double* levels);
void takeInHop(AnalyserState& state, const float* window);
void shapeSpectrum(const AnalyserState& state, const float* window, int64_t position, float* spectrum);
