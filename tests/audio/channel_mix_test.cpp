#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/channel_mix.h"
#include "audio/track_reader.h"

namespace {

// One frame of `channels` channels, silent but for channel `lit` at 1.
std::vector<float> onlyChannel(int channels, int lit) {
    std::vector<float> frame(static_cast<size_t>(channels), 0.0f);
    frame[static_cast<size_t>(lit)] = 1.0f;
    return frame;
}

struct Stereo {
    float left, right;
};

Stereo stereoOf(const std::vector<float>& frame) {
    float out[2];
    downmixToStereo(frame.data(), static_cast<int>(frame.size()), 1, out);
    return {out[0], out[1]};
}

constexpr double kMinus3dB = 0.70710678;

// 5.1 in the show's order: FL, FC, FR, BL, BR, LFE.
TEST(ChannelMix, FiveOneGoesToStereoByTheUsualCoefficients) {
    const Stereo front = stereoOf(onlyChannel(6, 0));
    const Stereo centre = stereoOf(onlyChannel(6, 1));
    const Stereo right = stereoOf(onlyChannel(6, 2));
    const Stereo backLeft = stereoOf(onlyChannel(6, 3));
    const Stereo lfe = stereoOf(onlyChannel(6, 5));
    EXPECT_GT(front.left, 0.0f);
    EXPECT_EQ(front.right, 0.0f);
    EXPECT_EQ(right.left, 0.0f);
    EXPECT_NEAR(centre.left / front.left, kMinus3dB, 1e-6);   // -3 dB on each side
    EXPECT_NEAR(centre.right / right.right, kMinus3dB, 1e-6);
    EXPECT_NEAR(backLeft.left / front.left, kMinus3dB, 1e-6);  // surrounds -3 dB, their own side only
    EXPECT_EQ(backLeft.right, 0.0f);
    EXPECT_EQ(lfe.left, 0.0f);                                  // the LFE is dropped
    EXPECT_EQ(lfe.right, 0.0f);
}

TEST(ChannelMix, TheMonoMixIsBothSidesOfTheStereoMix) {
    // 5.1: FC at -3 dB on each side counts sqrt(2) times a front channel; surrounds half that.
    const float front = monoOf(onlyChannel(6, 0).data(), 6);
    EXPECT_NEAR(monoOf(onlyChannel(6, 1).data(), 6) / front, 2 * kMinus3dB, 1e-6);
    EXPECT_NEAR(monoOf(onlyChannel(6, 4).data(), 6) / front, kMinus3dB, 1e-6);
    EXPECT_EQ(monoOf(onlyChannel(6, 5).data(), 6), 0.0f);
    // Mono and stereo tracks mix as they always did: the sample, and (left + right) / 2.
    const float mono = 0.3f;
    EXPECT_EQ(monoOf(&mono, 1), 0.3f);
    const float pair[] = {0.25f, -0.75f};
    EXPECT_EQ(monoOf(pair, 2), -0.25f);
}

TEST(ChannelMix, ASoundOnEveryChannelKeepsItsLevel) {
    for (int channels = 1; channels <= 8; ++channels) {
        std::vector<float> frame(static_cast<size_t>(channels), 0.5f);
        const Stereo s = stereoOf(frame);
        EXPECT_NEAR(s.left, 0.5f, 1e-6) << channels;
        EXPECT_NEAR(s.right, 0.5f, 1e-6) << channels;
        EXPECT_NEAR(monoOf(frame.data(), channels), 0.5f, 1e-6) << channels;
    }
    // Beyond eight there is no usual layout: the mean, on both sides.
    std::vector<float> ten(10, 0.0f);
    ten[9] = 1.0f;
    EXPECT_NEAR(monoOf(ten.data(), 10), 0.1f, 1e-7);
    const Stereo s = stereoOf(ten);
    EXPECT_NEAR(s.left, 0.1f, 1e-7);
    EXPECT_NEAR(s.right, 0.1f, 1e-7);
}

TEST(ChannelMix, LayoutsAreNamedAndWrittenInTheMasksOrder) {
    EXPECT_EQ(layoutDescription(1), "FC");
    EXPECT_EQ(layoutDescription(2), "FL+FR");
    EXPECT_EQ(layoutDescription(3), "FL+FR+FC");
    EXPECT_EQ(layoutDescription(6), "FL+FR+FC+LFE+BL+BR");
    EXPECT_EQ(layoutDescription(7), "FL+FR+FC+LFE+BC+SL+SR");
    EXPECT_EQ(layoutDescription(8), "FL+FR+FC+LFE+BL+BR+SL+SR");
    EXPECT_EQ(layoutDescription(9), "");
    // Two frames of 5.1 in the show's order (FL, FC, FR, BL, BR, LFE), numbered by speaker.
    const float show[] = {1, 3, 2, 5, 6, 4, 11, 13, 12, 15, 16, 14};
    float mask[12];
    toMaskOrder(show, 6, 2, mask);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(mask[i], static_cast<float>(i % 6 + 1 + (i / 6) * 10)) << i;
}

TEST(ChannelMix, TheTimelineHoldsTheMonoMix) {
    // Centre and LFE of a 5.1 track: the show's spectrum hears the centre, not the LFE.
    static MonoTimeline timeline;
    resetTimeline(timeline);
    const float frames[] = {0, 0.5f, 0, 0, 0, 0,   // centre only
                            0, 0, 0, 0, 0, 0.9f};  // LFE only
    appendToTimeline(timeline, frames, 2, 6);
    float window[kAnalysisWindow];
    windowAt(timeline, 2, window);
    EXPECT_FLOAT_EQ(window[kAnalysisWindow - 2], monoOf(frames, 6));
    EXPECT_GT(window[kAnalysisWindow - 2], 0.5f / 6);  // more than the mean of the channels gave it
    EXPECT_EQ(window[kAnalysisWindow - 1], 0.0f);
}

}  // namespace
