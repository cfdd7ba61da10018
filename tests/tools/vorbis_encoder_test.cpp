#include <gtest/gtest.h>

#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "tools/composer/vorbis_encoder.h"

namespace {

std::vector<float> tone(int frames, int channels, double hz) {
    std::vector<float> s(static_cast<size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) s[i * channels + c] = static_cast<float>(0.5 * std::sin(2 * M_PI * hz * i / 44100.0));
    return s;
}

std::vector<char> bytesOf(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(VorbisEncoder, WritesAFileThatDecodesToTheSameLengthAndLayout) {
    const auto dir = std::filesystem::temp_directory_path() / "ziv_encoder_test";
    std::filesystem::create_directories(dir);
    const auto path = (dir / "tone.ogg").string();
    const auto samples = tone(44100, 2, 440.0);
    std::string why;
    ASSERT_TRUE(writeOggVorbis(path.c_str(), samples.data(), 44100, 2, 44100, 0.6f, &why)) << why;

    OggVorbis_File vf;
    ASSERT_EQ(ov_fopen(path.c_str(), &vf), 0);
    EXPECT_EQ(ov_info(&vf, -1)->channels, 2);
    EXPECT_EQ(ov_info(&vf, -1)->rate, 44100);
    EXPECT_EQ(ov_pcm_total(&vf, -1), 44100);
    ov_clear(&vf);
    std::filesystem::remove_all(dir);
}

TEST(VorbisEncoder, SameInputGivesSameBytes) {
    const auto dir = std::filesystem::temp_directory_path() / "ziv_encoder_repeat";
    std::filesystem::create_directories(dir);
    const auto samples = tone(20000, 1, 1000.0);
    ASSERT_TRUE(writeOggVorbis((dir / "a.ogg").c_str(), samples.data(), 20000, 1, 44100, 0.6f, nullptr));
    ASSERT_TRUE(writeOggVorbis((dir / "b.ogg").c_str(), samples.data(), 20000, 1, 44100, 0.6f, nullptr));
    EXPECT_EQ(bytesOf(dir / "a.ogg"), bytesOf(dir / "b.ogg"));
    std::filesystem::remove_all(dir);
}

TEST(VorbisEncoder, UnwritableFolderFailsAndLeavesNothing) {
    const auto samples = tone(1000, 1, 1000.0);
    std::string why;
    EXPECT_FALSE(writeOggVorbis("/nonexistent-folder/x.ogg", samples.data(), 1000, 1, 44100, 0.6f, &why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(std::filesystem::exists("/nonexistent-folder/x.ogg.partial"));
}

}  // namespace
