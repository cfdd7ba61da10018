// A track's channels as the show holds them (Vorbis's order, whatever the format)
// and mixing them down by the usual coefficients: the front pair at full level,
// the front centre and the surrounds at -3 dB, a back centre at -6 dB on each
// side, the LFE dropped. Each side is then scaled by the sum of its weights, so a
// sound on every channel keeps its level and nothing can clip. Beyond eight
// channels there is no usual layout: every channel counts alike.
//
//   downmixToStereo(frames, 6, n, stereo);          // 6 interleaved channels -> n stereo frames
//   float m = monoOf(frame, 6);                     // the show's mono mix of one frame
//   layoutDescription(6);                           // "FL+FR+FC+LFE+BL+BR", as FFmpeg names it
//   toMaskOrder(frames, 6, n, reordered);           // the same channels in that (WAVE mask) order
#pragma once
#include <string>

// A speaker by its bit in the usual (WAVE, FFmpeg) channel mask.
enum class Speaker : int {
    FrontLeft = 0, FrontRight = 1, FrontCentre = 2, Lfe = 3, BackLeft = 4, BackRight = 5,
    BackCentre = 8, SideLeft = 9, SideRight = 10,
};

inline constexpr int kLaidOutChannels = 8;  // the most channels with a usual layout

// The speaker of channel `index` of a track of 1..8 channels, in the show's order.
Speaker speakerOf(int channels, int index);
void downmixToStereo(const float* interleaved, int channels, int frames, float* stereo);
float monoOf(const float* frame, int channels);
// Empty beyond eight channels.
std::string layoutDescription(int channels);
// From the show's order into the mask's (rising bits); beyond eight channels a copy.
void toMaskOrder(const float* interleaved, int channels, int frames, float* out);
