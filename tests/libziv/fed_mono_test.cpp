// Mono samples at the show's own rate, fed as a program that hears them itself
// feeds them (ziv-play: what a stream played, what was captured), enter the
// show's timeline unchanged: its spectra are those of the one join the sound
// library measures with, bit for bit, however the feeding was chunked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "audio/heard_spectrum.h"
#include "ziv/ziv.h"

TEST(ZivFedMono, SamplesAtTheShowsRateEnterUnchanged) {
    // A bass with bursts and a slow tone, in chunks of a capture's size, one frame every 735 samples.
    const int total = 3 * ZIV_SAMPLE_RATE;
    std::vector<float> samples(static_cast<size_t>(total));
    uint32_t noise = 99;
    for (int i = 0; i < total; ++i) {
        const double t = static_cast<double>(i) / ZIV_SAMPLE_RATE;
        noise = noise * 1664525u + 1013904223u;
        const double burst = std::fmod(t * 3.0, 1.0) < 0.1 ? (static_cast<double>(noise >> 8) / 8388608.0 - 1.0) * 0.6 : 0.0;
        samples[static_cast<size_t>(i)] = static_cast<float>(0.4 * std::sin(2 * M_PI * 70 * t) + burst);
    }
    ziv_show* show = nullptr;
    ASSERT_EQ(ziv_create(nullptr, &show), ZIV_OK) << ziv_last_error();
    auto join = std::make_unique<HeardSpectrum>();
    float fromShow[ZIV_SPECTRUM_BANDS], fromJoin[ZIV_SPECTRUM_BANDS];
    int fed = 0, compared = 0, moved = 0;
    for (int frame = 1; fed < total; ++frame) {
        const int until = std::min(total, frame * 735);
        for (; fed < until; fed += 256) {
            const int n = std::min(256, total - fed);
            ASSERT_EQ(ziv_feed_f32(show, samples.data() + fed, static_cast<size_t>(n), ZIV_SAMPLE_RATE, 1), ZIV_OK);
            join->append(samples.data() + fed, n, 1);
        }
        int64_t position = 0;
        ASSERT_EQ(ziv_fed_samples(show, &position), ZIV_OK);
        ASSERT_EQ(position, join->appended()) << "samples held back on the way in";
        ASSERT_EQ(ziv_set_position(show, position, frame * 17), ZIV_OK) << ziv_last_error();
        ASSERT_EQ(ziv_frame_spectrum(show, fromShow, ZIV_SPECTRUM_BANDS), ZIV_OK);
        join->spectrumAt(position, fromJoin);
        ASSERT_EQ(std::memcmp(fromShow, fromJoin, sizeof fromShow), 0) << "frame " << frame;
        ++compared;
        moved += fromShow[64] > 0.0f || fromShow[1] > 0.0f;
    }
    EXPECT_GT(compared, 150);
    EXPECT_GT(moved, compared / 2) << "the spectra compared were silent";
    ziv_destroy(show);
}
