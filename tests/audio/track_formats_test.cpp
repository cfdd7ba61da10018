// The track reader on every common format, on chained Ogg files whose parts
// differ, and on names that are not audio files at all.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "audio/spectrum_analyser.h"
#include "scenes/spectrum.h"
#include "audio/track_reader.h"
#include "doubles/test_tracks.h"

namespace {

using ziv::test::bandCentreHz;
using ziv::test::readerPass;
using ziv::test::toneSamples;
using ziv::test::TrackFolder;

// The analyser's bands of the mono mix just before each position.
std::vector<std::vector<float>> bandsAt(const std::vector<float>& frames, int channels, const std::vector<int64_t>& positions) {
    auto timeline = std::make_unique<MonoTimeline>();
    resetTimeline(*timeline);
    std::vector<std::vector<float>> out;
    int64_t appended = 0;
    const int64_t total = static_cast<int64_t>(frames.size()) / channels;
    for (int64_t p : positions) {
        const int64_t n = std::min(p, total) - appended;
        if (n > 0) appendToTimeline(*timeline, frames.data() + appended * channels, static_cast<int>(n), channels);
        appended += std::max<int64_t>(n, 0);
        float window[kAnalysisWindow];
        std::vector<float> bands(kSpectrumBands);
        windowAt(*timeline, p, window);
        measureBands(window, bands.data());
        out.push_back(bands);
    }
    return out;
}

bool haveFfmpeg() { return std::system("command -v ffmpeg >/dev/null 2>&1") == 0; }

// Music that changes every half second: a tone in each channel, at band centres.
constexpr int kSegments = 6;
constexpr int kSegmentFrames = 22050;
std::vector<float> changingMusic() {
    std::vector<float> s(static_cast<size_t>(kSegments) * kSegmentFrames * 2);
    for (int seg = 0; seg < kSegments; ++seg) {
        const auto left = toneSamples(kSegmentFrames, 1, 44100, bandCentreHz(20 + 30 * seg), 0.4);
        const auto right = toneSamples(kSegmentFrames, 1, 44100, bandCentreHz(200 + 25 * seg), 0.3);
        for (int i = 0; i < kSegmentFrames; ++i) {
            s[2 * (static_cast<size_t>(seg) * kSegmentFrames + i)] = left[i];
            s[2 * (static_cast<size_t>(seg) * kSegmentFrames + i) + 1] = right[i];
        }
    }
    return s;
}

// Each format, encoded by ffmpeg from the same music, reads as that music:
// as long as the Ogg Vorbis copy, with the same spectrum in every half second.
TEST(TrackFormats, EveryCommonFormatGivesTheSpectrumOfTheOggVorbisCopy) {
    if (!haveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    TrackFolder folder("formats");
    const auto music = changingMusic();
    const std::string raw = folder.path("music.f32");
    {
        std::ofstream f(raw, std::ios::binary);
        f.write(reinterpret_cast<const char*>(music.data()), static_cast<std::streamsize>(music.size() * sizeof(float)));
    }
    struct Format { const char* file; const char* codec; };
    const Format formats[] = {
        {"music.ogg", "-c:a libvorbis -q:a 6"},  {"music.opus", "-c:a libopus -b:a 160k"},
        {"music.mp3", "-c:a libmp3lame -b:a 256k"}, {"music.m4a", "-c:a aac -b:a 256k"},
        {"music.flac", "-c:a flac"},             {"music.wav", "-c:a pcm_s16le"},
        {"music-48k.wav", "-c:a pcm_f32le -ar 48000"},
    };
    std::vector<int64_t> positions;
    for (int seg = 0; seg < kSegments; ++seg) positions.push_back(static_cast<int64_t>(seg) * kSegmentFrames + 16000);
    std::vector<std::vector<float>> reference;
    int64_t referenceFrames = 0;
    for (const Format& f : formats) {
        const std::string out = folder.path(f.file);
        const std::string command = "ffmpeg -nostdin -v error -y -f f32le -ar 44100 -ac 2 -i '" + raw + "' " + f.codec +
                                    " '" + out + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        int channels = 0;
        const auto frames = readerPass(out, &channels);
        ASSERT_EQ(channels, 2) << f.file;
        {   // The same bytes from memory (as the fuzzer hands them over) read exactly as the file.
            const auto bytes = ziv::test::fileBytes(out);
            TrackReader* m = openTrackFromMemory(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), nullptr);
            ASSERT_NE(m, nullptr) << f.file;
            setTrackLooping(m, false);
            std::vector<float> fromMemory(frames.size() + 2 * 4096);
            const int got = readTrack(m, fromMemory.data(), static_cast<int>(fromMemory.size() / 2));
            closeTrack(m);
            fromMemory.resize(static_cast<size_t>(got) * 2);
            EXPECT_EQ(fromMemory, frames) << f.file << " from memory";
        }
        const int64_t count = static_cast<int64_t>(frames.size()) / 2;
        const auto bands = bandsAt(frames, 2, positions);
        if (reference.empty()) {
            reference = bands;
            referenceFrames = count;
            ASSERT_EQ(count, static_cast<int64_t>(kSegments) * kSegmentFrames);
            continue;
        }
        // Encoders pad; the decoders take the padding off again (a millisecond of slack).
        EXPECT_NEAR(double(count), double(referenceFrames), 44.0) << f.file;
        for (size_t p = 0; p < positions.size(); ++p) {
            double worst = 0.0;
            int worstBand = 0;
            for (int k = 0; k < kSpectrumBands; ++k) {
                const double d = std::fabs(bands[p][k] - reference[p][k]);
                if (d > worst) worst = d, worstBand = k;
            }
            EXPECT_LT(worst, 0.02) << f.file << " at " << positions[p] << ", band " << worstBand;
        }
    }
}

// Parts of a chained Ogg file at another rate or with another channel count
// play at their own speed, converted to the first part's layout.
TEST(TrackFormats, ChainedPartsPlayAtTheirOwnRateAndLayout) {
    if (!haveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    TrackFolder folder("chained");
    const double hz = bandCentreHz(64);
    struct Part { int rate, channels; };
    const Part parts[] = {{44100, 2}, {22050, 1}, {48000, 6}, {32000, 2}};
    std::vector<char> chained;
    int serial = 1;
    for (const Part& p : parts) {
        // Each part needs a serial number of its own, which ffmpeg gives on request.
        const auto tone = toneSamples(p.rate, p.channels, p.rate, hz, 0.5);
        const std::string raw = folder.path("part.f32"), one = folder.path("part.ogg");
        {
            std::ofstream f(raw, std::ios::binary);
            f.write(reinterpret_cast<const char*>(tone.data()), static_cast<std::streamsize>(tone.size() * sizeof(float)));
        }
        const std::string command = "ffmpeg -nostdin -v error -y -f f32le -ar " + std::to_string(p.rate) + " -ac " +
                                    std::to_string(p.channels) + " -i '" + raw + "' -c:a libvorbis -q:a 6 -serial_offset " +
                                    std::to_string(1000 * serial++) + " '" + one + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const auto bytes = ziv::test::fileBytes(one);
        chained.insert(chained.end(), bytes.begin(), bytes.end());
    }
    const std::string path = folder.writeBytes("chained.ogg", chained);
    int channels = 0;
    const auto frames = readerPass(path, &channels);
    ASSERT_EQ(channels, 2);
    // One second each.
    EXPECT_NEAR(double(frames.size() / 2), 4.0 * 44100, 8.0);
    std::vector<int64_t> positions;
    for (int part = 0; part < 4; ++part) positions.push_back(part * 44100 + 30000);
    const auto bands = bandsAt(frames, 2, positions);
    for (int part = 0; part < 4; ++part) {
        // Six channels carry a low-passed LFE channel; mixed into two, the tone keeps most of its level.
        EXPECT_GT(bands[part][64], 0.3) << "part " << part;
        EXPECT_LT(bands[part][64], 0.75) << "part " << part;
        EXPECT_LT(bands[part][60], 0.03) << "part " << part;
        EXPECT_LT(bands[part][68], 0.03) << "part " << part;
    }
}

// Whatever the format orders its channels by, they come out in the Vorbis
// order the playback downmix reads: front right is the third of six.
TEST(TrackFormats, SurroundFromOtherFormatsComesInTheShowsChannelOrder) {
    if (!haveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    TrackFolder folder("surround");
    const int frames = 8820;
    std::vector<float> six(static_cast<size_t>(frames) * 6, 0.0f);
    const auto tone = toneSamples(frames, 1, 44100, 1000, 0.5);
    for (int i = 0; i < frames; ++i) six[static_cast<size_t>(i) * 6 + 1] = tone[i];   // FFmpeg's 5.1: FL FR FC LFE BL BR
    const std::string raw = folder.path("six.f32"), flac = folder.path("six.flac");
    {
        std::ofstream f(raw, std::ios::binary);
        f.write(reinterpret_cast<const char*>(six.data()), static_cast<std::streamsize>(six.size() * sizeof(float)));
    }
    const std::string command = "ffmpeg -nostdin -v error -y -f f32le -ar 44100 -ac 6 -channel_layout 5.1 -i '" + raw +
                                "' -c:a flac '" + flac + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    int channels = 0;
    const auto out = readerPass(flac, &channels);
    ASSERT_EQ(channels, 6);
    ASSERT_EQ(out.size(), six.size());
    std::vector<double> energy(6, 0.0);
    for (size_t i = 0; i < out.size(); ++i) energy[i % 6] += out[i] * out[i];
    for (int c = 0; c < 6; ++c) {
        if (c == 2) EXPECT_GT(energy[c], 100.0);
        else EXPECT_LT(energy[c], 1e-6) << "channel " << c;
    }
}

// Beyond eight channels there is no standard layout: every channel keeps its place.
TEST(TrackFormats, ManyChannelsKeepTheirOrder) {
    TrackFolder folder("many");
    const int channels = 10, frames = 4410;
    std::vector<float> s(static_cast<size_t>(frames) * channels, 0.0f);
    const auto tone = toneSamples(frames, 1, 44100, 1000, 0.5);
    for (int i = 0; i < frames; ++i) s[static_cast<size_t>(i) * channels + 9] = tone[i];
    int got = 0;
    const auto out = readerPass(folder.write("ten.ogg", s, channels, 44100), &got);
    ASSERT_EQ(got, channels);
    ASSERT_EQ(out.size(), s.size());
    std::vector<double> energy(channels, 0.0);
    for (size_t i = 0; i < out.size(); ++i) energy[i % channels] += out[i] * out[i];
    for (int c = 0; c < channels; ++c) {
        if (c == 9) EXPECT_GT(energy[c], 100.0);
        else EXPECT_LT(energy[c], 1e-3) << "channel " << c;
    }
}

// Only regular files are opened, and nothing waits for a writer.
TEST(TrackFormats, NamesThatAreNotAudioFilesAreRefusedWithTheirReason) {
    TrackFolder folder("names");
    std::string why;
    EXPECT_EQ(openTrack(folder.path("missing.ogg").c_str(), &why), nullptr);
    EXPECT_EQ(why, "does not exist");
    EXPECT_EQ(openTrack(folder.path("").c_str(), &why), nullptr);
    EXPECT_EQ(why, "is a folder, not a file");
    const std::string text = folder.writeBytes("notes.ogg", {'h', 'e', 'l', 'l', 'o', '\n'});
    EXPECT_EQ(openTrack(text.c_str(), &why), nullptr);
    EXPECT_EQ(why, "is not an audio file");

    const std::string fifo = folder.path("fifo.ogg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto opening = std::async(std::launch::async, [&] {
        std::string fifoWhy;
        TrackReader* t = openTrack(fifo.c_str(), &fifoWhy);
        closeTrack(t);
        return std::make_pair(t != nullptr, fifoWhy);
    });
    if (opening.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "opening a FIFO waits for a writer";
        const int unblock = ::open(fifo.c_str(), O_WRONLY);   // lets the stuck open return
        if (unblock >= 0) ::close(unblock);
    }
    const auto [opened, fifoWhy] = opening.get();
    EXPECT_FALSE(opened);
    EXPECT_EQ(fifoWhy, "is not a regular file");

}

// Root reads any file, so as root the check runs in a child that has become nobody.
TEST(TrackFormats, AnUnreadableFileIsRefusedAsSuch) {
    TrackFolder folder("locked");
    const std::string locked = folder.write("locked.ogg", toneSamples(4410, 1, 44100, 440, 0.5), 1, 44100);
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    auto refusal = [&] {
        std::string why;
        TrackReader* t = openTrack(locked.c_str(), &why);
        closeTrack(t);
        return t == nullptr && why == "permission denied";
    };
    if (geteuid() != 0) {
        EXPECT_TRUE(refusal());
        return;
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(2);
        _exit(refusal() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "2: could not become nobody; 1: the reason was not 'permission denied'";
}

}  // namespace
