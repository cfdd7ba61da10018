#include "audio/track_reader.h"

#include <SDL.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
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

// A file held in memory, read through vorbisfile's callbacks.
struct MemorySource {
    const unsigned char* data = nullptr;
    size_t size = 0;
    size_t at = 0;
};

struct TrackReader {
    OggVorbis_File file;
    MemorySource memory;
    int channels = 0;                       // the first part's, which every part is converted to
    long rate = 0;                          // the current part's sample rate
    int blockFrames = kBlockFrames;         // frames per block handed to the resampler
    SDL_AudioStream* resampler = nullptr;   // null when the current part is already at 44100 Hz
    std::vector<float> block;               // one decoded block, interleaved
    std::vector<float> ready;               // frames at 44100 Hz waiting to be handed out
    size_t readyAt = 0;                     // first unread float of ready
    int64_t passFrames = 0;                 // frames decoded in the current pass
    bool exhausted = false;                 // a whole pass gave nothing, or the track cannot restart
    bool loops = true;                      // false: the track ends after one pass
    int64_t framesIn = 0;                   // frames of the current part given to the resampler
    int64_t framesOut = 0;                  // frames of it handed out at 44100 Hz
    // A chained file's next part at another rate: its first frames wait here
    // (already in the first part's layout) until the current part is finished.
    std::vector<float> pending;
    long pendingRate = 0;
};

namespace {

size_t readMemory(void* out, size_t size, size_t count, void* source) {
    auto* m = static_cast<MemorySource*>(source);
    if (size == 0) return 0;
    const size_t items = std::min(count, (m->size - m->at) / size);
    std::memcpy(out, m->data + m->at, items * size);
    m->at += items * size;
    return items;
}

int seekMemory(void* source, ogg_int64_t offset, int whence) {
    auto* m = static_cast<MemorySource*>(source);
    const ogg_int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<ogg_int64_t>(m->at)
                                                                         : static_cast<ogg_int64_t>(m->size);
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
    if (offset < -base || offset > static_cast<ogg_int64_t>(m->size) - base) return -1;
    m->at = static_cast<size_t>(base + offset);
    return 0;
}

long tellMemory(void* source) { return static_cast<long>(static_cast<MemorySource*>(source)->at); }

// Sets the reader up for a part at this rate: SDL's own resampler, never
// libsamplerate, so the live show and the offline renderer resample alike
// whatever the environment says. False when no resampler can be made.
bool startPart(TrackReader* t, long rate) {
    if (t->resampler) SDL_FreeAudioStream(t->resampler);
    t->resampler = nullptr;
    t->rate = rate;
    t->framesIn = t->framesOut = 0;
    t->blockFrames = blockFramesFor(rate);
    t->block.reserve(static_cast<size_t>(t->blockFrames) * t->channels);
    if (rate == kMixRate) return true;
    SDL_SetHintWithPriority(SDL_HINT_AUDIO_RESAMPLING_MODE, "default", SDL_HINT_OVERRIDE);
    const auto channels = static_cast<Uint8>(std::min(t->channels, 255));
    t->resampler = SDL_NewAudioStream(AUDIO_F32SYS, channels, static_cast<int>(rate), AUDIO_F32SYS, channels, kMixRate);
    return t->resampler != nullptr;
}

// What every open shares once vorbisfile has the stream: its layout checked, the resampler set up.
TrackReader* finishOpen(TrackReader* t, std::string* why) {
    const vorbis_info* info = ov_info(&t->file, -1);
    if (!info || info->channels < 1 || info->rate < kLowestRate || info->rate > kHighestRate) {
        if (why) *why = "has no usable channel count or sample rate";
        ov_clear(&t->file);
        delete t;
        return nullptr;
    }
    t->channels = info->channels;
    // vorbisfile leaves a chained file, after scanning its parts, where the
    // first read gives the last part: start from the first one.
    if (ov_seekable(&t->file) && ov_streams(&t->file) > 1 && ov_pcm_seek(&t->file, 0) != 0) {
        if (why) *why = "cannot be read from its start";
        ov_clear(&t->file);
        delete t;
        return nullptr;
    }
    if (!startPart(t, info->rate)) {
        if (why) *why = std::string("cannot be resampled: ") + SDL_GetError();
        ov_clear(&t->file);
        delete t;
        return nullptr;
    }
    return t;
}

}  // namespace

TrackReader* openTrack(const char* path, std::string* why) {
    if (!path || !*path) {
        if (why) *why = "no file name";
        return nullptr;
    }
    // Never blocks: a FIFO opened without O_NONBLOCK would wait for a writer
    // that may never come, and only regular files are read at all.
    int fd;
    do fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (why) *why = std::strerror(errno);
        return nullptr;
    }
    struct stat st;
    const bool statted = fstat(fd, &st) == 0;
    if (!statted || !S_ISREG(st.st_mode)) {
        if (why) *why = !statted ? std::strerror(errno) : S_ISDIR(st.st_mode) ? "is a folder" : "is not a regular file";
        ::close(fd);
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* f = fdopen(fd, "rb");
    if (!f) {
        if (why) *why = std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    auto* t = new TrackReader;
    const int opened = ov_open_callbacks(f, &t->file, nullptr, 0, OV_CALLBACKS_DEFAULT);
    if (opened != 0) {
        // A failed open leaves the struct undefined and the file open: it is closed here, the struct not cleared.
        std::fclose(f);
        if (why) *why = openFailure(opened);
        delete t;
        return nullptr;
    }
    return finishOpen(t, why);
}

TrackReader* openTrackFromMemory(const unsigned char* data, size_t size, std::string* why) {
    auto* t = new TrackReader;
    t->memory = MemorySource{data, size, 0};
    const ov_callbacks callbacks = {readMemory, seekMemory, nullptr, tellMemory};
    const int opened = ov_open_callbacks(&t->memory, &t->file, nullptr, 0, callbacks);
    if (opened != 0) {
        if (why) *why = openFailure(opened);
        delete t;
        return nullptr;
    }
    return finishOpen(t, why);
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

// Appends frames of a part with `from` channels in the reader's layout:
// the same count is copied, a mono part goes to every channel, and any other
// layout is mixed to its mean on every channel.
void appendInLayout(std::vector<float>& out, float** pcm, long frames, int from, int to) {
    for (long i = 0; i < frames; ++i) {
        if (from == to) {
            for (int c = 0; c < to; ++c) out.push_back(pcm[c][i]);
            continue;
        }
        double sum = 0.0;
        for (int c = 0; c < from; ++c) sum += pcm[c][i];
        const auto mean = static_cast<float>(sum / from);
        for (int c = 0; c < to; ++c) out.push_back(mean);
    }
}

// Fills t->block with up to t->blockFrames frames of the current part,
// looping over the track's end. Fewer when the track is exhausted or the
// next part of a chained file comes at another rate (then t->pending holds
// its first frames).
void decodeBlock(TrackReader* t) {
    t->block.clear();
    int errorsInARow = 0;
    while (!t->exhausted && t->pending.empty() && static_cast<int>(t->block.size()) < t->blockFrames * t->channels) {
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
        if (!info || info->channels < 1 || info->rate < kLowestRate || info->rate > kHighestRate) continue;
        if (info->rate != t->rate) {
            t->pendingRate = info->rate;
            appendInLayout(t->pending, pcm, got, info->channels, t->channels);
        } else {
            appendInLayout(t->block, pcm, got, info->channels, t->channels);
        }
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
        if (!t->pending.empty() && t->block.empty() && t->framesIn == 0) {
            // The new part starts with the frames that announced it.
            t->block.swap(t->pending);
            t->pending.clear();
        } else {
            decodeBlock(t);
        }
        const bool partEnds = t->exhausted || !t->pending.empty();
        t->framesIn += static_cast<int64_t>(t->block.size()) / t->channels;
        if (!t->resampler) {
            t->ready.swap(t->block);
            t->block.clear();
        } else {
            const int bytes = static_cast<int>(t->block.size() * sizeof(float));
            if (bytes > 0 && SDL_AudioStreamPut(t->resampler, t->block.data(), bytes) != 0) t->exhausted = true;
            if (partEnds || t->exhausted) {
                // The resampler holds back the last few frames until it sees what
                // follows: after the end of a part, silence follows.
                const std::vector<float> silence(static_cast<size_t>(t->blockFrames) * t->channels, 0.0f);
                SDL_AudioStreamPut(t->resampler, silence.data(), static_cast<int>(silence.size() * sizeof(float)));
            }
            takeResampled(t);
            if (partEnds || t->exhausted) {   // exactly as many frames as the part lasts at 44100 Hz
                const int64_t owed = (t->framesIn * kMixRate + t->rate / 2) / t->rate - t->framesOut;
                const size_t keep =
                    static_cast<size_t>(std::clamp<int64_t>(owed, 0, static_cast<int64_t>(t->ready.size()) / t->channels));
                t->ready.resize(keep * t->channels);
            }
        }
        t->framesOut += static_cast<int64_t>(t->ready.size()) / t->channels;
        if (!t->pending.empty() && !t->exhausted && !startPart(t, t->pendingRate)) t->exhausted = true;
        if (t->exhausted) t->pending.clear();
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
    for (auto& sample : timeline.ring) sample.store(0.0f, std::memory_order_relaxed);
    timeline.claimed.store(0, std::memory_order_relaxed);
    timeline.written.store(0, std::memory_order_release);
}

void appendToTimeline(MonoTimeline& timeline, const float* interleaved, int frames, int channels) {
    if (!interleaved || frames <= 0 || channels <= 0) return;
    const int64_t start = timeline.written.load(std::memory_order_relaxed);
    // Announce first: a reader that sees any of the new samples then also sees the claim.
    timeline.claimed.store(start + frames, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    for (int i = 0; i < frames; ++i) {
        double sum = 0.0;
        for (int c = 0; c < channels; ++c) sum += interleaved[static_cast<size_t>(i) * channels + c];
        timeline.ring[(start + i) & (MonoTimeline::kCapacity - 1)].store(static_cast<float>(sum / channels),
                                                                         std::memory_order_relaxed);
    }
    timeline.written.store(start + frames, std::memory_order_release);
}

void windowAt(const MonoTimeline& timeline, int64_t position, float* window) {
    const int64_t written = timeline.written.load(std::memory_order_acquire);
    for (int n = 0; n < kAnalysisWindow; ++n) {
        const int64_t at = position - kAnalysisWindow + n;
        window[n] = at >= 0 && at < written
                        ? timeline.ring[at & (MonoTimeline::kCapacity - 1)].load(std::memory_order_relaxed)
                        : 0.0f;
    }
    // Whatever the writer claimed by the time the copy ended may have replaced what was read.
    std::atomic_thread_fence(std::memory_order_acquire);
    const int64_t intactFrom = timeline.claimed.load(std::memory_order_relaxed) - MonoTimeline::kCapacity;
    for (int n = 0; n < kAnalysisWindow; ++n)
        if (position - kAnalysisWindow + n < intactFrom) window[n] = 0.0f;
}
