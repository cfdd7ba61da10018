#include "tools/composer/vorbis_encoder.h"

#include <vorbis/vorbisenc.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kSerialNumber = 0x7A1F;  // fixed, so builds are byte-identical
constexpr int kChunkFrames = 4096;

struct Encoder {
    vorbis_info info;
    vorbis_comment comment;
    vorbis_dsp_state dsp;
    vorbis_block block;
    ogg_stream_state stream;
    bool dspReady = false;
    bool streamReady = false;
    Encoder() {
        vorbis_info_init(&info);
        vorbis_comment_init(&comment);
    }
    ~Encoder() {
        if (streamReady) ogg_stream_clear(&stream);
        if (dspReady) {
            vorbis_block_clear(&block);
            vorbis_dsp_clear(&dsp);
        }
        vorbis_comment_clear(&comment);
        vorbis_info_clear(&info);
    }
};

bool writePage(std::FILE* file, const ogg_page& page) {
    return std::fwrite(page.header, 1, static_cast<size_t>(page.header_len), file) == static_cast<size_t>(page.header_len) &&
           std::fwrite(page.body, 1, static_cast<size_t>(page.body_len), file) == static_cast<size_t>(page.body_len);
}

// Pulls every finished packet out of the encoder and writes the pages it fills.
bool drain(Encoder& e, std::FILE* file) {
    ogg_packet packet;
    ogg_page page;
    while (vorbis_analysis_blockout(&e.dsp, &e.block) == 1) {
        vorbis_analysis(&e.block, nullptr);
        vorbis_bitrate_addblock(&e.block);
        while (vorbis_bitrate_flushpacket(&e.dsp, &packet)) {
            ogg_stream_packetin(&e.stream, &packet);
            while (ogg_stream_pageout(&e.stream, &page)) {
                if (!writePage(file, page)) return false;
            }
        }
    }
    return true;
}

bool encode(Encoder& e, std::FILE* file, const float* samples, int64_t frames, int channels, int rate, float quality,
            std::string* why) {
    if (vorbis_encode_init_vbr(&e.info, channels, rate, quality) != 0) {
        if (why) *why = "the encoder refuses these channels, rate or quality";
        return false;
    }
    vorbis_analysis_init(&e.dsp, &e.info);
    vorbis_block_init(&e.dsp, &e.block);
    e.dspReady = true;
    ogg_stream_init(&e.stream, kSerialNumber);
    e.streamReady = true;

    ogg_packet identification, comments, codebooks;
    vorbis_analysis_headerout(&e.dsp, &e.comment, &identification, &comments, &codebooks);
    ogg_stream_packetin(&e.stream, &identification);
    ogg_stream_packetin(&e.stream, &comments);
    ogg_stream_packetin(&e.stream, &codebooks);
    ogg_page page;
    while (ogg_stream_flush(&e.stream, &page)) {
        if (!writePage(file, page)) return false;
    }

    for (int64_t done = 0; done < frames;) {
        const int n = static_cast<int>(frames - done < kChunkFrames ? frames - done : kChunkFrames);
        float** buffer = vorbis_analysis_buffer(&e.dsp, n);
        for (int c = 0; c < channels; ++c) {
            for (int i = 0; i < n; ++i) buffer[c][i] = samples[(done + i) * channels + c];
        }
        vorbis_analysis_wrote(&e.dsp, n);
        if (!drain(e, file)) return false;
        done += n;
    }
    vorbis_analysis_wrote(&e.dsp, 0);
    if (!drain(e, file)) return false;
    while (ogg_stream_flush(&e.stream, &page)) {
        if (!writePage(file, page)) return false;
    }
    return true;
}

}  // namespace

bool writeOggVorbis(const char* path, const float* interleaved, int64_t frames, int channels, int rate,
                    float quality, std::string* why) {
    if (channels < 1 || rate < 1 || frames < 0 || (frames > 0 && !interleaved)) {
        if (why) *why = "nothing sensible to encode";
        return false;
    }
    const std::string temporary = std::string(path) + ".partial";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        if (why) *why = std::strerror(errno);
        return false;
    }
    bool ok;
    {
        Encoder e;
        ok = encode(e, file, interleaved, frames, channels, rate, quality, why);
    }
    if (!ok && why && why->empty()) *why = std::strerror(errno);
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        if (why) *why = std::strerror(errno);
    }
    if (ok && std::rename(temporary.c_str(), path) != 0) {
        ok = false;
        if (why) *why = std::strerror(errno);
    }
    if (!ok) std::remove(temporary.c_str());
    return ok;
}
