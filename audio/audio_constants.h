// Figures every part of the audio layer shares, and the tools that hear a
// track as the show does.
#pragma once

// Everything is decoded, mixed and analysed at this rate: a track at another
// rate is resampled on reading, so a position in samples means the same
// time everywhere.
inline constexpr int kMixRate = 44100;
// Streams the sound library mixes at once; the show asks for all of them.
inline constexpr int kSoftwareChannels = 32;
