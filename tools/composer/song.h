// "DuskPulse": the show's own track, in A minor at 125 beats a minute.
//
//   std::vector<float> stereo = renderDuskPulse();   // interleaved L R at 44100 Hz, mastered
//   writeOggVorbis("DuskPulse.ogg", stereo.data(), stereo.size() / 2, 2, 44100, 0.6f, &why);
//
// The form runs intro, build, drop, breakdown, second drop and an outro that
// returns to the intro's texture; the last bar rings on into the first, so the
// track loops without a seam.
#pragma once
#include <cstdint>
#include <vector>

#include "instruments.h"

inline constexpr int kTempoBpm = 125;
inline constexpr int64_t kBeatFrames = 21168;  // 44100 * 60 / 125, exactly
inline constexpr int64_t kBarFrames = 4 * kBeatFrames;
inline constexpr int kSongBars = 96;
inline constexpr int64_t kSongFrames = kSongBars * kBarFrames;

struct SongSection {
    const char* name;
    int firstBar;
    int bars;
};

// The sections in order; together they cover every bar exactly once.
const std::vector<SongSection>& songSections();
// Every part of the song, unmastered, into a Mix of kSongFrames frames.
void composeSong(Mix& mix);
// The finished track: composed, levelled and limited, interleaved stereo.
std::vector<float> renderDuskPulse();
