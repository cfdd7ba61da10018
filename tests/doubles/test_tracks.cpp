#include "doubles/test_tracks.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <vorbis/vorbisfile.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>

#include "audio/track_reader.h"
#include "tools/composer/vorbis_encoder.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace ziv::test {

double bandCentreHz(int band) { return band * 44100.0 / 1024.0; }

std::vector<float> toneSamples(int frames, int channels, int rate, double hz, double amplitude) {
    std::vector<float> s(static_cast<size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i) {
        const float v = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * i / rate));
        for (int c = 0; c < channels; ++c) s[static_cast<size_t>(i) * channels + c] = v;
    }
    return s;
}

std::vector<float> noiseSamples(int frames, int channels, double amplitude, uint32_t seed) {
    std::vector<float> s(static_cast<size_t>(frames) * channels);
    uint32_t state = seed;
    for (float& v : s) {
        state = state * 1664525u + 1013904223u;
        v = static_cast<float>(amplitude * ((state >> 8) / 8388608.0 - 1.0));
    }
    return s;
}

std::vector<float> readerPass(const std::string& path, int* channels) {
    std::string why;
    TrackReader* t = openTrack(path.c_str(), &why);
    if (!t) {
        ADD_FAILURE() << path << ": " << why;
        return {};
    }
    setTrackLooping(t, false);
    const int n = trackChannels(t);
    if (channels) *channels = n;
    std::vector<float> all, chunk(static_cast<size_t>(4096) * n);
    for (int got; (got = readTrack(t, chunk.data(), 4096)) > 0;)
        all.insert(all.end(), chunk.begin(), chunk.begin() + static_cast<ptrdiff_t>(got) * n);
    closeTrack(t);
    return all;
}

std::vector<float> decodeWholeFile(const std::string& path, int* channels, long* rate) {
    std::vector<float> out;
    OggVorbis_File vf;
    if (ov_fopen(path.c_str(), &vf) != 0) return out;
    const vorbis_info* info = ov_info(&vf, -1);
    if (channels) *channels = info->channels;
    if (rate) *rate = info->rate;
    for (;;) {
        float** pcm;
        int section;
        const long got = ov_read_float(&vf, &pcm, 4096, &section);
        if (got == OV_HOLE) continue;
        if (got <= 0) break;
        for (long i = 0; i < got; ++i)
            for (int c = 0; c < info->channels; ++c) out.push_back(pcm[c][i]);
    }
    ov_clear(&vf);
    return out;
}

TrackFolder::TrackFolder(const char* name)
    : dir_(std::filesystem::temp_directory_path() / (std::string("ziv_") + name + "_" + std::to_string(getpid()))) {
    std::filesystem::create_directories(dir_);
}

TrackFolder::~TrackFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::string TrackFolder::path(const char* file) const { return (dir_ / file).string(); }

std::string TrackFolder::write(const char* file, const std::vector<float>& samples, int channels, int rate) {
    const std::string p = path(file);
    std::string why;
#if defined(__SANITIZE_ADDRESS__)
    // libvorbisenc 1.3.7 loses 2848 bytes in vorbis_encode_setup_init for six
    // channels, even when every init is matched by its clear.
    __lsan_disable();
#endif
    const bool ok = writeOggVorbis(p.c_str(), samples.data(), static_cast<int64_t>(samples.size() / channels),
                                   channels, rate, 0.6f, &why);
#if defined(__SANITIZE_ADDRESS__)
    __lsan_enable();
#endif
    EXPECT_TRUE(ok) << "cannot encode " << p << ": " << why;
    return p;
}

std::string TrackFolder::writeBytes(const char* file, const std::vector<char>& bytes) {
    const std::string p = path(file);
    std::ofstream out(p, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return p;
}

std::vector<char> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace ziv::test
