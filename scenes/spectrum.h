// The shape of the spectrum the show takes in once a frame: kSpectrumBands
// levels, lowest frequency first, of which the band levels read the first
// kSpectrumEntriesRead. Whatever produces a spectrum (the sound library, the
// offline renderer, a trace) fills all kSpectrumBands.
#pragma once

inline constexpr int kSpectrumBands = 512;
inline constexpr int kSpectrumEntriesRead = 257;  // entries 0..256
