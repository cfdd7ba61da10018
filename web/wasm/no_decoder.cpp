// What the page's library has in place of the audio layer's decoder and
// resampler (FFmpeg, libvorbisfile), which the web build leaves out: the
// browser decodes the music and plays it at the show's own rate, so the
// samples the page feeds need no conversion, only the channel order.
//
//   convertSamples(c, frames, n, 44100, 2, SampleKind::Float32, out, &why);   // any other rate: refused
//   openTrack(path, &why);                                                    // null: the page reads no files
//
// At 44100 Hz the desktop's converter changes no sample either: 16-bit
// samples become x / 32768, floats pass as they are, and channels go from the
// usual WAVE order into the show's. So libziv in the page measures the
// desktop's spectrum from the same samples, bit for bit (tests/web/heard.sh).
#include <cstdint>
#include <string>
#include <vector>

#include "audio/audio_constants.h"
#include "audio/channel_mix.h"
#include "audio/track_reader.h"

struct SampleConverter {
    int channels = 0;                  // of the first samples fed; later ones must match
    int fromMask[kLaidOutChannels] = {};   // for each channel in the show's order, its index in WAVE order
};

struct TrackReader {};

namespace {

// The channels of a usual layout come in rising speaker bits; the show's order is Vorbis's.
void maskIndices(int channels, int* fromMask) {
    for (int i = 0; i < channels; ++i) {
        int before = 0;
        for (int j = 0; j < channels; ++j)
            before += static_cast<int>(speakerOf(channels, j)) < static_cast<int>(speakerOf(channels, i));
        fromMask[i] = before;
    }
}

}  // namespace

SampleConverter* openSampleConverter() { return new SampleConverter; }

void closeSampleConverter(SampleConverter* converter) { delete converter; }

int convertedChannels(const SampleConverter* converter) { return converter ? converter->channels : 0; }

bool convertSamples(SampleConverter* converter, const void* interleaved, int frames, int rate, int channels,
                    SampleKind kind, std::vector<float>& out, std::string* why) {
    if (!converter || (!interleaved && frames > 0) || frames < 0) {
        if (why) *why = "no samples";
        return false;
    }
    if (channels < 1 || channels > kTrackMostChannels) {
        if (why) *why = "holds audio in " + std::to_string(channels) + " channels; samples are taken with 1 to " +
                        std::to_string(kTrackMostChannels);
        return false;
    }
    if (rate != kMixRate) {
        if (why) *why = "holds audio at " + std::to_string(rate) + " Hz; the page takes samples at " +
                        std::to_string(kMixRate) + " Hz only";
        return false;
    }
    if (frames == 0) return true;
    if (converter->channels == 0) {
        converter->channels = channels;
        if (channels <= kLaidOutChannels) maskIndices(channels, converter->fromMask);
    } else if (channels != converter->channels) {
        if (why) *why = "in " + std::to_string(channels) + " channels cannot follow " +
                        std::to_string(converter->channels) + " in the page";
        return false;
    }
    const bool reorder = channels <= kLaidOutChannels;
    const size_t first = out.size();
    out.resize(first + static_cast<size_t>(frames) * static_cast<size_t>(channels));
    float* to = out.data() + first;
    for (int f = 0; f < frames; ++f) {
        const size_t base = static_cast<size_t>(f) * static_cast<size_t>(channels);
        for (int c = 0; c < channels; ++c) {
            const size_t from = base + static_cast<size_t>(reorder ? converter->fromMask[c] : c);
            to[base + static_cast<size_t>(c)] =
                kind == SampleKind::Int16
                    ? static_cast<float>(static_cast<const int16_t*>(interleaved)[from]) * (1.0f / 32768.0f)
                    : static_cast<const float*>(interleaved)[from];
        }
    }
    return true;
}

TrackReader* openTrack(const char*, std::string* why) {
    if (why) *why = "the page reads no files: the browser decodes the music and feeds its samples";
    return nullptr;
}

void closeTrack(TrackReader* track) { delete track; }

int trackChannels(const TrackReader*) { return 0; }

int readTrack(TrackReader*, float*, int) { return 0; }
