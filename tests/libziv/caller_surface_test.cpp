// A show drawing straight into the host's buffers (ZIV_SURFACE_CALLER) gives, in
// every buffer, exactly the frame the show's own surface gives: the kept columns
// of the colour rows carried from the frame before, the trail rows, peak frames.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "libziv/show_record.h"
#include "scenes/band_roles.h"
#include "ziv/ziv.h"

namespace {

constexpr size_t kFramePixels = static_cast<size_t>(ZIV_WIDTH) * ZIV_HEIGHT;
using Frame = std::vector<uint32_t>;

// Spectra that step every selector, now and then cut to a picture, and change the
// colour rows' coverage often: every way a frame can leave pixels to the next.
std::vector<float> spectrumOf(int frame) {
    std::vector<float> s(ZIV_SPECTRUM_BANDS);
    uint32_t state = 11u + static_cast<uint32_t>(frame) * 2654435761u;
    for (float& v : s) {
        state = state * 1103515245u + 12345u;
        v = static_cast<float>((state >> 8) % 1000) / 4000.0f;
    }
    if (frame % 3 != 2)
        for (int k = 0; k <= 20; ++k) s[static_cast<size_t>(k)] = static_cast<float>(kColourStepLevel) + 0.05f;
    if (frame % 5 == 1)
        for (int k = 44; k <= 46; ++k) s[static_cast<size_t>(k)] = static_cast<float>(kPictureStepLevel) + 0.05f;
    if (frame % 13 == 6) s[64] = static_cast<float>(kPeakLevel) + 0.05f;
    return s;
}

// Music-like samples for the measured path: a swelling bass with a burst four times a second.
std::vector<int16_t> music(double seconds) {
    const size_t frames = static_cast<size_t>(44100 * seconds);
    std::vector<int16_t> s(frames);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / 44100;
        const double burst = std::fmod(t * 4.0, 1.0) < 0.08 ? 0.6 * std::sin(2 * M_PI * 5000 * t) : 0.0;
        const double v = 0.4 * std::sin(2 * M_PI * 55 * t) * (0.6 + 0.4 * std::sin(2 * M_PI * 0.7 * t)) + burst;
        s[i] = static_cast<int16_t>(std::lround(v * 32767));
    }
    return s;
}

struct Course {
    std::vector<Frame> frames;
    int peaks = 0, fullRows = 0, keptRows = 0;
    int keptAfterFull = 0;   // frames that keep columns the frame before wrote: another buffer lacks them
};

// Draws `count` frames, spectra replayed or measured from fed samples; buffers empty: the show's own surface
// (copied out), else buffers[turn(n)] as the surface, null when turn(n) < 0.
template <typename Turn>
Course draw(int count, bool replay, std::vector<Frame>* buffers, Turn turn) {
    Course c;
    ziv_show* show = nullptr;
    EXPECT_EQ(ziv_create(nullptr, &show), ZIV_OK) << ziv_last_error();
    if (!show) return c;
    if (buffers) {
        EXPECT_EQ(ziv_set_surface(show, ZIV_SURFACE_CALLER), ZIV_OK) << ziv_last_error();
    }
    const std::vector<int16_t> samples = replay ? std::vector<int16_t>() : music(count / 60.0 + 1);
    if (!replay) {
        EXPECT_EQ(ziv_feed_s16(show, samples.data(), samples.size(), 44100, 1), ZIV_OK);
    }
    Frame own(kFramePixels);
    bool lastFull = false;
    for (int n = 0; n < count; ++n) {
        uint32_t* pixels = own.data();
        if (buffers) {
            const int b = turn(n);
            pixels = b < 0 ? nullptr : (*buffers)[static_cast<size_t>(b)].data();
        }
        if (replay) {
            const std::vector<float> s = spectrumOf(n);
            EXPECT_EQ(ziv_draw_spectrum(show, s.data(), s.size(), n * 17, pixels), ZIV_OK) << ziv_last_error();
        } else {
            EXPECT_EQ(ziv_set_frame(show, n), ZIV_OK) << ziv_last_error();
            EXPECT_EQ(ziv_draw_frame(show, pixels), ZIV_OK) << ziv_last_error();
        }
        const uint32_t* drawn = ziv_frame_pixels(show);
        if (buffers && pixels) {
            EXPECT_EQ(drawn, pixels) << "the latest frame is the buffer it was drawn into";
        }
        c.frames.emplace_back(drawn, drawn + kFramePixels);
        const FrameRecord& r = *zivFrameRecord(show);
        c.peaks += r.peak;
        if (!r.fullColourRows && c.fullRows > 0 && lastFull) ++c.keptAfterFull;
        lastFull = r.fullColourRows;
        (r.fullColourRows ? c.fullRows : c.keptRows) += 1;
    }
    ziv_destroy(show);
    return c;
}

void expectSameFrames(const Course& own, const Course& turns) {
    ASSERT_EQ(own.frames.size(), turns.frames.size());
    for (size_t n = 0; n < own.frames.size(); ++n) ASSERT_TRUE(own.frames[n] == turns.frames[n]) << "frame " << n;
}

}  // namespace

TEST(ZivCallerSurface, ThreeBuffersInTurnHoldTheFramesOfTheShowsOwnSurface) {
    const int count = 90;
    const Course own = draw(count, true, nullptr, [](int) { return 0; });
    // The course must hold what makes buffers differ: cuts, and frames that keep columns
    // right after frames that wrote them all.
    ASSERT_GE(own.peaks, 3);
    ASSERT_GE(own.keptAfterFull, 3);
    std::vector<Frame> buffers(3, Frame(kFramePixels, 0u));
    // In turn, now and then the same buffer twice in a row and now and then the show's own surface.
    const Course turns = draw(count, true, &buffers, [](int n) { return n % 10 == 9 ? -1 : (n - n / 7) % 3; });
    expectSameFrames(own, turns);
}

TEST(ZivCallerSurface, MeasuredFramesInTurnEqualThoseCopiedOut) {
    const int count = 600;
    const Course own = draw(count, false, nullptr, [](int) { return 0; });
    ASSERT_GE(own.keptAfterFull, 1) << own.fullRows << " " << own.keptRows;
    std::vector<Frame> buffers(3, Frame(kFramePixels, 0u));
    const Course turns = draw(count, false, &buffers, [](int n) { return n % 3; });
    expectSameFrames(own, turns);
}

TEST(ZivCallerSurface, IsChosenBeforeTheFirstFrameOnly) {
    ziv_show* show = nullptr;
    ASSERT_EQ(ziv_create(nullptr, &show), ZIV_OK) << ziv_last_error();
    EXPECT_EQ(ziv_set_surface(nullptr, ZIV_SURFACE_CALLER), ZIV_ERROR_ARGUMENT);
    EXPECT_EQ(ziv_set_surface(show, 2), ZIV_ERROR_ARGUMENT);
    EXPECT_NE(std::string(ziv_last_error()).find("ZIV_SURFACE_CALLER"), std::string::npos) << ziv_last_error();
    EXPECT_EQ(ziv_set_surface(show, ZIV_SURFACE_CALLER), ZIV_OK);
    EXPECT_EQ(ziv_set_surface(show, ZIV_SURFACE_OWN), ZIV_OK);   // changing one's mind costs nothing yet
    Frame pixels(kFramePixels);
    ASSERT_EQ(ziv_draw_frame(show, pixels.data()), ZIV_OK);
    EXPECT_EQ(ziv_set_surface(show, ZIV_SURFACE_CALLER), ZIV_ERROR_ARGUMENT);
    EXPECT_NE(std::string(ziv_last_error()).find("before the first"), std::string::npos) << ziv_last_error();
    ziv_destroy(show);
}
