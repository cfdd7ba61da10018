#include "audio/track_reader.h"

#include <SDL.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

#include "audio/audio_constants.h"

namespace {

constexpr long kLowestRate = 1000;
constexpr long kHighestRate = 384000;
// Decoded audio goes to the resampler in blocks of a fixed size whatever the
// callers ask for, so the output never depends on how reads are chunked.
constexpr int kBlockFrames = 1024;

// SDL's stream resampler drops the fraction of an output frame at the end of
// every block it is given, which would shorten each second of a 48 kHz track
// by 38 frames. A block whose length converts to a whole number of output
// frames loses nothing: a multiple of rate / gcd(rate, kMixRate), about 1024.
int blockFramesFor(long rate) {
    if (rate == kMixRate) return kBlockFrames;
    const long step = rate / std::gcd(rate, static_cast<long>(kMixRate));
    const long blocks = std::max(1L, (kBlockFrames + step - 1) / step);
    return static_cast<int>(step * blocks);
}
// A damaged file can report one error after another; after this many in a
// row with no audio between them the pass counts as ended.
constexpr int kMaxErrorsInARow = 64;

const char* openFailure(int code) {
    switch (code) {
        case OV_EREAD: return "cannot be read";
        case OV_ENOTVORBIS: return "is not an Ogg Vorbis file";
        case OV_EVERSION: return "has an unsupported Vorbis version";
        case OV_EBADHEADER: return "has damaged Vorbis headers";
        case OV_EFAULT: return "could not be decoded";
        default: return "cannot be opened as Ogg Vorbis";
    }
}

}  // namespace

struct TrackReader {
    OggVorbis_File file;
    int channels = 0;
    long rate = 0;
    int blockFrames = kBlockFrames;         // frames per block handed to the resampler
    SDL_AudioStream* resampler = nullptr;   // null when the track is already at 44100 Hz
    std::vector<float> block;               // one decoded block, interleaved
    std::vector<float> ready;               // frames at 44100 Hz waiting to be handed out
    size_t readyAt = 0;                     // first unread float of ready
    int64_t passFrames = 0;                 // frames decoded in the current pass
    bool exhausted = false;                 // a whole pass gave nothing, or the track cannot restart
    bool loops = true;                      // false: the track ends after one pass
    int64_t framesIn = 0;                   // frames given to the resampler
    int64_t framesOut = 0;                  // frames taken from it
};

TrackReader* openTrack(const char* path, std::string* why) {
    if (!path || !*path) {
        if (why) *why = "no file name";
        return nullptr;
    }
    auto* t = new TrackReader;
    const int opened = ov_fopen(path, &t->file);
    if (opened != 0) {
        // A failed open leaves the struct undefined: it must not be cleared.
        if (why) *why = opened == -1 ? "cannot be read" : openFailure(opened);
        delete t;
        return nullptr;
    }
    const vorbis_info* info = ov_info(&t->file, -1);
    if (!info || info->channels < 1 || info->rate < kLowestRate || info->rate > kHighestRate) {
        if (why) *why = "has no usable channel count or sample rate";
        ov_clear(&t->file);
        delete t;
        return nullptr;
    }
    t->channels = info->channels;
    t->rate = info->rate;
    if (t->rate != kMixRate) {
        // SDL's own resampler, never libsamplerate: the live show and the
        // offline renderer must resample alike whatever the environment says.
        SDL_SetHintWithPriority(SDL_HINT_AUDIO_RESAMPLING_MODE, "default", SDL_HINT_OVERRIDE);
        t->resampler = SDL_NewAudioStream(AUDIO_F32SYS, static_cast<Uint8>(std::min(t->channels, 255)),
                                          static_cast<int>(t->rate), AUDIO_F32SYS,
                                          static_cast<Uint8>(std::min(t->channels, 255)), kMixRate);
        if (!t->resampler) {
            if (why) *why = std::string("cannot be resampled: ") + SDL_GetError();
            ov_clear(&t->file);
            delete t;
            return nullptr;
        }
    }
    t->blockFrames = blockFramesFor(t->rate);
    t->block.reserve(static_cast<size_t>(t->blockFrames) * t->channels);
    return t;
}

void closeTrack(TrackReader* track) {
    if (!track) return;
    if (track->resampler) SDL_FreeAudioStream(track->resampler);
    ov_clear(&track->file);
    delete track;
}

int trackChannels(const TrackReader* track) { return track ? track->channels : 0; }

void setTrackLooping(TrackReader* track, bool loops) {
    if (track) track->loops = loops;
}

namespace {

// Starts the next pass; false when the track cannot go on.
bool endPass(TrackReader* t) {
    if (t->passFrames == 0 || !t->loops) return false;   // nothing decodes: looping would spin
    t->passFrames = 0;
    return ov_pcm_seek(&t->file, 0) == 0 || ov_raw_seek(&t->file, 0) == 0;
}

// Fills t->block with up to t->blockFrames frames, looping over the track's end.
// Fewer only when the track is exhausted.
void decodeBlock(TrackReader* t) {
    t->block.clear();
    int errorsInARow = 0;
    while (!t->exhausted && static_cast<int>(t->block.size()) < t->blockFrames * t->channels) {
        const int want = t->blockFrames - static_cast<int>(t->block.size()) / t->channels;
        float** pcm = nullptr;
        int section = 0;
        const long got = ov_read_float(&t->file, &pcm, want, &section);
        if (got == OV_HOLE) {
            // Damage inside the file: the decoder resynchronises after it.
            if (++errorsInARow < kMaxErrorsInARow) continue;
        }
        if (got <= 0) {
            errorsInARow = 0;
            if (!endPass(t)) t->exhausted = true;
            continue;
        }
        errorsInARow = 0;
        const vorbis_info* info = ov_info(&t->file, section);
        if (!info || info->channels != t->channels) continue;   // a chained part in another layout
        for (long i = 0; i < got; ++i)
            for (int c = 0; c < t->channels; ++c) t->block.push_back(pcm[c][i]);
        t->passFrames += got;
    }
}

void takeResampled(TrackReader* t) {
    const int available = SDL_AudioStreamAvailable(t->resampler);
    if (available <= 0) return;
    t->ready.resize(static_cast<size_t>(available) / sizeof(float));
    const int took = SDL_AudioStreamGet(t->resampler, t->ready.data(), available);
    t->ready.resize(took > 0 ? static_cast<size_t>(took) / sizeof(float) : 0);
    // Keep whole frames only; a stray remainder cannot come from whole-frame input.
    t->ready.resize(t->ready.size() - t->ready.size() % t->channels);
}

void refill(TrackReader* t) {
    t->ready.clear();
    t->readyAt = 0;
    while (t->ready.empty()) {
        if (t->exhausted) return;
        decodeBlock(t);
        if (!t->resampler) {
            t->ready.swap(t->block);
            continue;
        }
        t->framesIn += static_cast<int64_t>(t->block.size()) / t->channels;
        const int bytes = static_cast<int>(t->block.size() * sizeof(float));
        if (bytes > 0 && SDL_AudioStreamPut(t->resampler, t->block.data(), bytes) != 0) t->exhausted = true;
        if (t->exhausted) {
            // The resampler holds back the last few frames until it sees what
            // follows: after the end, silence follows.
            const std::vector<float> silence(static_cast<size_t>(t->blockFrames) * t->channels, 0.0f);
            SDL_AudioStreamPut(t->resampler, silence.data(), static_cast<int>(silence.size() * sizeof(float)));
        }
        takeResampled(t);
        if (t->exhausted) {   // exactly as many frames as the track lasts at 44100 Hz
            const int64_t owed = (t->framesIn * kMixRate + t->rate / 2) / t->rate - t->framesOut;
            const size_t keep = static_cast<size_t>(std::clamp<int64_t>(owed, 0, static_cast<int64_t>(t->ready.size()) / t->channels));
            t->ready.resize(keep * t->channels);
        }
        t->framesOut += static_cast<int64_t>(t->ready.size()) / t->channels;
    }
}

}  // namespace

int readTrack(TrackReader* track, float* interleaved, int frames) {
    if (!track || !interleaved || frames <= 0) return 0;
    const size_t channels = static_cast<size_t>(track->channels);
    int written = 0;
    while (written < frames) {
        if (track->readyAt >= track->ready.size()) {
            refill(track);
            if (track->ready.empty()) break;
        }
        const size_t left = (track->ready.size() - track->readyAt) / channels;
        const size_t take = std::min(left, static_cast<size_t>(frames - written));
        std::memcpy(interleaved + static_cast<size_t>(written) * channels, track->ready.data() + track->readyAt,
                    take * channels * sizeof(float));
        track->readyAt += take * channels;
        written += static_cast<int>(take);
    }
    return written;
}

void resetTimeline(MonoTimeline& timeline) {
    std::memset(timeline.ring, 0, sizeof(timeline.ring));
    timeline.written.store(0, std::memory_order_release);
}

void appendToTimeline(MonoTimeline& timeline, const float* interleaved, int frames, int channels) {
    if (!interleaved || frames <= 0 || channels <= 0) return;
    const int64_t start = timeline.written.load(std::memory_order_relaxed);
    for (int i = 0; i < frames; ++i) {
        double sum = 0.0;
        for (int c = 0; c < channels; ++c) sum += interleaved[static_cast<size_t>(i) * channels + c];
        timeline.ring[(start + i) & (MonoTimeline::kCapacity - 1)] = static_cast<float>(sum / channels);
    }
    timeline.written.store(start + frames, std::memory_order_release);
}

void windowAt(const MonoTimeline& timeline, int64_t position, float* window) {
    const int64_t written = timeline.written.load(std::memory_order_acquire);
    const int64_t oldest = written - MonoTimeline::kCapacity;   // everything before this is overwritten
    for (int n = 0; n < kAnalysisWindow; ++n) {
        const int64_t at = position - kAnalysisWindow + n;
        window[n] = at >= 0 && at >= oldest && at < written ? timeline.ring[at & (MonoTimeline::kCapacity - 1)] : 0.0f;
    }
}

void analyseHeard(AnalyserState& state, const MonoTimeline& timeline, int64_t position, float* spectrum) {
    float window[kAnalysisWindow];
    for (; state.nextHop <= position; ) {
        windowAt(timeline, state.nextHop, window);
        takeInHop(state, window);
    }
    windowAt(timeline, position, window);
    shapeSpectrum(state, window, position, spectrum);
}
