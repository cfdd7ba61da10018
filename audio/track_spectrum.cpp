#include "audio/track_spectrum.h"

#include <algorithm>
#include <vector>

namespace {
constexpr int kReadChunk = 4096;
}

TrackSpectrum::TrackSpectrum() = default;

TrackSpectrum::~TrackSpectrum() {
    if (reader_) closeTrack(reader_);
}

bool TrackSpectrum::open(const std::string& path, std::string* why) {
    if (reader_) closeTrack(reader_);
    reader_ = openTrack(path.c_str(), why);
    if (!reader_) return false;
    channels_ = trackChannels(reader_);
    exhausted_ = false;
    chunk_.assign(static_cast<size_t>(kReadChunk) * static_cast<size_t>(std::max(channels_, 1)), 0.0f);
    heard_.reset();
    return true;
}

void TrackSpectrum::spectrumAt(int64_t position, float* spectrum) {
    while (reader_ && !exhausted_) {
        const int64_t have = heard_.appended();
        if (have >= position) break;
        const int want = static_cast<int>(std::min<int64_t>(position - have, kReadChunk));
        const int got = readTrack(reader_, chunk_.data(), want);
        if (got <= 0) {
            exhausted_ = true;
            break;
        }
        heard_.append(chunk_.data(), got, channels_);
    }
    heard_.spectrumAt(position, spectrum);
}
