#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "audio/spectrum_analyser.h"
#include "audio/track_reader.h"
#include "doubles/test_tracks.h"

namespace {

using ziv::test::bandCentreHz;
using ziv::test::decodeWholeFile;
using ziv::test::noiseSamples;
using ziv::test::readerPass;
using ziv::test::toneSamples;
using ziv::test::TrackFolder;

struct TrackCloser {
    void operator()(TrackReader* t) const { closeTrack(t); }
};
using Track = std::unique_ptr<TrackReader, TrackCloser>;

Track open(const std::string& path) {
    std::string why;
    Track t(openTrack(path.c_str(), &why));
    EXPECT_TRUE(t) << path << ": " << why;
    return t;
}

// Reads frames in chunks of the given sizes, cycling through them.
std::vector<float> readInChunks(const std::string& path, int frames, std::vector<int> chunks) {
    Track t = open(path);
    if (!t) return {};
    const int channels = trackChannels(t.get());
    std::vector<float> out(static_cast<size_t>(frames) * channels);
    int done = 0;
    for (size_t i = 0; done < frames; ++i) {
        const int n = std::min(chunks[i % chunks.size()], frames - done);
        const int got = readTrack(t.get(), out.data() + static_cast<size_t>(done) * channels, n);
        EXPECT_EQ(got, n);
        if (got != n) break;
        done += got;
    }
    return out;
}

// Looping is gapless: two and a half passes are the track, the track again
// and half of it, sample for sample; and a pass is what a plain Vorbis
// decoder makes of the file, within the rounding of another decoder.
TEST(TrackReader, LoopsWithoutAGapOrAnOverlap) {
    TrackFolder folder("loop");
    const std::string path = folder.write("noise.ogg", noiseSamples(30000, 2, 0.4, 7), 2, 44100);
    int channels = 0;
    const auto plain = decodeWholeFile(path, &channels, nullptr);
    ASSERT_EQ(channels, 2);
    ASSERT_EQ(plain.size(), 2u * 30000);
    const auto pass = readerPass(path, nullptr);
    ASSERT_EQ(pass.size(), plain.size());
    for (size_t i = 0; i < pass.size(); ++i) ASSERT_NEAR(pass[i], plain[i], 1e-4) << "float " << i;
    const int passFrames = static_cast<int>(pass.size() / 2);
    const auto read = readInChunks(path, passFrames * 5 / 2, {4096});
    ASSERT_EQ(read.size(), pass.size() * 5 / 2);
    for (size_t i = 0; i < read.size(); ++i) ASSERT_EQ(read[i], pass[i % pass.size()]) << "float " << i;
}

TEST(TrackReader, ATrackToldNotToLoopEndsAfterOnePass) {
    TrackFolder folder("once");
    for (int rate : {44100, 48000}) {
        const std::string path = folder.write("noise.ogg", noiseSamples(rate, 2, 0.4, 9), 2, rate);
        Track t = open(path);
        ASSERT_TRUE(t);
        setTrackLooping(t.get(), false);
        std::vector<float> out(2 * 4000);
        int64_t total = 0;
        for (int got; (got = readTrack(t.get(), out.data(), 4000)) > 0;) total += got;
        EXPECT_NEAR(double(total), 44100, 4) << rate;
        EXPECT_EQ(readTrack(t.get(), out.data(), 4000), 0);
    }
}

TEST(TrackReader, OutputDoesNotDependOnHowReadsAreChunked) {
    TrackFolder folder("chunks");
    struct Case { int rate, channels; };
    for (Case c : {Case{44100, 2}, Case{48000, 2}, Case{22050, 1}, Case{32000, 6}}) {
        const std::string path = folder.write("t.ogg", noiseSamples(c.rate / 2, c.channels, 0.3, 3), c.channels, c.rate);
        const int frames = 60000;   // more than one pass
        const auto whole = readInChunks(path, frames, {frames});
        const auto odd = readInChunks(path, frames, {1, 37, 1000, 4096, 333});
        ASSERT_EQ(whole.size(), static_cast<size_t>(frames) * c.channels);
        EXPECT_EQ(whole, odd) << c.rate << " Hz, " << c.channels << " channels";
    }
}

// Other rates come out at 44100 Hz: a pass lasts as long, and a tone keeps its pitch.
TEST(TrackReader, ResamplesOtherRatesTo44100KeepingLayoutAndPitch) {
    TrackFolder folder("rates");
    for (int rate : {22050, 48000}) {
        for (int channels : {1, 6}) {
            const int seconds = 2;
            const std::string path =
                folder.write("tone.ogg", toneSamples(rate * seconds, channels, rate, bandCentreHz(64), 0.5), channels, rate);
            Track t = open(path);
            ASSERT_TRUE(t);
            ASSERT_EQ(trackChannels(t.get()), channels);
            std::vector<float> frames(static_cast<size_t>(44100) * channels);
            ASSERT_EQ(readTrack(t.get(), frames.data(), 44100), 44100);
            // Mono mix of the middle of the first second, through the analyser.
            MonoTimeline timeline;
            resetTimeline(timeline);
            appendToTimeline(timeline, frames.data(), 44100, channels);
            float window[kAnalysisWindow], bands[kSpectrumBands];
            windowAt(timeline, 30000, window);
            measureBands(window, bands);
            // Six channels carry a low-passed LFE channel, so the mix holds 5/6 of the tone.
            const double level = channels == 6 ? 0.5 * 5 / 6 : 0.5;
            EXPECT_GT(bands[64], level - 0.02) << rate << " Hz, " << channels << " channels";
            EXPECT_LT(bands[64], 0.52) << rate << " Hz, " << channels << " channels";
            EXPECT_LT(bands[61], 0.03) << rate << " Hz, " << channels << " channels";
            EXPECT_LT(bands[67], 0.03) << rate << " Hz, " << channels << " channels";
        }
    }
}

TEST(TrackReader, APassLastsAsLongAtAnyRate) {
    TrackFolder folder("length");
    // A click every second: the gap between clicks at the output rate is one second of output.
    for (int rate : {22050, 48000}) {
        std::vector<float> s(static_cast<size_t>(rate) * 3, 0.0f);
        for (int second = 0; second < 3; ++second)
            for (int i = 0; i < 40; ++i) s[static_cast<size_t>(second) * rate + 100 + i] = 0.8f;
        const std::string path = folder.write("clicks.ogg", s, 1, rate);
        const auto out = readInChunks(path, 44100 * 3, {512});
        std::vector<int> onsets;
        for (int i = 1; i < static_cast<int>(out.size()); ++i)
            if (out[i] > 0.4f && out[i - 1] <= 0.4f && (onsets.empty() || i - onsets.back() > 20000)) onsets.push_back(i);
        ASSERT_EQ(onsets.size(), 3u) << rate << ": " << onsets[0] << " " << onsets[1] << " " << onsets[2] << " " << onsets.back();
        EXPECT_NEAR(onsets[1] - onsets[0], 44100, 3) << rate;
        EXPECT_NEAR(onsets[2] - onsets[1], 44100, 3) << rate;
    }
}

TEST(TrackReader, UnusableFilesGiveNullWithAReason) {
    TrackFolder folder("bad");
    std::vector<char> random(5000);
    uint32_t state = 99;
    for (char& c : random) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
    const std::string good = folder.write("good.ogg", toneSamples(44100, 2, 44100, 440, 0.5), 2, 44100);
    const auto bytes = ziv::test::fileBytes(good);
    const std::vector<std::string> paths = {
        folder.path("missing.ogg"),
        folder.writeBytes("empty.ogg", {}),
        folder.writeBytes("random.ogg", random),
        folder.writeBytes("first-bytes.ogg", std::vector<char>(bytes.begin(), bytes.begin() + 40)),
        folder.path(""),   // a folder, not a file
    };
    for (const auto& p : paths) {
        std::string why;
        EXPECT_EQ(openTrack(p.c_str(), &why), nullptr) << p;
        EXPECT_FALSE(why.empty()) << p;
    }
    // The exact reasons, and a FIFO that must not block, are TrackFormats.NamesThatAreNotAudioFilesAreRefused...
    // and TrackFormats.AnUnreadableFileIsRefusedAsSuch.
    std::string why;
    // The same bytes from memory decode as from the file.
    Track fromFile(openTrack(good.c_str(), &why));
    Track fromMemory(openTrackFromMemory(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &why));
    ASSERT_TRUE(fromFile && fromMemory) << why;
    std::vector<float> a(2 * 3000), b(2 * 3000);
    ASSERT_EQ(readTrack(fromFile.get(), a.data(), 3000), 3000);
    ASSERT_EQ(readTrack(fromMemory.get(), b.data(), 3000), 3000);
    EXPECT_EQ(a, b);
    EXPECT_EQ(openTrackFromMemory(reinterpret_cast<const unsigned char*>(random.data()), random.size(), &why), nullptr);

    EXPECT_EQ(openTrack(nullptr, &why), nullptr);
    EXPECT_EQ(readTrack(nullptr, nullptr, 10), 0);
    EXPECT_EQ(trackChannels(nullptr), 0);
    closeTrack(nullptr);
}

// Files that open but are cut short or damaged keep playing what decodes and
// never hang: headers alone give nothing, at once.
TEST(TrackReader, CutAndDamagedFilesLoopOverWhatDecodes) {
    TrackFolder folder("damaged");
    const std::string good = folder.write("good.ogg", noiseSamples(44100 * 2, 2, 0.4, 5), 2, 44100);
    const auto bytes = ziv::test::fileBytes(good);
    const auto pass = decodeWholeFile(good, nullptr, nullptr);

    // Headers only: the first audio page starts after the three header packets.
    size_t audioStart = 0;
    for (size_t i = 0, pages = 0; i + 4 < bytes.size(); ++i) {
        if (bytes[i] == 'O' && bytes[i + 1] == 'g' && bytes[i + 2] == 'g' && bytes[i + 3] == 'S' && ++pages == 3) {
            audioStart = i;
            break;
        }
    }
    ASSERT_GT(audioStart, 0u);
    {
        Track t = open(folder.writeBytes("headers.ogg", std::vector<char>(bytes.begin(), bytes.begin() + audioStart)));
        ASSERT_TRUE(t);
        std::vector<float> out(2 * 1000);
        EXPECT_EQ(readTrack(t.get(), out.data(), 1000), 0);
        EXPECT_EQ(readTrack(t.get(), out.data(), 1000), 0);
    }
    {   // Ends in the middle of a page: loops over the part that decodes.
        const std::string cut = folder.writeBytes("cut.ogg", std::vector<char>(bytes.begin(), bytes.begin() + bytes.size() / 2 + 77));
        const auto part = readerPass(cut, nullptr);
        ASSERT_GT(part.size(), 0u);
        ASSERT_LT(part.size(), pass.size());
        EXPECT_NEAR(double(part.size()), double(decodeWholeFile(cut, nullptr, nullptr).size()), 2 * 2048.0);
        const auto read = readInChunks(cut, static_cast<int>(part.size() / 2) * 3, {999});
        ASSERT_EQ(read.size(), part.size() * 3);
        for (size_t i = 0; i < read.size(); ++i) ASSERT_EQ(read[i], part[i % part.size()]) << "float " << i;
    }
    {   // Garbage in the middle: the decoder skips the hole and goes on.
        auto damaged = bytes;
        for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 3000; ++i) damaged[i] = static_cast<char>(i * 7);
        const std::string path = folder.writeBytes("holed.ogg", damaged);
        const auto part = decodeWholeFile(path, nullptr, nullptr);
        ASSERT_GT(part.size(), pass.size() / 2);
        const auto read = readInChunks(path, static_cast<int>(part.size() / 2) * 2 + 5000, {4096});
        ASSERT_EQ(read.size(), part.size() * 2 + 10000);
    }
}

// (How more channels mix: tests/audio/channel_mix_test.cpp.)
TEST(MonoTimeline, WindowIsTheMeanOfTheStereoPairEndingAtThePosition) {
    auto timeline = std::make_unique<MonoTimeline>();
    resetTimeline(*timeline);
    std::vector<float> frames;
    for (int i = 0; i < 3000; ++i) {
        frames.push_back(static_cast<float>(i));
        frames.push_back(static_cast<float>(i) + 2.0f);
    }
    appendToTimeline(*timeline, frames.data(), 3000, 2);
    float window[kAnalysisWindow];
    windowAt(*timeline, 2000, window);
    EXPECT_FLOAT_EQ(window[0], (976.0f + 978.0f) / 2.0f);
    EXPECT_FLOAT_EQ(window[kAnalysisWindow - 1], (1999.0f + 2001.0f) / 2.0f);
    windowAt(*timeline, 10, window);   // before the start: zeros
    for (int n = 0; n < kAnalysisWindow - 10; ++n) ASSERT_EQ(window[n], 0.0f);
    EXPECT_FLOAT_EQ(window[kAnalysisWindow - 10], 1.0f);
    windowAt(*timeline, 3500, window);   // not appended yet: zeros
    for (int n = kAnalysisWindow - 500; n < kAnalysisWindow; ++n) ASSERT_EQ(window[n], 0.0f);
    EXPECT_NE(window[kAnalysisWindow - 501], 0.0f);
}

TEST(MonoTimeline, KeepsTheLatestSamplesAcrossItsWrap) {
    auto timeline = std::make_unique<MonoTimeline>();
    resetTimeline(*timeline);
    std::vector<float> chunk(777);
    int64_t position = 0;
    while (position < 3 * MonoTimeline::kCapacity) {
        for (int i = 0; i < 777; ++i) chunk[i] = static_cast<float>((position + i) % 100000);
        appendToTimeline(*timeline, chunk.data(), 777, 1);
        position += 777;
    }
    float window[kAnalysisWindow];
    windowAt(*timeline, position - 5, window);
    for (int n = 0; n < kAnalysisWindow; ++n)
        ASSERT_EQ(window[n], static_cast<float>((position - 5 - kAnalysisWindow + n) % 100000));
    windowAt(*timeline, position - MonoTimeline::kCapacity - 10, window);   // long overwritten: zeros
    for (int n = 0; n < kAnalysisWindow; ++n) ASSERT_EQ(window[n], 0.0f);
}

}  // namespace

// A writer laps the ring while a reader keeps asking for the oldest windows
// it still holds: every sample read is the one appended at its position, or
// zero where it was overwritten, never a later position's sample.
TEST(MonoTimeline, AReaderNeverSeesAWindowTornByTheWriter) {
    auto timeline = std::make_unique<MonoTimeline>();
    resetTimeline(*timeline);
    auto valueAt = [](int64_t position) { return static_cast<float>(position % 65521 + 1); };
    std::atomic<bool> done{false};
    std::thread writer([&] {
        std::vector<float> chunk(256);
        int64_t at = 0;
        while (!done.load()) {
            for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = valueAt(at + static_cast<int64_t>(i));
            appendToTimeline(*timeline, chunk.data(), static_cast<int>(chunk.size()), 1);
            at += static_cast<int64_t>(chunk.size());
        }
    });
    float window[kAnalysisWindow];
    int64_t wrong = 0, checked = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(700);
    while (std::chrono::steady_clock::now() < until && wrong == 0) {
        const int64_t written = timeline->written.load();
        if (written < MonoTimeline::kCapacity) continue;
        for (int64_t edge : {int64_t{0}, int64_t{128}, int64_t{700}}) {
            const int64_t position = written - MonoTimeline::kCapacity + kAnalysisWindow + edge;
            windowAt(*timeline, position, window);
            for (int n = 0; n < kAnalysisWindow; ++n) {
                const float v = window[n];
                wrong += v != 0.0f && v != valueAt(position - kAnalysisWindow + n);
            }
            ++checked;
        }
    }
    done = true;
    writer.join();
    EXPECT_GT(checked, 100);
    EXPECT_EQ(wrong, 0);
}

// Gives every page of an Ogg file another stream serial number (and the page
// its checksum again), so files made by one encoder can be chained.
std::vector<char> withSerial(std::vector<char> ogg, uint32_t serial) {
    auto crc = [](const unsigned char* p, size_t n) {
        uint32_t c = 0;
        for (size_t i = 0; i < n; ++i) {
            c ^= static_cast<uint32_t>(p[i]) << 24;
            for (int b = 0; b < 8; ++b) c = c & 0x80000000u ? (c << 1) ^ 0x04C11DB7u : c << 1;
        }
        return c;
    };
    auto* bytes = reinterpret_cast<unsigned char*>(ogg.data());
    for (size_t at = 0; at + 27 <= ogg.size();) {
        const size_t segments = bytes[at + 26];
        size_t body = 0;
        for (size_t i = 0; i < segments; ++i) body += bytes[at + 27 + i];
        const size_t length = 27 + segments + body;
        for (int i = 0; i < 4; ++i) bytes[at + 14 + i] = static_cast<unsigned char>(serial >> (8 * i));
        for (int i = 0; i < 4; ++i) bytes[at + 22 + i] = 0;
        const uint32_t sum = crc(bytes + at, length);
        for (int i = 0; i < 4; ++i) bytes[at + 22 + i] = static_cast<unsigned char>(sum >> (8 * i));
        at += length;
    }
    return ogg;
}

// A chained file (parts one after another in one file): each part plays at
// its own rate, and a part in another layout is converted, not dropped.
TEST(TrackReader, EveryPartOfAChainedFilePlaysAtItsOwnRateAndLayout) {
    TrackFolder folder("chained");
    struct Part {
        int rate, channels;
        double hz;
    };
    const std::vector<std::vector<Part>> files = {
        {{44100, 1, 440}, {48000, 1, 660}},   // another rate
        {{44100, 1, 440}, {22050, 2, 660}},   // another rate and layout
        {{48000, 2, 440}, {44100, 1, 660}},   // back to the output rate, fewer channels
    };
    for (const auto& parts : files) {
        std::vector<char> chained;
        for (const Part& p : parts) {
            const std::string path = folder.write("part.ogg", toneSamples(p.rate, p.channels, p.rate, p.hz, 0.5), p.channels, p.rate);
            const auto bytes = withSerial(ziv::test::fileBytes(path), 1000 + static_cast<uint32_t>(chained.size()));
            chained.insert(chained.end(), bytes.begin(), bytes.end());
        }
        const std::string path = folder.writeBytes("chained.ogg", chained);
        Track t = open(path);
        ASSERT_TRUE(t);
        const int channels = trackChannels(t.get());
        ASSERT_EQ(channels, parts[0].channels);
        setTrackLooping(t.get(), false);
        std::vector<float> out(static_cast<size_t>(44100) * 3 * channels);
        const int got = readTrack(t.get(), out.data(), 44100 * 3);
        // One second per part at 44100 Hz, give or take the resampler's edge.
        EXPECT_NEAR(got, 2 * 44100, 8) << parts[1].rate << " Hz, " << parts[1].channels << " channels";
        // The pitch of each part's middle half second, from its zero crossings on channel 0.
        auto pitch = [&](int from, int to) {
            int crossings = 0;
            for (int i = from + 1; i < to; ++i)
                crossings += (out[static_cast<size_t>(i - 1) * channels] < 0) != (out[static_cast<size_t>(i) * channels] < 0);
            return crossings / 2.0 / ((to - from) / 44100.0);
        };
        EXPECT_NEAR(pitch(11025, 33075), parts[0].hz, 5);
        EXPECT_NEAR(pitch(44100 + 11025, 44100 + 33075), parts[1].hz, 5)
            << parts[1].rate << " Hz, " << parts[1].channels << " channels";
    }
}
