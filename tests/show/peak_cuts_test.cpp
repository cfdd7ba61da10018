#include <gtest/gtest.h>

#include "doubles/synthetic_pictures.h"
#include "pictures/picture_bank.h"
#include "scenes/peak_cuts.h"
#include "scenes/random.h"
#include "scenes/scene_buffer.h"

namespace {

using ziv::test::fillSyntheticPictures;
using ziv::test::syntheticPictureId;

// A generator state whose next draw gives `value mod modulus == wanted`, found by
// walking the show's own sequence from state 1.
uint32_t stateBeforeDrawWith(int32_t modulus, int32_t wanted) {
    uint32_t state = 1;
    for (;;) {
        const uint32_t next = state * 214013u + 2531011u;
        if (static_cast<int32_t>((next >> 16) & 0x7FFF) % modulus == wanted) return state;
        state = next;
    }
}

TEST(Random, StartsAtOneAndFollowsTheLinearCongruence) {
    resetRandom();
    EXPECT_EQ(randomState(), 1u);
    EXPECT_EQ(drawRandom(), 41);       // (1 * 214013 + 2531011) >> 16
    EXPECT_EQ(randomState(), 2745024u);
    EXPECT_EQ(drawRandom(), 18467);
    EXPECT_EQ(drawRandom(), 6334);
    setRandomState(0xFFFFFFFFu);       // wraps modulo 2^32; value keeps 15 bits
    EXPECT_EQ(drawRandom(), static_cast<int32_t>(((0xFFFFFFFFu * 214013u + 2531011u) >> 16) & 0x7FFF));
    resetRandom();
    EXPECT_EQ(randomState(), 1u);
}

struct ExpectedCut {
    int32_t pictureId;  // -1: a random slot of set A, -2: of set B
};

// Cut number -> picture, with the synthetic ids (Picture n = n, set A slot k = 10 + k).
const ExpectedCut kCuts[17] = {{1}, {-1}, {-1}, {2}, {3}, {4}, {5}, {6}, {7},
                               {11}, {12}, {13}, {14}, {-2}, {-2}, {-2}, {-2}};

TEST(PeakCuts, EveryCutNumberCopiesItsPictureWithTheRightNumberOfDraws) {
    fillSyntheticPictures();
    for (int32_t cut = 0; cut < 17; ++cut) {
        const uint32_t start = stateBeforeDrawWith(17, cut);
        SceneBuffer.fill(-7);
        setRandomState(start);
        EXPECT_EQ(drawPeakCut(), cut);
        uint32_t after = start * 214013u + 2531011u;
        int32_t want = kCuts[cut].pictureId;
        if (want < 0) {
            after = after * 214013u + 2531011u;
            const int32_t e = static_cast<int32_t>((after >> 16) & 0x7FFF);
            want = want == -1 ? 10 + e % 9 : 20 + e % 19;
        }
        EXPECT_EQ(randomState(), after) << "cut " << cut << " made the wrong number of draws";
        EXPECT_EQ(syntheticPictureId(SceneBuffer), want) << "cut " << cut;
    }
}

TEST(PeakCuts, ACutIsAnExactCopyWhateverTheBufferHeld) {
    fillSyntheticPictures();
    Picture1[123] = 255;
    Picture1[0] = 0;
    setRandomState(stateBeforeDrawWith(17, 0));
    SceneBuffer.fill(0x7FFFFFFF);
    drawPeakCut();
    EXPECT_EQ(SceneBuffer, Picture1);
}

}  // namespace
