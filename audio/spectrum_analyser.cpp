#include "audio/spectrum_analyser.h"

#include "audio/audio_constants.h"
#include "scenes/band_roles.h"
#include "scenes/rotating_scene.h"

#include <kissfft/kissfft.hh>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace {

// What the levels answer to. Times are in seconds of heard samples; floors
// are band levels (a full-scale sine reads 1) or shares of the running root
// mean square of the samples; the values a band takes are set against the
// show's thresholds (0.1, 0.3, 0.5 and 0.8). Chosen on a corpus of real music
// of many kinds; see tools/corpus/README.md.
struct Tuning {
    double meanSeconds = 1.5;      // running mean of each band
    double peakSeconds = 4.0;      // release of each band's peak
    double overallSeconds = 5.0;   // running overall level
    double smoothSeconds = 0.05;   // the smoothed level the means and onsets read
    double relFloor = 0.01;        // floor against the overall level
    double bassFloor = 0.08;       // the same for the bass selector bands
    double absFloor = 1e-5;        // floor that keeps silence silent
    double colourGain = 1.3;       // colour bands: every band no selector reads
    double band51Gain = 1.6;       // band 51, the colour rows' blue and yellow
    double bassAtMean = 0.3;       // band 2 when the bass is at its running mean
    // Resting levels, times the band's loudness against its peak: each stays
    // below its threshold (0..20 below 0.3, so that their mean does too with
    // band 1 in the pattern's colours and band 2 full; 44..46 below 0.1). Band 1 is
    // the trail's green and rests just under its threshold whatever the bass
    // does: the least red the trail can show outside the pattern.
    double kickRest = 0.29, beatRest = 0.22, highRest = 0.09;
    // Steps: a group's onset (its smoothed level over its running mean past a
    // dead zone), in music that is lively enough, at least a gap apart. The
    // band then reads the step value for one 60 fps frame's worth of samples.
    double sceneDead = 0.07, sceneGap = 0.15, sceneStep = 0.4;
    double colourDead = 0.12, colourGap = 0.5, colourStep = 0.45;
    // A colour shown this long gives way at the next onset of any kind: music
    // with few onsets in its bass still shows every mapping.
    double colourStaySeconds = 6.0;
    double pictureDead = 0.3, pictureGap = 0.6, pictureStep = 0.3;
    // Each picture's share of the turning frames (kPictureLeastShare), over about pictureShareSeconds of them.
    double pictureShareSeconds = 20.0;
    // A darker picture that has had its share gives way after this long even
    // without an onset, while the music has had one in the last
    // pictureQuietSeconds: quiet music does not sit on a near-black picture,
    // and steady sound, which has no onsets, does not light the show.
    double pictureStaySeconds = 2.0, pictureQuietSeconds = 8.0;
    int stepLength = 735;   // one 60 fps frame
    // Liveliness: the spread of a group's smoothed levels over their mean,
    // past a dead zone. Smoothing leaves noise nearly still; music is not.
    // The spread is read on levels smoothed over liveSeconds: long enough that
    // steady noise, even in the bass bands of a few bins each, varies by less
    // than the dead zone, short enough to keep a beat's swell.
    double liveDead = 0.1, liveRange = 0.1, liveGate = 0.5, liveSeconds = 0.2;
    // A hold asks for more: noise's bass bands, a few bins each, reach a
    // spread of 0.24 now and then, and a hold is seconds of the bright scene.
    double holdLiveDead = 0.2;
    // A strong onset steps even in calm music (a note after a held chord);
    // noise never jumps that far.
    double strongDead = 0.4, kickStrongDead = 0.6, pictureStrongDead = 1.0;
    // Holding: band 1's envelope above the level its loudest share of time
    // stays above, with a little hysteresis, while the bass is lively; that
    // level is tracked slowly. Calm passages keep whatever scene they reach.
    double holdSeconds = 0.8, holdShare = 0.45, holdRate = 0.002, holdHysteresis = 0.06;
    // Cuts: a jump over the running mean, at least this far apart, two 60 fps
    // frames long (so a show at 30 fps sees every cut too).
    double cutRatio = 2.5, cutSeconds = 0.4, cutCap = 0.15, cutFloor = 0.001;
    int cutLength = 2 * stepLength;
    double dimGain = 0.15;         // bands 63 and 65, beside the cut band 64
    // Presence: the samples' level over the last tenth of a second, in dB
    // against full scale. At gateFloorDb and below the show goes dark; it is
    // fully lit from gateFloorDb + gateSpanDb on, and only there do steps,
    // holds and cuts open. Noise at -60 dBFS RMS stays under the floor.
    // The frame is lit by the presence, which it follows down at once but up
    // by at most litPerSecond a second: music wavering about the gate cannot
    // pulse the frame with every note (a swing down is no larger than the
    // swing up before it), and a gap still goes dark as fast as the level.
    double loudSeconds = 0.1, gateFloorDb = -57.0, gateSpanDb = 3.0, litPerSecond = 1.5;
    // The pattern's colours. A hold sets the scene to 2, and so does a scene
    // step from 3, which the analyser turns into a jump (band 1 above 0.5)
    // that any frame rate sees. From there until the next scene step the
    // turning picture is not drawn, and band 1 above 0.5 only keeps the scene
    // where it stands, so the colours are free. How loud the highs (44..46)
    // have been against their peak over brightSeconds, set against the same
    // over usualBrightSeconds (half way when as usual, a brightSpan higher
    // fully warm), moves them from cool to warm: the trail's red (1 - 44..46),
    // band 1 (the trail's green, the colour rows' red), band 2 (the trail's
    // blue, the colour rows' green) and a factor on band 51 (the colour rows'
    // blue). Cool is a cyan trail over blue-green rows, warm a yellow trail
    // over orange rows, green between: every piece shows all three, warmer
    // as its treble rings out, cooler as it softens. The colour moves at most
    // warmPerSecond of the way a second: the whole way changes the frame's
    // luminance by about a flash transition, which no budget counts.
    struct PatternColour {
        double red, green, blue, band51;
    };
    PatternColour patternCool{0.05, 1.0, 0.8, 1.0}, patternWarm{0.85, 1.0, 0.2, 0.3};
    double brightSeconds = 0.5, brightSpan = 0.2, usualBrightSeconds = 8.0, warmPerSecond = 0.4;
    double holdCost = 1.0;         // of a scene change's credit: a hold is a scene change too
    double blackoutBelow = 0.05;   // presence under which the trail's red goes too
    // Every level that colours the frame (not the cut bands) rises at once
    // and falls over releaseSeconds, so sound gated faster than a few times a second does not
    // strobe the colours.
    double releaseSeconds = 0.3;
    // The music's onsets, counted across the whole spectrum (each band's rise
    // over its smoothed level, weighted by its index, against the weighted
    // running means), at least onsetGap apart. Each earns a share of a scene
    // change and of a cut, so calm music changes scene and cuts rarely and
    // busy music often: the show follows the music's onset density.
    double onsetDead = 0.25, onsetGap = 0.05, sceneShare = 0.3, cutShare = 0.12, creditCap = 1.0;
};

constexpr Tuning kTuning{};

// Each level against the threshold it answers to (scenes/band_roles.h).
constexpr double kBandsInMean0to20 = 21.0;
static_assert(kTuning.kickRest < kSceneStepLevel, "band 1 at rest never steps the scene");
static_assert(kTuning.sceneStep > kSceneStepLevel && kTuning.sceneStep <= kSceneJumpLevel, "a scene step steps, and only that");
static_assert(std::min(kTuning.patternCool.green, kTuning.patternWarm.green) > kSceneJumpLevel,
              "a hold sets the scene to 2 and keeps it there");
static_assert((std::max(kTuning.patternCool.green, kTuning.patternWarm.green) + 1.0 + 19.0 * kTuning.beatRest) / kBandsInMean0to20 < kColourStepLevel,
              "bands 0..20 at rest stay under the colour threshold even with band 1 held and band 2 full");
static_assert(16.0 * kTuning.colourStep / kBandsInMean0to20 > kColourStepLevel,
              "a colour step crosses the threshold with only the 16 stepping bands up");
static_assert(kTuning.beatRest < kPictureStep2Level, "bands 14..16 never step the picture");
static_assert(kTuning.highRest < kPictureStepLevel && kTuning.pictureStep > kPictureStepLevel,
              "44..46 step the picture only on a picture step");
static_assert(kTuning.cutCap < kPeakLevel, "only an open cut reaches the peak level");
static_assert(kTuning.blackoutBelow < 1.0 && 1.0 - std::max(kTuning.patternCool.red, kTuning.patternWarm.red) > kPictureStepLevel,
              "44..46 in and after a hold and in the dark step the picture on every frame, where it does not show");

enum class Kind : int8_t { Colour, Bass, Kick, Beat, Rest, High, Dim, Cut };

struct Tables {
    double window[kAnalysisWindow];   // periodic Hann
    Kind kind[kSpectrumBands];
    double meanStep, peakDecay, overallStep, smoothStep, holdStep, loudStep, slowStep, releaseDecay, brightStep, usualBrightStep;
    int64_t cutGap, sceneGap, colourGap, colourStay, pictureGap, pictureStay, pictureQuiet, onsetGap;
    double pictureShareStep;   // per turning frame at 60 fps
    Tables() {
        const Tuning& t = kTuning;
        for (int n = 0; n < kAnalysisWindow; ++n)
            window[n] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * n / kAnalysisWindow);
        for (int k = 0; k < kSpectrumBands; ++k) {
            switch (roleOfBand(k)) {
                case BandRole::Colour: kind[k] = Kind::Colour; break;
                case BandRole::SceneStep: kind[k] = Kind::Kick; break;
                case BandRole::TrailBlue: kind[k] = Kind::Bass; break;
                case BandRole::ColourStep: kind[k] = Kind::Beat; break;
                case BandRole::PictureStep2: kind[k] = Kind::Rest; break;   // their own threshold would step the picture twice
                case BandRole::PictureStep: kind[k] = Kind::High; break;
                case BandRole::PatternRamp: kind[k] = Kind::Dim; break;
                case BandRole::Cut: kind[k] = Kind::Cut; break;
            }
        }
        auto step = [](double seconds) { return 1.0 - std::exp(-kAnalysisHop / (kMixRate * seconds)); };
        meanStep = step(t.meanSeconds);
        peakDecay = std::exp(-kAnalysisHop / (kMixRate * t.peakSeconds));
        overallStep = step(t.overallSeconds);
        smoothStep = step(t.smoothSeconds);
        holdStep = step(t.holdSeconds);
        loudStep = step(t.loudSeconds);
        slowStep = step(t.liveSeconds);
        releaseDecay = std::exp(-kAnalysisHop / (kMixRate * t.releaseSeconds));
        brightStep = step(t.brightSeconds);
        usualBrightStep = step(t.usualBrightSeconds);
        auto samples = [](double seconds) { return static_cast<int64_t>(seconds * kMixRate); };
        cutGap = samples(t.cutSeconds);
        sceneGap = samples(t.sceneGap);
        colourGap = samples(t.colourGap);
        colourStay = samples(t.colourStaySeconds);
        pictureGap = samples(t.pictureGap);
        pictureStay = samples(t.pictureStaySeconds);
        pictureQuiet = samples(t.pictureQuietSeconds);
        pictureShareStep = 1.0 / (t.pictureShareSeconds * 60.0);
        onsetGap = samples(t.onsetGap);
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

// The transform keeps no scratch space between calls, so one serves every thread.
const kissfft<double>& transform() {
    static const kissfft<double> fft(kAnalysisWindow / 2, false);
    return fft;
}

double clamp01(double x) { return std::min(1.0, std::max(0.0, x)); }

void levelsOf(const float* window, double* levels) {
    float bands[kSpectrumBands];
    measureBands(window, bands);
    bandLevels(bands, levels);
}

// How far a group of bands stands above its running mean now (the level
// half smoothed, so a single noisy hop counts for less). Bands 2 and 14..16
// take no part: band 2 follows the bass's swell and 14..16 rest.
double onsetRatio(const AnalyserState& s, const double* level, int lo, int hi, double floor) {
    double now = 0.0, usual = 0.0;
    for (int k = lo; k <= hi; ++k) {
        if (tables().kind[k] == Kind::Bass || tables().kind[k] == Kind::Rest) continue;
        now += 0.5 * (level[k] + s.smooth[k]);
        usual += std::max(s.mean[k], floor);
    }
    return now / usual;
}

// How lively a group has been over the last second or two, on 0..1: the
// spread of its smoothed levels over their mean. A tone does not vary, and
// noise hardly does once smoothed, so neither steps the selectors.
// The bass reads the spread of its levels smoothed over liveSeconds, on which
// steady noise in bands of a few bins hardly moves; 40..50, wide enough,
// read the half-smoothed levels.
double liveliness(const AnalyserState& s, int lo, int hi, double floor, bool slow = false, double dead = kTuning.liveDead) {
    double spread = 0.0, usual = 0.0;
    for (int k = lo; k <= hi; ++k) {
        spread += std::sqrt(std::max(0.0, (slow ? s.slowSquare[k] : s.square[k]) - s.mean[k] * s.mean[k]));
        usual += std::max(s.mean[k], floor);
    }
    return clamp01((spread / usual - dead) / kTuning.liveRange);
}

constexpr double kDecibelsPerNeper = 10.0 / std::numbers::ln10;   // 10 log10(x) = this x ln(x)

// How lit the show may be, on 0..1, from the level of the samples heard.
double presence(const AnalyserState& s) {
    if (s.loudness <= 0.0) return 0.0;
    // Through log rather than log10: one maths function fewer whose last bit the
    // page's library (which must give the desktop's spectrum) could round differently.
    const double db = kDecibelsPerNeper * std::log(s.loudness);
    return clamp01((db - kTuning.gateFloorDb) / kTuning.gateSpanDb);
}

// The flash budget: at most kFlashBudget brightness changes in any second of
// heard samples. Whatever opens on the same hop (a scene, a colour and a
// picture step on the same onset) changes the screen once, one
// luminance transition at most; a cut (a picture for a frame or two, then
// back) changes it twice. Every change of brightness the analyser can make
// passes here first (steps, the start of a hold, cuts; a hold's end changes
// nothing, as the scene stays where the hold put it), so no second holds more
// than kFlashBudget transitions of its making: at most two flashes a second,
// on any input, live or offline alike, since the ring counts heard samples.
// A second, plus a hop and a cut's length: a change opened on a hop shows on
// the first frame at or after it, and a cut ends up to its length later, so
// changes that open a little more than a second apart can still show in one
// second's frames.
constexpr int64_t kBudgetWindow = kMixRate + kAnalysisHop + kTuning.cutLength;

bool spendBudget(AnalyserState& s, int64_t here, int cost, int reserve = 0) {
    const int newest = s.budgetUsed < kFlashBudget ? s.budgetUsed - 1 : (s.budgetNext + kFlashBudget - 1) % kFlashBudget;
    if (s.budgetUsed > 0 && here == s.budget[newest]) --cost;   // opened on the same hop: the same frame's change
    int recent = 0;
    for (int i = 0; i < s.budgetUsed; ++i) recent += here - s.budget[i] < kBudgetWindow;
    if (recent + cost + reserve > kFlashBudget) return false;
    for (int c = 0; c < cost; ++c) {
        if (s.budgetUsed < kFlashBudget) {
            s.budget[s.budgetUsed++] = here;
        } else {
            s.budget[s.budgetNext] = here;
            s.budgetNext = (s.budgetNext + 1) % kFlashBudget;
        }
    }
    return true;
}

bool stepOpen(int64_t step, int64_t position) {
    return step >= 0 && position >= step && position - step < kTuning.stepLength;
}

// The picture a show at 60 fps turns, followed from the state alone: the
// frame this hop's state serves (the first at or after it, if it comes
// before the next hop) steps PictureSelector where bands 44..46 stand above
// its threshold, which shapeSpectrum does only in a picture step (while lit
// enough), in the pattern's colours and in the dark after the level has gone.
void followThePicture(AnalyserState& s) {
    const Tuning& u = kTuning;
    const int64_t here = s.nextHop - kAnalysisHop;
    const int64_t frameAt = (here + u.stepLength - 1) / u.stepLength * u.stepLength;
    if (frameAt >= s.nextHop) return;
    const double lit = s.lit;
    const bool stepped = (s.patternColours && !s.patternPaused) || (s.moved && lit <= u.blackoutBelow) ||
                         (stepOpen(s.pictureStep, frameAt) && u.pictureStep * lit > kPictureStepLevel);
    if (stepped) {
        s.picture = (s.picture + kPictureSelectorCount - 1) % kPictureSelectorCount;
        s.pictureSince = frameAt;
    }
    if (s.scene <= 1 && !s.patternColours)
        for (int p = 0; p < kPictureSelectorCount; ++p) s.pictureShare[p] += tables().pictureShareStep * ((p == s.picture ? 1.0 : 0.0) - s.pictureShare[p]);
}

// A cut the music has earned comes first: while one is due, steps and holds
// stop one place short of the budget, so that the cut finds room sooner.
int roomForCut(const AnalyserState& s) { return s.cutCredit >= 1.0 ? 1 : 0; }

// A step opens on an onset past its gap, when the music has earned it (credit,
// if the step is paced by the onset density) and the flash budget allows.
void startStep(AnalyserState& s, int64_t& step, int64_t here, int64_t gap, bool onset, double* credit = nullptr) {
    if (!onset || (step >= 0 && here - step < gap) || (credit && *credit < 1.0)) return;
    if (!spendBudget(s, here, 1, roomForCut(s))) return;
    step = here;
    s.moved = true;
    if (credit) *credit -= 1.0;
}

// No saturated red, by construction.
//
// The photosensitivity test counts a pixel as saturated red when, with its
// channels made linear (sRGB), red is at least 80 % of red + green + blue:
// when linear green + blue <= red / 4. Every pixel the show can draw red-first
// is a channel triple (r t, o t, c t), truncated to bytes, for one value t in
// 0..255 and three factors the spectrum sets:
//   - the trail rows: (inv44to46, bin1, bin2) x trail (the turning scene may
//     halve inv44to46, which only takes red away);
//   - the colour rows in mapping 0: (bin1, bin2, bin51) x scene, and in
//     mapping 3: (bin1, bin2, mean0to20) x scene x mean44to46.
// Mappings 1, 2 and the peak mapping give green or blue at least as large as
// red, so they never do. For a <= 1 the sRGB curve gives lin(a x) >= a^2.4
// lin(x), so with q = o / r and c >= r (share - q^2.4)^(1/2.4) the linear
// green + blue reach share x red before truncation. With share 0.3 instead of
// 0.25, truncation to bytes leaves saturated red only in pixels whose red byte
// is 3 or less (tests/audio pins it over every t); such a pixel has a red
// value under 0.3, so the frame's mean red cannot add up to the 20 a red
// transition needs in a second (60 frames x 0.3 = 18). Band 2 is raised to the
// largest of these least values; it is green in the colour rows and blue in
// the trail, and the floor does not care which.
constexpr double kRedShare = 0.3;

double leastAgainstRed(double r, double o) {
    if (r <= 0.0 || o >= r) return 0.0;
    const double need = kRedShare - std::pow(o / r, 2.4);
    return need <= 0.0 ? 0.0 : r * std::pow(need, 1.0 / 2.4);
}

// Raises band 2 to the least value that keeps the trail and the colour rows
// of mappings 0 and 3 from saturated red (see kRedShare). The reds and the
// third channels are read pessimistically from the stored floats: the
// largest red (1 - the smallest of 44..46) and the smallest third channel,
// so rounding in the show's means cannot undo the floor.
void guardAgainstRed(float* spectrum) {
    const double trailRed = 1.0 - std::min({spectrum[44], spectrum[45], spectrum[46]});
    double least20 = spectrum[0];
    for (int k = 1; k <= 20; ++k) least20 = std::min(least20, static_cast<double>(spectrum[k]));
    const double bin1 = spectrum[1];
    const double floor = std::max(leastAgainstRed(trailRed, bin1), leastAgainstRed(bin1, std::min<double>(spectrum[51], least20)));
    const float raised = std::nextafter(static_cast<float>(clamp01(floor)), 2.0f);
    if (floor > 0.0 && static_cast<double>(spectrum[2]) < floor) spectrum[2] = std::min(1.0f, raised);
}

}  // namespace

void resetAnalyser(AnalyserState& state) { state = AnalyserState{}; }

void measureBands(const float* window, float* bands) {
    const Tables& t = tables();
    double in[kAnalysisWindow];
    std::complex<double> out[kAnalysisWindow / 2];
    for (int n = 0; n < kAnalysisWindow; ++n) in[n] = static_cast<double>(window[n]) * t.window[n];
    transform().transform_real(in, out);
    bands[0] = static_cast<float>(std::abs(out[0].real()) * 2.0 / 512.0);
    for (int k = 1; k < kSpectrumBands; ++k) bands[k] = static_cast<float>(std::abs(out[k]) * 2.0 / 512.0);
}

// A band's level is the root mean square of the bands within an eighth of
// its index on either side, so higher bands span a steady share of an octave
// and a single noisy band cannot make a cut.
void bandLevels(const float* bands, double* levels) {
    double square[kSpectrumBands + 1];
    square[0] = 0.0;
    for (int k = 0; k < kSpectrumBands; ++k) square[k + 1] = square[k] + static_cast<double>(bands[k]) * bands[k];
    for (int k = 0; k < kSpectrumBands; ++k) {
        const int half = std::max(3, k / 8);
        const int lo = std::max(0, k - half), hi = std::min(kSpectrumBands - 1, k + half);
        levels[k] = std::sqrt((square[hi + 1] - square[lo]) / (hi - lo + 1));
    }
}

void takeInHop(AnalyserState& s, const float* window) {
    const Tables& t = tables();
    const Tuning& u = kTuning;
    double level[kSpectrumBands];
    levelsOf(window, level);
    const int64_t here = s.nextHop;
    s.nextHop += kAnalysisHop;
    // An onset: the weighted rise across the spectrum peaks past its dead zone.
    double rise = 0.0, usualSum = 0.0;
    for (int k = 1; k < kSpectrumEntriesRead; ++k) {
        rise += k * std::max(0.0, level[k] - s.smooth[k]);
        usualSum += k * s.mean[k];
    }
    const double flux = usualSum > 0.0 ? rise / usualSum : 0.0;
    const bool onset = presence(s) >= 1.0 && here > kAnalysisWindow && flux > u.onsetDead && flux > s.lastFlux &&
                       (s.lastOnset < 0 || here - s.lastOnset >= t.onsetGap);
    s.lastFlux = flux;
    if (onset) {
        s.lastOnset = here;
        ++s.onsets;
        s.onsetCredit = std::min(u.creditCap, s.onsetCredit + u.sceneShare);
        s.cutCredit = std::min(u.creditCap, s.cutCredit + u.cutShare);
    }
    // A cut opens where a cut band jumps well above its running mean.
    // Nothing opens while the show is not fully present: quiet noise and the
    // fade into a gap between songs keep still.
    const bool present = presence(s) >= 1.0 && here > kAnalysisWindow;
    const double cutFloor = std::max(u.absFloor, u.cutFloor * s.overall);
    if (present && (s.cutStart < 0 || here - s.cutStart >= t.cutGap)) {
        double best = u.cutRatio;
        int band = -1;
        for (int k : {64, 128, 256}) {
            const double ratio = level[k] / std::max(s.mean[k], cutFloor);
            if (ratio > best) {
                best = ratio;
                band = k;
            }
        }
        if (band >= 0 && s.cutCredit >= 1.0 && spendBudget(s, here, 2)) {
            s.cutStart = here;
            s.cutBand = band;
            s.moved = true;
            s.cutCredit -= 1.0;
        }
    }
    // Steps open on onsets: the scene on any onset the music has earned it
    // with (dense music over a steady bass changes scene as its beat asks) or
    // on the kick or an onset in the bass, the colour on an onset across the
    // bass, the picture (below) on one in 44..46.
    const double bass = std::max(u.absFloor, u.bassFloor * s.overall);
    const double floor = std::max(u.absFloor, u.relFloor * s.overall);
    const double bassLiveliness = present ? liveliness(s, 0, 20, bass, true) : 0.0;
    const bool bassLive = bassLiveliness >= u.liveGate;
    // Even a strong onset needs the bass to move a little: band 1 alone, a
    // few bins of steady noise, jumps by 1.6 now and then.
    const bool bassMoves = bassLiveliness > 0.0;
    const bool holdLive = present && liveliness(s, 0, 20, bass, true, u.holdLiveDead) >= u.liveGate;
    const double bassOnset = onsetRatio(s, level, 0, 20, bass);
    const double kickOnset = onsetRatio(s, level, 1, 1, bass);
    const double highOnset = onsetRatio(s, level, 44, 46, floor);
    const bool bassStrong = bassMoves && bassOnset > 1.0 + u.strongDead;
    const int64_t lastSceneStep = s.sceneStep;
    startStep(s, s.sceneStep, here, t.sceneGap,
              onset || (bassLive && std::max(kickOnset, bassOnset) > 1.0 + u.sceneDead) || bassStrong ||
                  (bassMoves && kickOnset > 1.0 + u.kickStrongDead),
              &s.onsetCredit);
    // The scene moves down one place on a step the show sees (none shows
    // through a hold). A step from 3 lands on 2, where a hold would put it:
    // it is made a jump, so the pattern's colours can start on it.
    if (s.sceneStep != lastSceneStep && !s.holding) {
        s.patternColours = s.scene == 3;
        s.patternPaused = false;
        s.scene = (s.scene + 3) % 4;
    }
    const bool colourStayed = here - std::max<int64_t>(s.colourStep, 0) >= t.colourStay;
    startStep(s, s.colourStep, here, t.colourGap, (bassLive && bassOnset > 1.0 + u.colourDead) || bassStrong || (onset && colourStayed));
    // The picture steps only where the turning scene shows it. It lingers on
    // the brightest picture and moves on from the darker ones at the next
    // onset (or, in music that has onsets but not now, after a while), while
    // each keeps kPictureLeastShare of the turning frames; one short of it
    // stays for a step of the highs, and the brightest gives way at an onset.
    const bool highStep = (liveliness(s, 40, 50, floor) >= u.liveGate && highOnset > 1.0 + u.pictureDead) ||
                          highOnset > 1.0 + u.pictureStrongDead;
    const bool turning = s.scene <= 1 && !s.patternColours;
    const bool stayed = here - s.pictureSince >= t.pictureStay;
    const bool heardOnset = s.lastOnset >= 0 && here - s.lastOnset < t.pictureQuiet;
    bool othersShort = false;
    for (int p = 0; p < kPictureSelectorCount; ++p) othersShort |= p != kBrightestPicture && s.pictureShare[p] < kPictureLeastShare;
    const bool leave = s.picture == kBrightestPicture ? (othersShort ? highStep || onset : highOnset > 1.0 + u.pictureStrongDead)
                       : s.pictureShare[s.picture] < kPictureLeastShare ? highStep
                                                                    : highStep || onset || (stayed && heardOnset);
    startStep(s, s.pictureStep, here, t.pictureGap, present && turning && leave);
    // The hold level climbs while band 1 holds and sinks while it does not,
    // so it holds holdShare of the time, whatever the music; even a steady
    // bass comes and goes every few seconds.
    s.bassEnvelope += t.holdStep * (level[1] - s.bassEnvelope);
    const double holding = s.holding ? 1.0 : 0.0;
    s.holdLevel = std::max(0.0, s.holdLevel + u.holdRate * std::max(s.mean[1], bass) * (holding - u.holdShare));
    const double hold = std::max(s.holdLevel, u.absFloor);
    if (!present) s.holding = false;
    else if (!s.holding && s.bassEnvelope > hold * (1.0 + u.holdHysteresis) && holdLive && s.onsetCredit >= u.holdCost &&
             spendBudget(s, here, 1, roomForCut(s))) {
        s.holding = s.moved = s.patternColours = true;
        s.patternPaused = false;
        s.scene = 2;
        s.onsetCredit -= u.holdCost;
    }
    else if (s.bassEnvelope < hold * (1.0 - u.holdHysteresis) || !bassLive) s.holding = false;
    // The pattern's colours pause while the level is not fully present, and
    // come back with it while the scene has not moved: each way changes the
    // screen, so each waits for the flash budget, and a level wavering about
    // the point of full presence cannot flash them on and off.
    if (s.patternColours && s.patternPaused == present && spendBudget(s, here, 1)) s.patternPaused = !present;

    double sumOfSquares = 0.0;
    for (int n = 0; n < kAnalysisWindow; ++n) sumOfSquares += static_cast<double>(window[n]) * window[n];
    s.overall += t.overallStep * (std::sqrt(sumOfSquares / kAnalysisWindow) - s.overall);
    s.loudness += t.loudStep * (sumOfSquares / kAnalysisWindow - s.loudness);
    for (int k = 0; k < kSpectrumBands; ++k) {
        // A band heard for the first time starts its history at its level, so
        // the climb from silence does not read as liveliness or an onset; so
        // does every band while the window still reaches back before the
        // stream began (it reads the start at half its level).
        if (s.mean[k] == 0.0 || here <= kAnalysisWindow) {
            s.smooth[k] = s.mean[k] = level[k];
            s.square[k] = s.slowSquare[k] = level[k] * level[k];
            s.slow[k] = level[k];
        }
        s.slow[k] += t.slowStep * (level[k] - s.slow[k]);
        s.slowSquare[k] += t.meanStep * (s.slow[k] * s.slow[k] - s.slowSquare[k]);
        s.smooth[k] += t.smoothStep * (level[k] - s.smooth[k]);
        s.mean[k] += t.meanStep * (s.smooth[k] - s.mean[k]);
        s.square[k] += t.meanStep * (s.smooth[k] * s.smooth[k] - s.square[k]);
        s.peak[k] = std::max(level[k], s.peak[k] * t.peakDecay);
        // The window that still reaches back before the stream began reads the
        // start as a click across every band: it is not held.
        s.shown[k] = here <= kAnalysisWindow ? level[k] : std::max(level[k], s.shown[k] * t.releaseDecay);
    }
    double highShare = 0.0;
    for (int k = 44; k <= 46; ++k) highShare += s.shown[k] / std::max({s.peak[k], s.shown[k], floor});
    s.bright += t.brightStep * (highShare / 3.0 - s.bright);
    s.usualBright += t.usualBrightStep * (s.bright - s.usualBright);
    const double litStep = u.litPerSecond * kAnalysisHop / kMixRate;
    s.lit = std::min(presence(s), s.lit + litStep);
    const double warmStep = u.warmPerSecond * kAnalysisHop / kMixRate;
    s.warm += std::clamp(clamp01(0.5 + (s.bright - s.usualBright) / u.brightSpan) - s.warm, -warmStep, warmStep);
    followThePicture(s);
}

void shapeSpectrum(const AnalyserState& s, const float* window, int64_t position, float* spectrum) {
    const Tables& t = tables();
    const Tuning& u = kTuning;
    double level[kSpectrumBands];
    levelsOf(window, level);
    const double floor = std::max(u.absFloor, u.relFloor * s.overall);
    const double bassFloor = std::max(floor, u.bassFloor * s.overall);
    const bool cutOpen = s.cutBand >= 0 && position >= s.cutStart && position - s.cutStart < u.cutLength;
    const bool sceneStep = stepOpen(s.sceneStep, position);
    const bool colourStep = stepOpen(s.colourStep, position);
    const bool pictureStep = stepOpen(s.pictureStep, position);
    const double lit = s.lit;
    // Band 1 stays above 0.5 all through the pattern's colours, whatever the
    // presence (which scales the rest of them), and rests under 0.3 through a
    // pause: it keeps the scene at 2 and never steps it on its way.
    const bool pattern = s.patternColours && !s.patternPaused;
    for (int k = 0; k < kSpectrumBands; ++k) {
        const Kind kind = t.kind[k];
        const bool bassBand = kind == Kind::Kick || kind == Kind::Beat || kind == Kind::Rest;
        const double f = bassBand ? bassFloor : floor;
        // How loud the band is against its own recent peak, on 0..1, read
        // with the slow release (every value here is a colour factor too).
        // The cut bands and the bands the show never reads follow the band at once.
        const bool held = kind != Kind::Cut && (kind != Kind::Colour || k == 51);
        const double heard = held ? std::max(level[k], s.shown[k]) : level[k];
        const double share = heard / std::max({s.peak[k], heard, f});
        const double loud = std::sqrt(share);
        double v = 0.0;
        switch (kind) {
            case Kind::Colour: v = (k == 51 ? u.band51Gain : u.colourGain) * loud; break;
            case Kind::Bass: v = u.bassAtMean * heard / std::max(s.mean[k], f); break;
            case Kind::Kick: v = sceneStep ? u.sceneStep : u.kickRest; break;
            case Kind::Beat: v = colourStep ? u.colourStep : u.beatRest * loud; break;
            case Kind::Rest: v = u.beatRest * loud; break;
            case Kind::High: v = pictureStep ? u.pictureStep : u.highRest * loud; break;
            case Kind::Dim: v = u.dimGain * loud; break;
            case Kind::Cut: v = cutOpen && k == s.cutBand ? 1.0 : u.cutCap * loud; break;
        }
        if (kind != Kind::Cut || !cutOpen) v *= lit;
        spectrum[k] = static_cast<float>(clamp01(v));
    }
    if (pattern) {
        const double warm = s.warm;
        auto between = [warm](double cool, double hot) { return static_cast<float>(cool + (hot - cool) * warm); };
        const Tuning::PatternColour &cool = u.patternCool, &hot = u.patternWarm;
        const float red = static_cast<float>(lit) * between(cool.red, hot.red);
        for (int k = 44; k <= 46; ++k) spectrum[k] = 1.0f - red;
        spectrum[1] = between(cool.green, hot.green);
        spectrum[2] = static_cast<float>(lit) * between(cool.blue, hot.blue);
        spectrum[51] = static_cast<float>(clamp01(spectrum[51] * (cool.band51 + (hot.band51 - cool.band51) * warm)));
    }
    // Going quiet after the selectors have moved: wherever they stand, bands
    // 44..46 take the trail's red away, and every other factor is already
    // down with the level, so the screen goes dark. Before anything has moved
    // the show still stands at its dark start, and no picture step is needed.
    // Only once the level is nearly gone: 44..46 then step the picture on
    // every frame, unseen on a black screen but not on a lit one.
    if (s.moved && lit <= u.blackoutBelow)
        for (int k = 44; k <= 46; ++k) spectrum[k] = 1.0f;
    // Silence before anything has moved reads zero, as a silent stream
    // should: the show stands on its start, the dark turning picture, and
    // nothing changes, so nothing can flash. Everywhere else the guard holds.
    if (lit > 0.0 || s.moved) guardAgainstRed(spectrum);
}
