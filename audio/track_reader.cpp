#include "audio/track_reader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}
#include <vorbis/vorbisfile.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "audio/audio_constants.h"
#include "audio/channel_mix.h"

namespace {

constexpr int kIoBufferBytes = 1 << 15;
// Finding the format and the first audio of a file takes milliseconds; one that
// keeps the demuxer busy longer than this is refused.
constexpr int kOpenSeconds = 10;
// A damaged file can report one error after another; after this many in a
// row with no audio between them the pass counts as ended.
constexpr int kMaxErrorsInARow = 64;

// What one open or read may still do: nothing once the program asked to stop,
// and nothing once the opening deadline has passed.
struct Watch {
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
    const std::atomic<bool>* interrupted = nullptr;   // this track's own stop (interruptTrack)
};

std::atomic<bool (*)()> stop_check{nullptr};

bool interrupted(const Watch* watch) {
    bool (*stopped)() = stop_check.load(std::memory_order_acquire);
    if (stopped && stopped()) return true;
    if (watch && watch->interrupted && watch->interrupted->load(std::memory_order_acquire)) return true;
    return watch && std::chrono::steady_clock::now() > watch->deadline;
}

// FFmpeg's interrupt callback: its demuxers ask it inside every long loop.
int interruptCallback(void* opaque) { return interrupted(static_cast<const Watch*>(opaque)) ? 1 : 0; }

// Nested opens (a playlist's entries, a reference to another file, a URL) are refused outright.
int refuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) { return AVERROR(EPERM); }

struct FileSource {
    int fd = -1;
    Watch watch;
};

// The file is read through its descriptor, never by name: FFmpeg would read a
// name with a colon as a URL, and a second open could meet another file.
int readFile(void* opaque, uint8_t* buffer, int size) {
    auto* source = static_cast<FileSource*>(opaque);
    for (;;) {
        if (interrupted(&source->watch)) return AVERROR_EXIT;
        const ssize_t got = ::read(source->fd, buffer, static_cast<size_t>(size));
        if (got > 0) return static_cast<int>(got);
        if (got == 0) return AVERROR_EOF;
        if (errno != EINTR) return AVERROR(errno);
    }
}

int64_t seekFile(void* opaque, int64_t offset, int whence) {
    const int fd = static_cast<FileSource*>(opaque)->fd;
    if (whence == AVSEEK_SIZE) {
        struct stat st {};
        return ::fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : AVERROR(errno);
    }
    const off_t at = ::lseek(fd, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : static_cast<int64_t>(at);
}

// The demuxers a track may be read by: audio formats, and containers that
// carry audio in one file. Names as FFmpeg spells them (a demuxer serving
// several extensions has one comma-separated name).
constexpr const char* kAllowedDemuxers[] = {
    // audio formats
    "aac", "ac3", "aiff", "amr", "ape", "au", "caf", "dsf", "dts", "dtshd", "eac3", "flac", "loas", "mlp", "mp3", "mpc",
    "mpc8", "ogg", "shn", "tak", "truehd", "tta", "w64", "wav", "wv", "libopenmpt",
    // single-file containers with audio in them
    "mov,mp4,m4a,3gp,3g2,mj2", "matroska,webm", "asf", "avi", "mpegts",
};

bool allowedDemuxer(const char* name) {
    for (const char* allowed : kAllowedDemuxers)
        if (std::strcmp(name, allowed) == 0) return true;
    return false;
}

// FFmpeg's own whitelist, as a second lock: the first name of each allowed demuxer.
const std::string& demuxerWhitelist() {
    static const std::string list = [] {
        std::string l;
        for (const char* allowed : kAllowedDemuxers) {
            const std::string name = allowed;
            l += (l.empty() ? "" : ",") + name.substr(0, name.find(','));
        }
        return l;
    }();
    return list;
}

bool endsWith(const std::string& s, const char* tail) {
    const size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

// Why a file read by a demuxer that is not allowed is refused.
std::string refusedDemuxer(const char* name) {
    const std::string n = name;
    for (const char* playlist : {"hls", "dash", "concat", "imf", "webm_dash_manifest", "ffmetadata"})
        if (n == playlist) return "is a playlist, not an audio file";
    for (const char* session : {"sdp", "rtp", "rtsp", "sap"})
        if (n == session) return "describes a network stream, not an audio file";
    if (n == "image2" || endsWith(n, "_pipe") || n == "apng" || n == "gif" || n == "ico" || n == "mjpeg" ||
        n == "alias_pix" || n == "brender_pix")
        return "is a picture, not an audio file";
    return "is not an audio file (it reads as " + n + ")";
}

// One pass of demuxing and decoding through FFmpeg, from the start of the file.
struct Decoder {
    FileSource source;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    bool flushed = false;   // the decoder has been told the input ended
    int64_t lengthFrames = -1;   // the container's exact length, where it has one
    int64_t decodedFrames = 0;
};

void closeDecoder(Decoder& d) {
    av_frame_free(&d.frame);
    av_packet_free(&d.packet);
    avcodec_free_context(&d.codec);
    avformat_close_input(&d.format);
    if (d.io) av_freep(&d.io->buffer);
    avio_context_free(&d.io);
    d.stream = -1;
    d.flushed = false;
    d.lengthFrames = -1;
    d.decodedFrames = 0;
}

bool openDecoder(Decoder& d, int fd, const char* path, std::string* why) {
    auto fail = [&](const std::string& what) {
        if (why) *why = interrupted(nullptr) ? "was not opened: stopped"
                        : interrupted(&d.source.watch) ? "took too long to open"
                                                       : what;
        closeDecoder(d);
        return false;
    };
    d.source.fd = fd;
    d.source.watch.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kOpenSeconds);
    if (::lseek(fd, 0, SEEK_SET) != 0) return fail("cannot be read from the start");
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
    if (!buffer) return fail("cannot be read: out of memory");
    d.io = avio_alloc_context(buffer, kIoBufferBytes, 0, &d.source, readFile, nullptr, seekFile);
    d.format = avformat_alloc_context();
    d.packet = av_packet_alloc();
    d.frame = av_frame_alloc();
    if (!d.io || !d.format || !d.packet || !d.frame) {
        if (!d.io) av_free(buffer);
        return fail("cannot be read: out of memory");
    }
    d.format->pb = d.io;
    d.format->flags |= AVFMT_FLAG_CUSTOM_IO;
    d.format->io_open = refuseNestedOpen;
    d.format->interrupt_callback = AVIOInterruptCB{interruptCallback, &d.source.watch};
    d.format->protocol_whitelist = av_strdup("");   // no protocol at all, even for a demuxer's own opens
    d.format->format_whitelist = av_strdup(demuxerWhitelist().c_str());
    if (!d.format->protocol_whitelist || !d.format->format_whitelist) return fail("cannot be read: out of memory");
    // The format is found from the bytes (the name only hints at it) and must be one we allow.
    const AVInputFormat* format = nullptr;
    if (av_probe_input_buffer2(d.io, &format, path, nullptr, 0, 0) < 0 || !format) return fail("is not an audio file");
    if (!allowedDemuxer(format->name)) return fail(refusedDemuxer(format->name));
    if (avformat_open_input(&d.format, path, format, nullptr) < 0) return fail("is not an audio file");
    if (avformat_find_stream_info(d.format, nullptr) < 0) return fail("is not an audio file");
    const AVCodec* decoder = nullptr;
    d.stream = av_find_best_stream(d.format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (d.stream == AVERROR_DECODER_NOT_FOUND) return fail("holds audio in a format that cannot be decoded");
    if (d.stream < 0) return fail("holds no audio");
    for (unsigned i = 0; i < d.format->nb_streams; ++i)
        if (static_cast<int>(i) != d.stream) d.format->streams[i]->discard = AVDISCARD_ALL;
    d.codec = avcodec_alloc_context3(decoder);
    if (!d.codec || avcodec_parameters_to_context(d.codec, d.format->streams[d.stream]->codecpar) < 0 ||
        avcodec_open2(d.codec, decoder, nullptr) < 0)
        return fail("holds audio that cannot be decoded");
    // MP4's sample tables give the exact length, but the decoder still hands
    // out the encoder's padding after it: a loop would have a gap.
    const AVStream* st = d.format->streams[d.stream];
    if (std::strstr(d.format->iformat->name, "mp4") && st->duration > 0 && d.codec->sample_rate > 0)
        d.lengthFrames = av_rescale_q(st->duration, st->time_base, AVRational{1, d.codec->sample_rate});
    d.source.watch.deadline = std::chrono::steady_clock::time_point::max();   // reads while playing have none
    return true;
}

// The next decoded frame of this pass, or null at its end.
AVFrame* nextFrame(Decoder& d) {
    int errorsInARow = 0;
    while (errorsInARow < kMaxErrorsInARow) {
        av_frame_unref(d.frame);
        const int received = avcodec_receive_frame(d.codec, d.frame);
        if (received == 0) {
            if (d.lengthFrames >= 0) {
                const int64_t left = d.lengthFrames - d.decodedFrames;
                if (left <= 0) return nullptr;
                if (d.frame->nb_samples > left) d.frame->nb_samples = static_cast<int>(left);
            }
            d.decodedFrames += d.frame->nb_samples;
            if (d.frame->nb_samples > 0) return d.frame;
            continue;
        }
        if (received == AVERROR_EOF) return nullptr;
        if (received != AVERROR(EAGAIN)) {   // a damaged frame: go on after it
            ++errorsInARow;
            continue;
        }
        if (d.flushed) return nullptr;
        const int read = av_read_frame(d.format, d.packet);
        if (read < 0) {
            // The end, or damage the demuxer cannot get past: what the decoder holds still plays.
            d.flushed = true;
            avcodec_send_packet(d.codec, nullptr);
            continue;
        }
        if (d.packet->stream_index == d.stream && avcodec_send_packet(d.codec, d.packet) < 0) ++errorsInARow;
        av_packet_unref(d.packet);
    }
    return nullptr;
}

// FFmpeg's reason, for the rare failures that have no plainer one.
std::string ffmpegReason(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// The show's channel order is Vorbis's, for one to eight channels; tracks in
// other formats are put into it, so the playback downmix reads every track alike.
// (audio/channel_mix.h holds that order.)
constexpr int kOrderedChannels = kLaidOutChannels;

static_assert(AV_CHAN_FRONT_LEFT == static_cast<int>(Speaker::FrontLeft) &&
              AV_CHAN_FRONT_CENTER == static_cast<int>(Speaker::FrontCentre) &&
              AV_CHAN_LOW_FREQUENCY == static_cast<int>(Speaker::Lfe) &&
              AV_CHAN_BACK_RIGHT == static_cast<int>(Speaker::BackRight) &&
              AV_CHAN_BACK_CENTER == static_cast<int>(Speaker::BackCentre) &&
              AV_CHAN_SIDE_RIGHT == static_cast<int>(Speaker::SideRight),
              "a speaker's number is its channel's bit in FFmpeg's mask");
AVChannel showChannel(int channels, int index) { return static_cast<AVChannel>(speakerOf(channels, index)); }

// The show's layout for a channel count, as FFmpeg names it (in FFmpeg's own order).
void showLayout(int channels, AVChannelLayout* layout) {
    av_channel_layout_uninit(layout);
    if (channels < 1 || channels > kOrderedChannels) {
        av_channel_layout_default(layout, channels);
        return;
    }
    uint64_t mask = 0;
    for (int i = 0; i < channels; ++i) mask |= 1ULL << showChannel(channels, i);
    av_channel_layout_from_mask(layout, mask);
}

// For each channel in the show's order, its index in the FFmpeg-ordered layout
// (indices holds layout.nb_channels entries; beyond eight channels the order is kept).
void showOrderIndices(const AVChannelLayout& layout, int* indices) {
    const int n = layout.nb_channels;
    for (int i = 0; i < n; ++i) indices[i] = i;
    if (n < 1 || n > kOrderedChannels || layout.order != AV_CHANNEL_ORDER_NATIVE) return;
    for (int i = 0; i < n; ++i) {
        const int at = av_channel_layout_index_from_channel(&layout, showChannel(n, i));
        if (at >= 0) indices[i] = at;
    }
}

// Decoded audio on its way to the resampler: planes in FFmpeg's order.
struct Block {
    const uint8_t* const* planes = nullptr;
    int frames = 0;
    int rate = 0;
    int format = AV_SAMPLE_FMT_NONE;
    const AVChannelLayout* layout = nullptr;
};

}  // namespace

struct TrackReader {
    int fd = -1;
    std::string path;
    // Ogg Vorbis is decoded by libvorbisfile, which trims every file to its
    // exact length; everything else by FFmpeg.
    bool vorbis = false;
    OggVorbis_File vorbisFile;
    AVChannelLayout vorbisLayout{};        // the current Vorbis part's layout
    const uint8_t* vorbisPlanes[kTrackMostChannels] = {};   // the current block's planes, in FFmpeg's order
    Decoder decoder;
    AVChannelLayout frameLayout{};         // the current FFmpeg frame's usable layout
    int channels = 0;
    AVChannelLayout layout{};              // every part is converted to the first part's layout
    int showOrder[kTrackMostChannels] = {};     // where each output channel sits in the resampler's output
    SwrContext* resampler = nullptr;
    int inRate = 0;                        // what the resampler is set up for
    int inFormat = -1;
    AVChannelLayout inLayout{};
    int64_t partFramesIn = 0;              // frames given to the resampler since it was set up
    int64_t partFramesOut = 0;             // frames it gave back
    std::vector<float> converted;          // resampler output in FFmpeg's channel order
    std::vector<float> ready;              // frames at 44100 Hz waiting to be handed out
    size_t readyAt = 0;                    // first unread float of ready
    int64_t passFrames = 0;                // frames decoded in the current pass
    bool exhausted = false;                // a whole pass gave nothing, or the track cannot restart
    bool loops = true;                     // false: the track ends after one pass
    std::atomic<bool> interrupted{false};  // interruptTrack: reads end, from any thread
};

namespace {

// Hands converted frames over in the show's channel order.
void takeConverted(TrackReader* t, int frames) {
    if (frames <= 0) return;
    const size_t n = static_cast<size_t>(t->channels);
    const size_t at = t->ready.size();
    t->ready.resize(at + static_cast<size_t>(frames) * n);
    if (n > static_cast<size_t>(kOrderedChannels) || n <= 2) {
        std::memcpy(t->ready.data() + at, t->converted.data(), static_cast<size_t>(frames) * n * sizeof(float));
        return;
    }
    for (size_t f = 0; f < static_cast<size_t>(frames); ++f)
        for (size_t c = 0; c < n; ++c) t->ready[at + f * n + c] = t->converted[f * n + static_cast<size_t>(t->showOrder[c])];
}

int runResampler(TrackReader* t, const Block* block) {
    const int room = swr_get_out_samples(t->resampler, block ? block->frames : 0) + 64;
    t->converted.resize(static_cast<size_t>(room) * t->channels);
    uint8_t* out[] = {reinterpret_cast<uint8_t*>(t->converted.data())};
    const int got = block ? swr_convert(t->resampler, out, room, const_cast<const uint8_t**>(block->planes), block->frames)
                          : swr_convert(t->resampler, out, room, nullptr, 0);
    takeConverted(t, got);
    return got;
}

// Takes what the resampler still holds and makes the part exactly as long at
// 44100 Hz as it was at its own rate: the resampler holds back its last few
// frames, and a gap or an overlap would shift everything after a part change.
void drainResampler(TrackReader* t) {
    if (!t->resampler) return;
    const int got = std::max(0, runResampler(t, nullptr));
    t->partFramesOut += got;
    const int64_t owed = (t->partFramesIn * kMixRate + t->inRate / 2) / t->inRate;
    const int64_t extra = t->partFramesOut - owed;
    if (extra > 0) {
        const int64_t drop = std::min<int64_t>(extra, got);
        t->ready.resize(t->ready.size() - static_cast<size_t>(drop) * t->channels);
    } else if (extra < 0) {
        t->ready.resize(t->ready.size() + static_cast<size_t>(-extra) * t->channels, 0.0f);
    }
    swr_free(&t->resampler);
    av_channel_layout_uninit(&t->inLayout);
    t->partFramesIn = t->partFramesOut = 0;
}

bool setUpResampler(TrackReader* t, const Block& block, std::string* why) {
    const int made = swr_alloc_set_opts2(&t->resampler, &t->layout, AV_SAMPLE_FMT_FLT, kMixRate, const_cast<AVChannelLayout*>(block.layout),
                                         static_cast<AVSampleFormat>(block.format), block.rate, 0, nullptr);
    // Mixing more channels into fewer is scaled so that it cannot clip.
    if (made >= 0) av_opt_set_double(t->resampler, "rematrix_maxval", 1.0, 0);
    const int ready = made < 0 ? made : swr_init(t->resampler);
    if (ready < 0) {
        if (why) *why = "cannot be converted to 44100 Hz: " + ffmpegReason(ready);
        swr_free(&t->resampler);
        return false;
    }
    t->inRate = block.rate;
    t->inFormat = block.format;
    av_channel_layout_uninit(&t->inLayout);
    av_channel_layout_copy(&t->inLayout, block.layout);
    return true;
}

bool usableBlock(const Block& b) {
    return b.rate >= kTrackLowestRate && b.rate <= kTrackHighestRate && b.layout->nb_channels >= 1 &&
           b.layout->nb_channels <= kTrackMostChannels;
}

// Why a block that decoded is not used: the limit it is beyond.
std::string unusableReason(const Block& b) {
    if (b.rate < kTrackLowestRate || b.rate > kTrackHighestRate)
        return "holds audio at " + std::to_string(b.rate) + " Hz; tracks are read at " + std::to_string(kTrackLowestRate) +
               " to " + std::to_string(kTrackHighestRate) + " Hz";
    return "holds audio in " + std::to_string(b.layout->nb_channels) + " channels; tracks are read with 1 to " +
           std::to_string(kTrackMostChannels);
}

// Converts one block into ready frames; a part at another rate, layout or
// sample format (chained files) gets a resampler of its own.
bool convert(TrackReader* t, const Block& block, std::string* why) {
    if (!usableBlock(block)) return false;
    const bool samePart = t->resampler && block.rate == t->inRate && block.format == t->inFormat &&
                          av_channel_layout_compare(block.layout, &t->inLayout) == 0;
    if (!samePart) {
        drainResampler(t);
        if (!setUpResampler(t, block, why)) return false;
    }
    const int got = runResampler(t, &block);
    if (got < 0) return false;
    t->partFramesIn += block.frames;
    t->partFramesOut += got;
    t->passFrames += block.frames;
    return true;
}

// The next block of this pass; false at its end.
bool nextBlock(TrackReader* t, Block* block) {
    if (!t->vorbis) {
        AVFrame* frame = nextFrame(t->decoder);
        if (!frame) return false;
        const AVChannelLayout& own = frame->ch_layout;
        if (own.order == AV_CHANNEL_ORDER_NATIVE && av_channel_layout_check(&own)) {
            av_channel_layout_uninit(&t->frameLayout);
            av_channel_layout_copy(&t->frameLayout, &own);
        } else {
            showLayout(own.nb_channels, &t->frameLayout);
        }
        *block = Block{frame->extended_data, frame->nb_samples, frame->sample_rate, frame->format, &t->frameLayout};
        return true;
    }
    for (int errorsInARow = 0; errorsInARow < kMaxErrorsInARow;) {
        float** pcm = nullptr;
        int section = 0;
        const long got = ov_read_float(&t->vorbisFile, &pcm, 4096, &section);
        if (got == OV_HOLE) {   // damage inside the file: the decoder resynchronises after it
            ++errorsInARow;
            continue;
        }
        if (got <= 0) return false;
        const vorbis_info* info = ov_info(&t->vorbisFile, section);
        if (!info || info->channels < 1 || info->channels > kTrackMostChannels) {
            ++errorsInARow;
            continue;
        }
        showLayout(info->channels, &t->vorbisLayout);
        const uint8_t** target = t->vorbisPlanes;
        int order[kTrackMostChannels];
        showOrderIndices(t->vorbisLayout, order);
        for (int c = 0; c < info->channels; ++c)
            target[c < kOrderedChannels ? order[c] : c] = reinterpret_cast<const uint8_t*>(pcm[c]);
        *block = Block{target, static_cast<int>(got), static_cast<int>(info->rate), AV_SAMPLE_FMT_FLTP, &t->vorbisLayout};
        return true;
    }
    return false;
}

// Starts the next pass. Every pass decodes exactly like the first; the
// resampler goes on across the seam, so looping adds no gap.
bool restart(TrackReader* t) {
    if (t->passFrames == 0 || !t->loops) return false;   // nothing decodes: looping would spin
    t->passFrames = 0;
    if (t->vorbis) return ov_pcm_seek(&t->vorbisFile, 0) == 0 || ov_raw_seek(&t->vorbisFile, 0) == 0;
    closeDecoder(t->decoder);
    return openDecoder(t->decoder, t->fd, t->path.c_str(), nullptr);
}

void refill(TrackReader* t) {
    t->ready.clear();
    t->readyAt = 0;
    while (t->ready.empty() && !t->exhausted) {
        Block block;
        if (nextBlock(t, &block)) {
            convert(t, block, nullptr);
        } else if (!restart(t)) {
            drainResampler(t);
            t->exhausted = true;
        }
    }
}

void freeTrack(TrackReader* t) {
    if (t->vorbis) ov_clear(&t->vorbisFile);
    closeDecoder(t->decoder);
    swr_free(&t->resampler);
    for (AVChannelLayout* l : {&t->layout, &t->inLayout, &t->vorbisLayout, &t->frameLayout}) av_channel_layout_uninit(l);
    if (t->fd >= 0) ::close(t->fd);
    delete t;
}

const char* vorbisOpenFailure(int code) {
    switch (code) {
        case OV_EREAD: return "cannot be read";
        case OV_EVERSION: return "has an unsupported Vorbis version";
        case OV_EBADHEADER: return "has damaged Vorbis headers";
        default: return "cannot be opened as Ogg Vorbis";
    }
}

// Opens the file as Ogg Vorbis if it is one: 1 opened, 0 not Ogg Vorbis, -1 a damaged one.
int openVorbis(TrackReader* t, std::string* why) {
    const int copy = ::dup(t->fd);
    std::FILE* file = copy < 0 ? nullptr : ::fdopen(copy, "rb");
    if (!file) {
        if (copy >= 0) ::close(copy);
        return 0;
    }
    // On failure the struct is undefined and must not be cleared; the FILE stays ours.
    if (ov_test_callbacks(file, &t->vorbisFile, nullptr, 0, OV_CALLBACKS_DEFAULT) != 0) {
        std::fclose(file);
        return 0;
    }
    t->vorbis = true;   // from here ov_clear closes the FILE
    const int opened = ov_test_open(&t->vorbisFile);
    if (opened != 0) {
        if (why) *why = vorbisOpenFailure(opened);
        return -1;
    }
    // vorbisfile leaves a chained file, after scanning its parts, where the
    // first read gives the last part: start from the first one.
    if (ov_seekable(&t->vorbisFile) && ov_streams(&t->vorbisFile) > 1 && ov_pcm_seek(&t->vorbisFile, 0) != 0) {
        if (why) *why = "cannot be read from its start";
        return -1;
    }
    return 1;
}

// Opens only a regular file, and never waits: a FIFO or a device could block the open or the reads.
int openRegularFile(const char* path, std::string* why) {
    struct stat st {};
    if (::stat(path, &st) != 0) {
        if (why) *why = errno == ENOENT ? "does not exist" : std::strerror(errno);
        return -1;
    }
    if (S_ISDIR(st.st_mode)) {
        if (why) *why = "is a folder, not a file";
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        if (why) *why = "is not a regular file";
        return -1;
    }
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (why) *why = errno == EACCES ? "permission denied" : std::strerror(errno);
        return -1;
    }
    // Checked again on what was opened: the name may have been replaced in between.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (why) *why = "is not a regular file";
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

}  // namespace

namespace {

// Everything after the file is open: the format found, the first block decoded and the layout settled.
TrackReader* openTrackFile(int fd, const char* path, std::string* why) {
    av_log_set_level(AV_LOG_QUIET);   // the reasons that matter come back through why
    auto* t = new TrackReader;
    t->fd = fd;
    t->path = path;
    t->decoder.source.watch.interrupted = &t->interrupted;
    const int vorbis = openVorbis(t, why);
    if (vorbis < 0 || (vorbis == 0 && !openDecoder(t->decoder, t->fd, path, why))) {
        freeTrack(t);
        return nullptr;
    }
    // The first block that decodes settles the layout; a file none of whose blocks decode is refused.
    Block first;
    bool found = false;
    std::string beyondLimits;
    while (!found && nextBlock(t, &first)) {
        found = usableBlock(first);
        if (!found && beyondLimits.empty()) beyondLimits = unusableReason(first);
    }
    if (!found && t->vorbis) {
        // Ogg Vorbis headers without audio: a track that plays nothing, as a silent show expects.
        const vorbis_info* info = ov_info(&t->vorbisFile, -1);
        if (info && info->channels >= 1 && info->channels <= kTrackMostChannels) {
            t->channels = info->channels;
            t->exhausted = true;
            return t;
        }
    }
    if (!found) {
        if (why) *why = beyondLimits.empty() ? "holds no audio that can be decoded" : beyondLimits;
        freeTrack(t);
        return nullptr;
    }
    t->channels = first.layout->nb_channels;
    showLayout(t->channels, &t->layout);
    showOrderIndices(t->layout, t->showOrder);
    if (!convert(t, first, why)) {
        freeTrack(t);
        return nullptr;
    }
    return t;
}

}  // namespace

void setTrackStopCheck(bool (*stopped)()) { stop_check.store(stopped, std::memory_order_release); }

TrackReader* openTrack(const char* path, std::string* why) {
    if (!path || !*path) {
        if (why) *why = "no file name";
        return nullptr;
    }
    const int fd = openRegularFile(path, why);
    if (fd < 0) return nullptr;
    return openTrackFile(fd, path, why);
}

TrackReader* openTrackFromMemory(const unsigned char* data, size_t size, std::string* why) {
    // An anonymous in-memory file: the bytes take exactly the path a file on disk takes.
    const int fd = ::memfd_create("ziv-track", MFD_CLOEXEC);
    if (fd < 0) {
        if (why) *why = std::strerror(errno);
        return nullptr;
    }
    for (size_t at = 0; at < size;) {
        const ssize_t put = ::write(fd, data + at, size - at);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            if (why) *why = std::strerror(errno);
            ::close(fd);
            return nullptr;
        }
        at += static_cast<size_t>(put);
    }
    // Read from the first byte, as a file just opened is: Ogg Vorbis is recognised there.
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        if (why) *why = std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    return openTrackFile(fd, "", why);
}

void closeTrack(TrackReader* track) {
    if (track) freeTrack(track);
}

int trackChannels(const TrackReader* track) { return track ? track->channels : 0; }

void setTrackLooping(TrackReader* track, bool loops) {
    if (track) track->loops = loops;
}

void interruptTrack(TrackReader* track) {
    if (track) track->interrupted.store(true, std::memory_order_release);
}

int readTrack(TrackReader* track, float* interleaved, int frames) {
    if (!track || !interleaved || frames <= 0) return 0;
    const size_t channels = static_cast<size_t>(track->channels);
    int written = 0;
    while (written < frames && !track->interrupted.load(std::memory_order_acquire)) {
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

// A host's samples take the path a file's decoded blocks take, through a
// reader that has no file: the same resampler set-up, part changes and
// channel order, so the host's frames equal those of a track holding them.
struct SampleConverter {
    TrackReader reader;
    AVChannelLayout inLayout{};   // the latest call's layout, as a WAVE file without a mask reads
    int inChannels = 0;
};

SampleConverter* openSampleConverter() {
    av_log_set_level(AV_LOG_QUIET);   // as for tracks: reasons come back through why
    return new SampleConverter;
}

void closeSampleConverter(SampleConverter* converter) {
    if (!converter) return;
    swr_free(&converter->reader.resampler);
    for (AVChannelLayout* l : {&converter->reader.layout, &converter->reader.inLayout, &converter->inLayout})
        av_channel_layout_uninit(l);
    delete converter;
}

int convertedChannels(const SampleConverter* converter) { return converter ? converter->reader.channels : 0; }

bool convertSamples(SampleConverter* converter, const void* interleaved, int frames, int rate, int channels,
                    SampleKind kind, std::vector<float>& out, std::string* why) {
    if (!converter || (!interleaved && frames > 0) || frames < 0) {
        if (why) *why = "no samples";
        return false;
    }
    TrackReader* t = &converter->reader;
    if (channels < 1 || channels > kTrackMostChannels) {
        if (why) *why = "holds audio in " + std::to_string(channels) + " channels; samples are taken with 1 to " +
                        std::to_string(kTrackMostChannels);
        return false;
    }
    if (rate < kTrackLowestRate || rate > kTrackHighestRate) {
        if (why) *why = "holds audio at " + std::to_string(rate) + " Hz; samples are taken at " +
                        std::to_string(kTrackLowestRate) + " to " + std::to_string(kTrackHighestRate) + " Hz";
        return false;
    }
    if (channels != converter->inChannels) {
        showLayout(channels, &converter->inLayout);
        converter->inChannels = channels;
    }
    // The first samples settle the output layout, as a track's first block does; later
    // parts with other channels are mixed into it.
    if (frames == 0) return true;   // checked, and nothing to convert: the layout waits for samples
    if (t->channels == 0) {
        t->channels = channels;
        showLayout(channels, &t->layout);
        showOrderIndices(t->layout, t->showOrder);
    }
    const uint8_t* planes[] = {static_cast<const uint8_t*>(interleaved)};
    const Block block{planes, frames, rate, kind == SampleKind::Int16 ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_FLT,
                      &converter->inLayout};
    t->ready.clear();
    std::string reason;
    if (!convert(t, block, &reason)) {
        t->ready.clear();
        if (why) *why = reason.empty() ? "cannot be converted to 44100 Hz" : reason;
        return false;
    }
    out.insert(out.end(), t->ready.begin(), t->ready.end());
    t->ready.clear();
    return true;
}

