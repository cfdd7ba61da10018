#include "libziv/heard_samples.h"

#include <algorithm>

#include "audio/channel_mix.h"

namespace {
// Frames per call of the converter: its counts are ints, and its output does not depend on the split.
constexpr size_t kConvertChunk = 1 << 15;
}  // namespace

HeardSamples::HeardSamples() : converter_(openSampleConverter()) {}

HeardSamples::~HeardSamples() { closeSampleConverter(converter_); }

bool HeardSamples::feed(const void* interleaved, size_t frames, int rate, int channels, SampleKind kind,
                        std::string* why) {
    const size_t sampleBytes = kind == SampleKind::Int16 ? 2 : 4;
    // An empty call still checks its rate and channels, so a wrong one is found at once.
    size_t done = 0;
    do {
        const size_t take = std::min(frames - done, kConvertChunk);
        const auto* at = static_cast<const unsigned char*>(interleaved) +
                         done * static_cast<size_t>(channels > 0 ? channels : 0) * sampleBytes;
        converted_.clear();
        if (!convertSamples(converter_, interleaved ? at : nullptr, static_cast<int>(take), rate, channels, kind,
                            converted_, why))
            return false;
        const int outChannels = convertedChannels(converter_);
        const size_t got = outChannels > 0 ? converted_.size() / static_cast<size_t>(outChannels) : 0;
        for (size_t f = 0; f < got; ++f)
            waiting_.push_back(monoOf(converted_.data() + f * static_cast<size_t>(outChannels), outChannels));
        done += take;
    } while (done < frames);
    return true;
}

int64_t HeardSamples::fed() const {
    return heard_.appended() + static_cast<int64_t>(waiting_.size() - waitingAt_);
}

void HeardSamples::spectrumAt(int64_t position, float* spectrum) {
    // As TrackSpectrum reads its track: the timeline holds no sample beyond the position heard.
    const int64_t have = heard_.appended();
    if (have < position && waitingAt_ < waiting_.size()) {
        const size_t take = static_cast<size_t>(std::min<int64_t>(position - have, static_cast<int64_t>(waiting_.size() - waitingAt_)));
        // The mono mix of one channel is the sample itself, so these enter unchanged.
        for (size_t at = 0; at < take;) {
            const int part = static_cast<int>(std::min<size_t>(take - at, kConvertChunk));
            heard_.append(waiting_.data() + waitingAt_ + at, part, 1);
            at += static_cast<size_t>(part);
        }
        waitingAt_ += take;
        if (waitingAt_ > waiting_.size() / 2) {
            waiting_.erase(waiting_.begin(), waiting_.begin() + static_cast<std::ptrdiff_t>(waitingAt_));
            waitingAt_ = 0;
        }
    }
    heard_.spectrumAt(position, spectrum);
}
