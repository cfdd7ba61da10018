// libziv through its C functions only: errors as codes with a message, the
// same frames for the same samples and positions however the samples were
// split, frames equal to those of a track holding the same samples, replay
// from recorded spectra, and traces written and read back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "audio/track_spectrum.h"
#include "doubles/test_support.h"
#include "libziv/frame_timing.h"
#include "libziv/trace_file.h"
#include "ziv/ziv.h"

namespace {

using ziv::test::TempDir;

constexpr size_t kFramePixels = static_cast<size_t>(ZIV_WIDTH) * ZIV_HEIGHT;

// A show that is destroyed when the test leaves, however it leaves.
struct Show {
    ziv_show* show = nullptr;
    explicit Show(int fps = 60) {
        ziv_options o;
        ziv_options_init(&o);
        o.fps = fps;
        EXPECT_EQ(ziv_create(&o, &show), ZIV_OK) << ziv_last_error();
    }
    ~Show() { ziv_destroy(show); }
    Show(const Show&) = delete;
    Show& operator=(const Show&) = delete;
};

// Music-like 16-bit samples: a swelling bass, a high tone and a noise burst four times a second.
std::vector<int16_t> musicS16(int rate, int channels, double seconds) {
    const size_t frames = static_cast<size_t>(rate * seconds);
    std::vector<int16_t> s(frames * static_cast<size_t>(channels));
    uint32_t noise = 12345;
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        noise = noise * 1664525u + 1013904223u;
        const double burst = std::fmod(t * 4.0, 1.0) < 0.08 ? (static_cast<double>(noise >> 8) / 8388608.0 - 1.0) * 0.8 : 0.0;
        const double v = 0.3 * std::sin(2 * M_PI * 55 * t) * (0.5 + 0.5 * std::sin(2 * M_PI * 0.5 * t)) + burst +
                         0.1 * std::sin(2 * M_PI * 880 * t);
        for (int c = 0; c < channels; ++c)
            s[i * static_cast<size_t>(channels) + static_cast<size_t>(c)] =
                static_cast<int16_t>(std::lround(std::max(-1.0, std::min(1.0, v * (c % 2 ? 0.8 : 1.0))) * 32767));
    }
    return s;
}

std::vector<float> toFloat(const std::vector<int16_t>& s) {
    std::vector<float> f(s.size());
    for (size_t i = 0; i < s.size(); ++i) f[i] = static_cast<float>(s[i]) / 32768.0f;
    return f;
}

void writeWav(const std::string& path, const std::vector<int16_t>& samples, int rate, int channels) {
    auto u32 = [](std::ofstream& o, uint32_t v) { for (int i = 0; i < 4; ++i) o.put(static_cast<char>(v >> (8 * i))); };
    auto u16 = [](std::ofstream& o, uint32_t v) { for (int i = 0; i < 2; ++i) o.put(static_cast<char>(v >> (8 * i))); };
    const auto bytes = static_cast<uint32_t>(samples.size() * 2);
    std::ofstream o(path, std::ios::binary);
    o.write("RIFF", 4);
    u32(o, 36 + bytes);
    o.write("WAVEfmt ", 8);
    u32(o, 16);
    u16(o, 1);
    u16(o, static_cast<uint32_t>(channels));
    u32(o, static_cast<uint32_t>(rate));
    u32(o, static_cast<uint32_t>(rate * channels * 2));
    u16(o, static_cast<uint32_t>(channels * 2));
    u16(o, 16);
    o.write("data", 4);
    u32(o, bytes);
    for (int16_t v : samples) u16(o, static_cast<uint16_t>(v));
}

struct Drawn {
    std::vector<uint32_t> pixels;                 // every frame, one after another
    std::vector<std::vector<float>> spectra;      // what each was drawn from
};

// Frames 0..count-1 at fps, drawn after feed() has fed the show.
template <typename Feed>
Drawn drawFrames(int fps, int count, Feed feed) {
    Show s(fps);
    feed(s.show);
    Drawn d;
    std::vector<uint32_t> frame(kFramePixels);
    for (int n = 0; n < count; ++n) {
        EXPECT_EQ(ziv_set_frame(s.show, n), ZIV_OK) << ziv_last_error();
        EXPECT_EQ(ziv_draw_frame(s.show, frame.data()), ZIV_OK) << ziv_last_error();
        d.pixels.insert(d.pixels.end(), frame.begin(), frame.end());
        std::vector<float> spectrum(ZIV_SPECTRUM_BANDS);
        EXPECT_EQ(ziv_frame_spectrum(s.show, spectrum.data(), spectrum.size()), ZIV_OK);
        d.spectra.push_back(spectrum);
    }
    return d;
}

TEST(ZivErrors, CreateRefusesNullsBadRatesAndASecondShow) {
    EXPECT_EQ(ziv_create(nullptr, nullptr), ZIV_ERROR_ARGUMENT);
    EXPECT_NE(std::string(ziv_last_error()), "");
    ziv_options o;
    ziv_options_init(&o);
    EXPECT_EQ(o.fps, 60);
    o.fps = 0;
    ziv_show* show = reinterpret_cast<ziv_show*>(&o);   // must be cleared on failure
    EXPECT_EQ(ziv_create(&o, &show), ZIV_ERROR_ARGUMENT);
    EXPECT_EQ(show, nullptr);
    EXPECT_NE(std::string(ziv_last_error()).find("frames per second"), std::string::npos) << ziv_last_error();
    {
        Show first;
        ASSERT_NE(first.show, nullptr);
        ziv_show* second = nullptr;
        EXPECT_EQ(ziv_create(nullptr, &second), ZIV_ERROR_BUSY);
        EXPECT_EQ(second, nullptr);
        EXPECT_NE(std::string(ziv_last_error()).find("already"), std::string::npos);
    }
    // Once the first is gone, a show can be made again.
    ziv_show* again = nullptr;
    EXPECT_EQ(ziv_create(nullptr, &again), ZIV_OK);
    ziv_destroy(again);
    ziv_destroy(nullptr);   // harmless
}

TEST(ZivErrors, FeedingChecksShowSamplesRateAndChannels) {
    Show s;
    const int16_t samples[4] = {1, 2, 3, 4};
    const float floats[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    EXPECT_EQ(ziv_feed_s16(nullptr, samples, 2, 44100, 2), ZIV_ERROR_ARGUMENT);
    EXPECT_EQ(ziv_feed_s16(s.show, nullptr, 2, 44100, 2), ZIV_ERROR_ARGUMENT);
    EXPECT_EQ(ziv_feed_s16(s.show, samples, 2, 0, 2), ZIV_ERROR_RATE);
    EXPECT_NE(std::string(ziv_last_error()).find("0 Hz"), std::string::npos) << ziv_last_error();
    EXPECT_EQ(ziv_feed_f32(s.show, floats, 2, -44100, 2), ZIV_ERROR_RATE);
    EXPECT_EQ(ziv_feed_f32(s.show, floats, 2, 999, 2), ZIV_ERROR_RATE);
    EXPECT_EQ(ziv_feed_f32(s.show, floats, 2, 384001, 2), ZIV_ERROR_RATE);
    EXPECT_EQ(ziv_feed_s16(s.show, samples, 2, 44100, 0), ZIV_ERROR_CHANNELS);
    EXPECT_NE(std::string(ziv_last_error()).find("0 channels"), std::string::npos) << ziv_last_error();
    EXPECT_EQ(ziv_feed_s16(s.show, samples, 1, 44100, -1), ZIV_ERROR_CHANNELS);
    EXPECT_EQ(ziv_feed_f32(s.show, floats, 0, 44100, 65), ZIV_ERROR_CHANNELS);
    // Nothing refused reached the timeline; the edges of the ranges are taken.
    int64_t fed = -1;
    EXPECT_EQ(ziv_fed_samples(s.show, &fed), ZIV_OK);
    EXPECT_EQ(fed, 0);
    EXPECT_EQ(ziv_feed_s16(s.show, nullptr, 0, 44100, 2), ZIV_OK);
    EXPECT_EQ(ziv_feed_f32(s.show, floats, 4, 44100, 1), ZIV_OK);
    EXPECT_EQ(ziv_fed_samples(s.show, &fed), ZIV_OK);
    EXPECT_EQ(fed, 4);
    EXPECT_EQ(ziv_fed_samples(s.show, nullptr), ZIV_ERROR_ARGUMENT);
    EXPECT_EQ(ziv_feed_s16(s.show, samples, 1, 1000, 4), ZIV_OK) << ziv_last_error();
    EXPECT_EQ(ziv_feed_s16(s.show, samples, 1, 384000, 4), ZIV_OK) << ziv_last_error();
    // 64 channels have no usual layout: a show can start with them, but cannot mix them into fewer.
    std::vector<float> wide(64, 0.0f);
    EXPECT_EQ(ziv_feed_f32(s.show, wide.data(), 1, 44100, 64), ZIV_ERROR_CHANNELS);
    EXPECT_NE(std::string(ziv_last_error()).find("mixed into the 1 channels"), std::string::npos) << ziv_last_error();
    ziv_destroy(s.show);
    s.show = nullptr;
    ASSERT_EQ(ziv_create(nullptr, &s.show), ZIV_OK);
    EXPECT_EQ(ziv_feed_f32(s.show, wide.data(), 1, 44100, 64), ZIV_OK) << ziv_last_error();
}

TEST(ZivErrors, PositionsNeverGoBackAndFramesStayInTheClocksRange) {
    Show s(1000);
    EXPECT_EQ(ziv_set_position(nullptr, 0, 0), ZIV_ERROR_ARGUMENT);
    EXPECT_EQ(ziv_set_position(s.show, -1, 0), ZIV_ERROR_POSITION);
    EXPECT_EQ(ziv_set_position(s.show, 0, -1), ZIV_ERROR_POSITION);
    EXPECT_EQ(ziv_set_position(s.show, 1000, 20), ZIV_OK);
    EXPECT_EQ(ziv_set_position(s.show, 999, 21), ZIV_ERROR_POSITION);
    EXPECT_NE(std::string(ziv_last_error()).find("goes back"), std::string::npos) << ziv_last_error();
    EXPECT_EQ(ziv_set_position(s.show, 1000, 21), ZIV_OK);   // the same position again is no step back
    EXPECT_EQ(ziv_set_frame(s.show, -1), ZIV_ERROR_POSITION);
    // At 1000 fps the clock reaches INT32_MAX ms at frame INT32_MAX and no further; getting there
    // at once would take in weeks of hops, so a step is bounded too.
    EXPECT_EQ(ziv_set_frame(s.show, static_cast<int64_t>(INT32_MAX) + 1), ZIV_ERROR_POSITION);
    EXPECT_NE(std::string(ziv_last_error()).find("outside 0..2147483647 at 1000 fps"), std::string::npos) << ziv_last_error();
    EXPECT_EQ(ziv_set_frame(s.show, INT32_MAX), ZIV_ERROR_POSITION);
    EXPECT_NE(std::string(ziv_last_error()).find("more than 600 seconds on from 1000"), std::string::npos) << ziv_last_error();
    EXPECT_EQ(ziv_set_position(s.show, 1000 + 600 * 44100, 0), ZIV_OK) << ziv_last_error();
    EXPECT_EQ(ziv_set_frame(s.show, 10), ZIV_ERROR_POSITION);   // back from there
    EXPECT_EQ(ziv_set_frame(nullptr, 0), ZIV_ERROR_ARGUMENT);
}

TEST(ZivErrors, DrawingAndScalingCheckTheirBuffers) {
    Show s;
    std::vector<uint32_t> pixels(kFramePixels);
    std::vector<float> spectrum(ZIV_SPECTRUM_BANDS, 0.5f);
    EXPECT_EQ(ziv_draw_frame(nullptr, pixels.data()), ZIV_ERROR_ARGUMENT);
    EXPECT_EQ(ziv_frame_pixels(nullptr), nullptr);
    // Without a buffer the frame stays in the show, and is read there without a copy.
    std::fill(pixels.begin(), pixels.end(), 0x123456u);
    ASSERT_EQ(ziv_draw_spectrum(s.show, spectrum.data(), ZIV_SPECTRUM_BANDS, 0, nullptr), ZIV_OK);
    const uint32_t* kept = ziv_frame_pixels(s.show);
    ASSERT_NE(kept, nullptr);
    ASSERT_EQ(ziv_draw_spectrum(s.show, spectrum.data(), ZIV_SPECTRUM_BANDS, 0, pixels.data()), ZIV_OK);
    EXPECT_EQ(ziv_frame_pixels(s.show), kept);
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), kept));
    EXPECT_EQ(ziv_draw_spectrum(s.show, spectrum.data(), ZIV_SPECTRUM_MIN_BANDS - 1, 0, pixels.data()), ZIV_ERROR_ARGUMENT);
    EXPECT_NE(std::string(ziv_last_error()).find("256 entries"), std::string::npos) << ziv_last_error();
    EXPECT_EQ(ziv_draw_spectrum(s.show, nullptr, ZIV_SPECTRUM_BANDS, 0, pixels.data()), ZIV_ERROR_ARGUMENT);
    EXPECT_EQ(ziv_frame_spectrum(s.show, spectrum.data(), ZIV_SPECTRUM_BANDS + 1), ZIV_ERROR_ARGUMENT);
    EXPECT_EQ(ziv_frame_spectrum(nullptr, spectrum.data(), 1), ZIV_ERROR_ARGUMENT);
    std::vector<uint32_t> scaled(kFramePixels * 4);
    EXPECT_EQ(ziv_scale_frame(pixels.data(), 0, scaled.data()), ZIV_ERROR_ARGUMENT);
    EXPECT_EQ(ziv_scale_frame(pixels.data(), ZIV_MAX_SCALE + 1, scaled.data()), ZIV_ERROR_ARGUMENT);
    EXPECT_EQ(ziv_scale_frame(nullptr, 2, scaled.data()), ZIV_ERROR_ARGUMENT);
    EXPECT_EQ(ziv_scale_frame(pixels.data(), 2, nullptr), ZIV_ERROR_ARGUMENT);
}

TEST(ZivErrors, EveryCodeHasItsOwnTextAndMessagesStayInTheirThread) {
    std::vector<std::string> texts;
    for (int code = ZIV_OK; code >= ZIV_ERROR_INTERNAL; --code) {
        const std::string t = ziv_strerror(code);
        EXPECT_FALSE(t.empty()) << code;
        for (const std::string& other : texts) EXPECT_NE(t, other) << code;
        texts.push_back(t);
    }
    EXPECT_EQ(std::string(ziv_strerror(-100)), "unknown error code");
    ziv_feed_s16(nullptr, nullptr, 0, 0, 0);
    const std::string mine = ziv_last_error();
    std::thread([] {
        EXPECT_EQ(std::string(ziv_last_error()), "");
        ziv_scale_frame(nullptr, 0, nullptr);
        EXPECT_NE(std::string(ziv_last_error()), "");
    }).join();
    EXPECT_EQ(std::string(ziv_last_error()), mine);
}

TEST(ZivFrames, SameSamplesAndPositionsGiveTheSameFrames) {
    const std::vector<int16_t> music = musicS16(44100, 2, 2.0);
    auto feed = [&](ziv_show* s) { ASSERT_EQ(ziv_feed_s16(s, music.data(), music.size() / 2, 44100, 2), ZIV_OK); };
    // At the show's own 60 fps: the turning picture is steered towards its
    // brightest as a 60 fps show steps it (slower shows miss some steps and
    // may stand on the darkest picture, where the show starts, for seconds).
    const Drawn a = drawFrames(60, 100, feed);
    const Drawn b = drawFrames(60, 100, feed);
    EXPECT_TRUE(a.pixels == b.pixels);
    EXPECT_TRUE(a.spectra == b.spectra);
    // Not the same by being empty: the music lights the picture, and the rows the show never writes are black.
    size_t lit = 0, barsLit = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        const size_t row = (i % kFramePixels) / ZIV_WIDTH;
        const bool bar = row < 40 || row >= 440;
        (bar ? barsLit : lit) += a.pixels[i] != 0;
    }
    EXPECT_GT(lit, a.pixels.size() / 10);
    EXPECT_EQ(barsLit, 0u);
    // Other music gives other frames.
    const std::vector<int16_t> quieter = musicS16(44100, 2, 2.0);
    std::vector<int16_t> halved(quieter.size());
    for (size_t i = 0; i < quieter.size(); ++i) halved[i] = static_cast<int16_t>(quieter[i] / 3);
    const Drawn c = drawFrames(60, 100, [&](ziv_show* s) { ziv_feed_s16(s, halved.data(), halved.size() / 2, 44100, 2); });
    EXPECT_FALSE(a.spectra == c.spectra);
}

TEST(ZivFrames, OddChunksEqualOneFeedAtEveryRate) {
    // 44100 Hz is only converted; 48000 and 22050 Hz go through the resampler, whose state crosses the chunks.
    for (const auto& [rate, channels] : {std::pair{44100, 2}, std::pair{48000, 1}, std::pair{22050, 6}}) {
        const std::vector<float> music = toFloat(musicS16(rate, channels, 1.5));
        const size_t frames = music.size() / static_cast<size_t>(channels);
        const Drawn whole = drawFrames(25, 36, [&](ziv_show* s) {
            ASSERT_EQ(ziv_feed_f32(s, music.data(), frames, rate, channels), ZIV_OK) << ziv_last_error();
        });
        const Drawn chunked = drawFrames(25, 36, [&](ziv_show* s) {
            const size_t sizes[] = {1, 7, 333, 4099, 0, 65537};
            for (size_t at = 0, i = 0; at < frames; ++i) {
                const size_t n = std::min(sizes[i % 6], frames - at);
                ASSERT_EQ(ziv_feed_f32(s, music.data() + at * static_cast<size_t>(channels), n, rate, channels), ZIV_OK);
                at += n;
            }
        });
        EXPECT_TRUE(whole.spectra == chunked.spectra) << rate << " Hz";
        EXPECT_TRUE(whole.pixels == chunked.pixels) << rate << " Hz";
    }
}

TEST(ZivFrames, FeedingBetweenFramesEqualsFeedingAheadOfThem) {
    // A live host feeds as it plays; an offline one feeds a whole file first. Same samples, same frames.
    const std::vector<int16_t> music = musicS16(44100, 2, 3.0);
    const size_t frames = music.size() / 2;
    const Drawn ahead = drawFrames(20, 55, [&](ziv_show* s) { ziv_feed_s16(s, music.data(), frames, 44100, 2); });
    Show s(20);
    std::vector<uint32_t> pixels(kFramePixels);
    size_t fed = 0;
    for (int n = 0; n < 55; ++n) {
        const size_t need = std::min(frames, static_cast<size_t>(frameTrackPosition(n, 20)) + 3000);
        ASSERT_EQ(ziv_feed_s16(s.show, music.data() + fed * 2, need - fed, 44100, 2), ZIV_OK);
        fed = need;
        ASSERT_EQ(ziv_set_frame(s.show, n), ZIV_OK);
        ASSERT_EQ(ziv_draw_frame(s.show, pixels.data()), ZIV_OK);
        ASSERT_TRUE(std::equal(pixels.begin(), pixels.end(), ahead.pixels.begin() + static_cast<std::ptrdiff_t>(n * kFramePixels)))
            << "frame " << n;
    }
}

TEST(ZivFrames, SpectraEqualThoseOfATrackHoldingTheSameSamples) {
    // The renderer's way: the track read from a file, through TrackSpectrum.
    TempDir dir("libziv-track");
    for (const auto& [rate, channels] : {std::pair{44100, 2}, std::pair{32000, 3}}) {
        const std::vector<int16_t> music = musicS16(rate, channels, 2.0);
        const std::string wav = dir / ("music" + std::to_string(rate) + ".wav");
        writeWav(wav, music, rate, channels);
        TrackSpectrum track;
        std::string why;
        ASSERT_TRUE(track.open(wav, &why)) << why;
        const int fps = 24, count = 47;   // every frame's window lies inside the track
        const Drawn d = drawFrames(fps, count, [&](ziv_show* s) {
            ziv_feed_s16(s, music.data(), music.size() / static_cast<size_t>(channels), rate, channels);
        });
        std::vector<float> expected(ZIV_SPECTRUM_BANDS);
        for (int n = 0; n < count; ++n) {
            track.spectrumAt(frameTrackPosition(n, fps), expected.data());
            ASSERT_TRUE(expected == d.spectra[static_cast<size_t>(n)]) << rate << " Hz, frame " << n;
        }
    }
}

TEST(ZivFrames, AnOpenedTrackDrawsWhatItsSamplesFedDraw) {
    TempDir dir("libziv-open");
    const std::vector<int16_t> music = musicS16(48000, 2, 2.0);
    const std::string wav = dir / "music.wav";
    writeWav(wav, music, 48000, 2);
    const Drawn fed = drawFrames(30, 55, [&](ziv_show* s) { ziv_feed_s16(s, music.data(), music.size() / 2, 48000, 2); });
    const Drawn opened = drawFrames(30, 55, [&](ziv_show* s) { ASSERT_EQ(ziv_open_track(s, wav.c_str()), ZIV_OK) << ziv_last_error(); });
    EXPECT_TRUE(fed.spectra == opened.spectra);
    EXPECT_TRUE(fed.pixels == opened.pixels);

    // A show hears one source: a track, or the samples fed.
    {
        Show s;
        EXPECT_EQ(ziv_open_track(s.show, (dir / "missing.ogg").c_str()), ZIV_ERROR_FILE);
        EXPECT_EQ(std::string(ziv_last_error()), "track '" + (dir / "missing.ogg") + "': does not exist");
        EXPECT_EQ(ziv_open_track(s.show, nullptr), ZIV_ERROR_ARGUMENT);
        ASSERT_EQ(ziv_open_track(s.show, wav.c_str()), ZIV_OK);
        EXPECT_EQ(ziv_open_track(s.show, wav.c_str()), ZIV_ERROR_ARGUMENT);
        EXPECT_EQ(ziv_feed_s16(s.show, music.data(), 10, 48000, 2), ZIV_ERROR_ARGUMENT);
        EXPECT_NE(std::string(ziv_last_error()).find("hears a track"), std::string::npos) << ziv_last_error();
    }
    Show s;
    ASSERT_EQ(ziv_feed_s16(s.show, music.data(), 10, 48000, 2), ZIV_OK);
    EXPECT_EQ(ziv_open_track(s.show, wav.c_str()), ZIV_ERROR_ARGUMENT);
    EXPECT_NE(std::string(ziv_last_error()).find("already hears fed samples"), std::string::npos) << ziv_last_error();
}

TEST(ZivFrames, ReplayingTheRecordedSpectraDrawsTheSameFrames) {
    const std::vector<int16_t> music = musicS16(44100, 1, 2.0);
    const Drawn live = drawFrames(30, 40, [&](ziv_show* s) { ziv_feed_s16(s, music.data(), music.size(), 44100, 1); });
    Show s(30);
    std::vector<uint32_t> pixels(kFramePixels, 0xFFFFFFFFu);   // whatever the host's buffer held before
    for (int n = 0; n < 40; ++n) {
        ASSERT_EQ(ziv_draw_spectrum(s.show, live.spectra[static_cast<size_t>(n)].data(), ZIV_SPECTRUM_BANDS,
                                    frameElapsedMs(n, 30), pixels.data()), ZIV_OK);
        ASSERT_TRUE(std::equal(pixels.begin(), pixels.end(), live.pixels.begin() + static_cast<std::ptrdiff_t>(n * kFramePixels)))
            << "frame " << n;
        std::vector<float> back(ZIV_SPECTRUM_BANDS);
        ASSERT_EQ(ziv_frame_spectrum(s.show, back.data(), back.size()), ZIV_OK);
        ASSERT_TRUE(back == live.spectra[static_cast<size_t>(n)]);
    }
}

TEST(ZivFrames, ScalingRepeatsEveryPixelAsASquare) {
    std::vector<uint32_t> pixels(kFramePixels);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFFu;
    for (int scale : {1, 3}) {
        const size_t width = static_cast<size_t>(ZIV_WIDTH * scale);
        std::vector<uint32_t> scaled(kFramePixels * static_cast<size_t>(scale * scale), 1u << 31);
        ASSERT_EQ(ziv_scale_frame(pixels.data(), scale, scaled.data()), ZIV_OK);
        size_t wrong = 0;
        for (size_t y = 0; y < static_cast<size_t>(ZIV_HEIGHT * scale); ++y)
            for (size_t x = 0; x < width; ++x)
                wrong += scaled[y * width + x] != pixels[(y / static_cast<size_t>(scale)) * ZIV_WIDTH + x / static_cast<size_t>(scale)];
        EXPECT_EQ(wrong, 0u) << scale;
    }
}

std::string readAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

TEST(ZivTrace, WrittenRecordsReadBackBitForBitInTheTraceFormat) {
    TempDir dir("libziv-trace");
    const std::string path = dir / "show.trace";
    const int bands = 300;
    std::vector<std::vector<float>> spectra;
    const int32_t times[] = {0, 16, 2147483647};
    for (int r = 0; r < 3; ++r) {
        std::vector<float> s(static_cast<size_t>(bands));
        for (int k = 0; k < bands; ++k) s[static_cast<size_t>(k)] = std::nextafter(static_cast<float>(k * (r + 1)) / 77.0f, 9.0f) - 4.0f;
        s[0] = -0.0f;
        s[1] = std::numeric_limits<float>::denorm_min();
        spectra.push_back(s);
    }
    ziv_trace* out = nullptr;
    ASSERT_EQ(ziv_trace_create(path.c_str(), bands, &out), ZIV_OK) << ziv_last_error();
    EXPECT_EQ(ziv_trace_bands(out), bands);
    for (int r = 0; r < 3; ++r) ASSERT_EQ(ziv_trace_write(out, times[r], spectra[static_cast<size_t>(r)].data()), ZIV_OK);
    ASSERT_EQ(ziv_trace_close(out), ZIV_OK) << ziv_last_error();

    // The file is the trace format byte for byte: what the renderer's encoder writes.
    std::string expected(kTraceHeaderBytes, '\0');
    encodeTraceHeader(bands, reinterpret_cast<uint8_t*>(expected.data()));
    for (int r = 0; r < 3; ++r) {
        std::string record(traceRecordBytes(bands), '\0');
        encodeTraceRecord(times[r], spectra[static_cast<size_t>(r)].data(), bands, reinterpret_cast<uint8_t*>(record.data()));
        expected += record;
    }
    EXPECT_TRUE(readAll(path) == expected);

    ziv_trace* in = nullptr;
    ASSERT_EQ(ziv_trace_open(path.c_str(), &in), ZIV_OK) << ziv_last_error();
    EXPECT_EQ(ziv_trace_bands(in), bands);
    int64_t records = 0;
    EXPECT_EQ(ziv_trace_records(in, &records), ZIV_OK);
    EXPECT_EQ(records, 3);
    EXPECT_EQ(ziv_trace_records(in, nullptr), ZIV_ERROR_ARGUMENT);
    std::vector<float> got(static_cast<size_t>(bands));
    int32_t ms = -1;
    EXPECT_EQ(ziv_trace_read(in, &ms, got.data(), got.size() - 1), ZIV_ERROR_ARGUMENT);   // no room for a record
    for (int r = 0; r < 3; ++r) {
        ASSERT_EQ(ziv_trace_read(in, &ms, got.data(), got.size()), 1) << ziv_last_error();
        EXPECT_EQ(ms, times[r]);
        EXPECT_EQ(std::memcmp(got.data(), spectra[static_cast<size_t>(r)].data(), got.size() * 4), 0) << r;
    }
    EXPECT_EQ(ziv_trace_read(in, &ms, got.data(), got.size()), 0);
    EXPECT_EQ(ziv_trace_write(in, 0, got.data()), ZIV_ERROR_ARGUMENT);   // a trace being read takes no records
    EXPECT_EQ(ziv_trace_close(in), ZIV_OK);
}

TEST(ZivTrace, BadFilesBadValuesAndFailedWritesAreErrors) {
    TempDir dir("libziv-trace-bad");
    ziv_trace* t = reinterpret_cast<ziv_trace*>(&dir);
    EXPECT_EQ(ziv_trace_open((dir / "missing.trace").c_str(), &t), ZIV_ERROR_FILE);
    EXPECT_EQ(t, nullptr);
    EXPECT_NE(std::string(ziv_last_error()).find("missing.trace"), std::string::npos) << ziv_last_error();
    std::ofstream(dir / "junk.trace") << "ZIVTRACX and then some more bytes";
    EXPECT_EQ(ziv_trace_open((dir / "junk.trace").c_str(), &t), ZIV_ERROR_FORMAT);
    EXPECT_NE(std::string(ziv_last_error()).find("ZIVTRACE"), std::string::npos) << ziv_last_error();
    EXPECT_EQ(ziv_trace_open(nullptr, &t), ZIV_ERROR_ARGUMENT);
    EXPECT_EQ(ziv_trace_create((dir / "few.trace").c_str(), ZIV_SPECTRUM_MIN_BANDS - 1, &t), ZIV_ERROR_ARGUMENT);
    EXPECT_EQ(ziv_trace_create((dir / "no/such/folder.trace").c_str(), ZIV_SPECTRUM_BANDS, &t), ZIV_ERROR_FILE);
    int64_t records = 0;
    EXPECT_EQ(ziv_trace_records(nullptr, &records), ZIV_ERROR_ARGUMENT);
    EXPECT_EQ(ziv_trace_close(nullptr), ZIV_OK);

    // An entry that could not be read back is never written.
    ASSERT_EQ(ziv_trace_create((dir / "values.trace").c_str(), ZIV_SPECTRUM_MIN_BANDS, &t), ZIV_OK);
    std::vector<float> s(ZIV_SPECTRUM_MIN_BANDS, 0.25f);
    s[100] = std::nanf("");
    EXPECT_EQ(ziv_trace_write(t, 0, s.data()), ZIV_ERROR_ARGUMENT);
    s[100] = 8.5f;
    EXPECT_EQ(ziv_trace_write(t, 0, s.data()), ZIV_ERROR_ARGUMENT);
    s[100] = -8.0f;
    EXPECT_EQ(ziv_trace_write(t, 0, s.data()), ZIV_OK);
    EXPECT_EQ(ziv_trace_close(t), ZIV_OK);
    EXPECT_EQ(readAll(dir / "values.trace").size(), static_cast<size_t>(kTraceHeaderBytes) + traceRecordBytes(ZIV_SPECTRUM_MIN_BANDS));

    // A full disk: the failure shows at the latest when the trace is closed, never as success.
    ASSERT_EQ(ziv_trace_create("/dev/full", ZIV_SPECTRUM_MIN_BANDS, &t), ZIV_OK);
    int result = ZIV_OK;
    for (int r = 0; r < 20 && result == ZIV_OK; ++r) result = ziv_trace_write(t, r, s.data());
    const int closed = ziv_trace_close(t);
    EXPECT_TRUE(result == ZIV_ERROR_FILE || closed == ZIV_ERROR_FILE) << result << " " << closed;
    EXPECT_EQ(closed, ZIV_ERROR_FILE);
    EXPECT_NE(std::string(ziv_last_error()).find("/dev/full"), std::string::npos) << ziv_last_error();
}

}  // namespace
