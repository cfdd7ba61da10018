// Frames drawn into several buffers in turn (a writer's slots, a host's own
// buffers) are, each, the frames of one surface, and the kept columns are
// carried only when a buffer lacks them.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "output/output_constants.h"
#include "output/show_frame.h"
#include "output/surface_rotation.h"
#include "pictures/picture_bank.h"
#include "scenes/spectrum.h"

namespace {

// Spectra whose low bands step the colour selector through every value, so frames
// with and without full colour rows follow one another in many orders.
std::vector<float> stepping(int frame) {
    std::vector<float> s(kSpectrumBands);
    uint32_t state = 7u + static_cast<uint32_t>(frame) * 2654435761u;
    for (float& v : s) {
        state = state * 1103515245u + 12345u;
        v = static_cast<float>((state >> 8) % 1000) / 4000.0f;
    }
    if (frame % 3 != 2)
        for (int k = 0; k <= 20; ++k) s[static_cast<size_t>(k)] = 0.5f;
    if (frame % 9 == 4) s[1] = 0.7f;
    return s;
}

TEST(SurfaceRotation, FramesDrawnIntoBuffersInTurnAreTheFramesOfOneSurface) {
    loadPictureBank();
    resetShowState();
    std::vector<uint32_t> one(kSurfacePixels, 0u);
    std::vector<std::vector<uint32_t>> oneFrames;
    int full = 0, notFull = 0;
    for (int n = 0; n < 60; ++n) {
        const std::vector<float> s = stepping(n);
        (runFrame(s.data(), n * 17, one.data()).fullColourRows ? full : notFull) += 1;
        oneFrames.push_back(one);
    }
    ASSERT_GT(full, 5);
    ASSERT_GT(notFull, 5);

    resetShowState();
    std::vector<std::vector<uint32_t>> buffers(3, std::vector<uint32_t>(kSurfacePixels, 0u));
    SurfaceRotation rotation;
    for (int n = 0; n < 60; ++n) {
        // In turn, but now and then the same buffer twice (frames before --start are not handed on).
        std::vector<uint32_t>& b = buffers[static_cast<size_t>((n - n / 7) % 3)];
        const std::vector<float> s = stepping(n);
        rotation.drawn(b.data(), runFrame(s.data(), n * 17, b.data()).fullColourRows);
        ASSERT_TRUE(b == oneFrames[static_cast<size_t>(n)]) << "frame " << n;
    }
    EXPECT_LT(rotation.carries(), notFull) << "carried on frames that needed nothing";
}

}  // namespace
