#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "output/course_stats.h"
#include "output/show_frame.h"
#include "scenes/spectrum_features.h"
#include "doubles/surface_png.h"
#include "doubles/synthetic_pictures.h"
#include "output/output_constants.h"
#include "output/colour_mapping.h"
#include "pictures/picture_bank.h"
#include "scenes/random.h"
#include "scenes/scene_buffer.h"
#include "scenes/vector_path.h"

// Counts every allocation the program makes, so a test can prove a frame makes none.
namespace {
int allocations = 0;
}
void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
// GCC cannot see that this operator new is malloc underneath, and warns about the free.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

using ziv::test::fillSyntheticPictures;
using ziv::test::syntheticPictureId;

constexpr uint32_t kUntouched = 0xDEADBEEFu;

class ShowFrame : public ::testing::Test {
protected:
    void SetUp() override {
        fillSyntheticPictures();
        resetShowState();
        spectrum.assign(512, 0.0f);
        surface.assign(640 * 480, kUntouched);
    }
    FrameRecord frame(int32_t ms = 0) { return runFrame(spectrum.data(), ms, surface.data()); }
    std::vector<float> spectrum;
    std::vector<uint32_t> surface;
};

TEST_F(ShowFrame, ResetRestoresTheStartingState) {
    spectrum[1] = 0.4f;
    spectrum[20] = 9.0f;
    spectrum[44] = 0.5f;
    for (int f = 0; f < 3; ++f) frame();
    spectrum[1] = 0.9f;
    frame();  // a pattern frame draws from the generator
    ASSERT_NE(randomState(), 1u);
    ASSERT_NE(TrailBuffer[1000], 0);
    resetShowState();
    EXPECT_EQ(SceneSelector, 0);
    EXPECT_EQ(ColourSelector, 2);
    EXPECT_EQ(PictureSelector, 0);
    EXPECT_EQ(randomState(), 1u);
    for (int32_t v : TrailBuffer) ASSERT_EQ(v, 0);
}

TEST_F(ShowFrame, SilentFirstFrameTurnsPicture8WithMappingTwo) {
    const FrameRecord r = frame(0);
    EXPECT_FALSE(r.peak);
    EXPECT_EQ(r.rotatingRow, 0);
    EXPECT_EQ(r.pattern, PatternKind::None);
    EXPECT_EQ(r.cutNumber, -1);
    EXPECT_EQ(r.mapping, 2);
    EXPECT_FALSE(r.fullColourRows);
    EXPECT_EQ(randomState(), 1u);  // the rotating scene draws nothing
    EXPECT_EQ(SceneBuffer[16080 - 16080], Picture8[16080]);
    // Silence colours with bin51 = 0: black colour pixels on odd columns, even ones untouched.
    EXPECT_EQ(surface[41 * 640 + 1], 0u);
    EXPECT_EQ(surface[41 * 640 + 0], kUntouched);
    EXPECT_EQ(surface[39 * 640 + 7], kUntouched);
}

TEST_F(ShowFrame, PeakFrameStepsSelectorsFirstThenCutsAndUsesThePeakMapping) {
    spectrum[128] = 0.8f;
    for (int k = 0; k <= 20; ++k) spectrum[k] = 0.5f;  // bin1 0.5 steps the scene, mean0to20 the colour
    spectrum[256] = 0.5f;
    const FrameRecord r = frame();
    EXPECT_TRUE(r.peak);
    EXPECT_EQ(r.sceneSelector, 3);
    EXPECT_EQ(r.colourSelector, 1);
    EXPECT_EQ(SceneSelector, 3);
    // From state 1 the first draw is 41: cut 41 mod 17 = 7, Picture6, one draw.
    EXPECT_EQ(r.cutNumber, 7);
    EXPECT_EQ(syntheticPictureId(SceneBuffer), 6);
    EXPECT_EQ(randomState(), 2745024u);
    EXPECT_EQ(r.mapping, kPeakColourMapping);
    EXPECT_TRUE(r.fullColourRows);  // ColourSelector 1 after the step
    const int32_t s = Picture6[0];
    const uint32_t want = (static_cast<uint32_t>(s / 2) << 16) | (static_cast<uint32_t>(s) << 8) | static_cast<uint32_t>(s);
    EXPECT_EQ(ColourBuffer[0], want);
    EXPECT_EQ(surface[41 * 640 + 0], want);
    EXPECT_EQ(surface[41 * 640 + 1], want);
}

TEST_F(ShowFrame, LoudLowBandDrawsAPatternFromTheGenerator) {
    spectrum[1] = 0.9f;  // SceneSelector 2
    spectrum[64] = 0.5f;
    const FrameRecord r = frame();
    EXPECT_FALSE(r.peak);
    EXPECT_EQ(r.sceneSelector, 2);
    // 41 mod 9 = 5: the ramped PictureSetA[5], one draw.
    EXPECT_EQ(r.pattern, PatternKind::RampedPicture);
    EXPECT_EQ(r.patternChoice, 5);
    EXPECT_EQ(randomState(), 2745024u);
    EXPECT_EQ(r.rotatingRow, -1);
}

TEST_F(ShowFrame, Picture1RowHalvesTheTrailRowsRedFactorOfTheSameFrame) {
    spectrum[44] = spectrum[45] = spectrum[46] = 0.25f;  // PictureSelector 0 -> 2: Picture1
    const FrameRecord r = frame(0);
    EXPECT_EQ(r.rotatingRow, 2);
    EXPECT_EQ(SpectrumFeatures.inv44to46, 0.375f);
    // Trail after one frame is floor(0.2 * scene); its red channel uses the halved 0.375.
    const int32_t t = TrailBuffer[0];
    ASSERT_GT(t, 2);
    EXPECT_EQ(surface[40 * 640], static_cast<uint32_t>(static_cast<int32_t>(t * 0.375)) << 16);
}

TEST_F(ShowFrame, FramesAllocateNothing) {
    spectrum[1] = 0.9f;
    for (int k = 0; k < 512; ++k) spectrum[k] = static_cast<float>(k % 7) * 0.1f;
    const int before = allocations;
    for (int f = 0; f < 40; ++f) {
        spectrum[64] = f % 5 == 0 ? 0.9f : 0.1f;
        spectrum[1] = f % 3 == 0 ? 0.9f : 0.35f;
        frame(f * 100);
    }
    EXPECT_EQ(allocations, before);
}

// ---- golden frames -----------------------------------------------------------
//
// A fixed synthetic spectrum sequence over synthetic pictures, 48 frames; at each
// checkpoint the whole surface must equal, bit for bit, the committed expected frame
// tests/golden/frame_<n>.png. Every stage is checked against its rules by the tests
// above and in the other stage tests; these frames pin what the stages make together,
// so a change anywhere in the pipeline (including the draws that decide later frames)
// shows up here. A mismatch writes frame_<n>.actual.png and frame_<n>.diff.png (white
// where a pixel differs, the expected frame dimmed elsewhere) beside the expected frame.
// After a deliberate change of the frames, and only then, re-pin them all with
//   ZIV_GOLDEN_REPIN=1 ctest --preset release -R GoldenFrames
// and commit the new PNGs with the change that made them.

void syntheticSpectrum(int frame, std::vector<float>& s) {
    for (int k = 0; k < kSpectrumBands; ++k) s[k] = static_cast<float>((frame * 31 + k * 17) % 97) / 96.0f;
    for (int k : {64, 128, 256}) s[k] *= 0.85f;  // peaks on some frames, not most
}

const int kCheckpoints[] = {0, 8, 9, 16, 26, 34, 36, 47};

// Compares the surface with the expected frame; on a mismatch writes the actual
// and diff images beside it and says where they are.
::testing::AssertionResult matchesGoldenFrame(const std::vector<uint32_t>& surface, int frame) {
    const std::string base = std::string(ZIV_SOURCE_DIR) + "/tests/golden/frame_" + std::to_string(frame);
    const std::string expectedPath = base + ".png", actualPath = base + ".actual.png", diffPath = base + ".diff.png";
    if (std::getenv("ZIV_GOLDEN_REPIN")) {
        if (!writeSurfacePng(expectedPath, surface.data(), kSurfaceWidth, kSurfaceHeight))
            return ::testing::AssertionFailure() << "cannot write " << expectedPath;
    }
    std::vector<uint32_t> expected;
    int w = 0, h = 0;
    const bool read = readSurfacePng(expectedPath, expected, &w, &h) && w == kSurfaceWidth && h == kSurfaceHeight;
    if (read && expected == surface) {
        std::remove(actualPath.c_str());  // left by an earlier failure
        std::remove(diffPath.c_str());
        return ::testing::AssertionSuccess();
    }
    writeSurfacePng(actualPath, surface.data(), kSurfaceWidth, kSurfaceHeight);
    if (!read)
        return ::testing::AssertionFailure() << "frame " << frame << ": no expected frame " << expectedPath
                                             << " (640x480 PNG); this run's frame is " << actualPath;
    size_t differing = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        const bool same = expected[i] == surface[i];
        differing += !same;
        expected[i] = same ? (expected[i] >> 2) & 0x3F3F3F : 0xFFFFFF;
    }
    writeSurfacePng(diffPath, expected.data(), kSurfaceWidth, kSurfaceHeight);
    return ::testing::AssertionFailure() << "frame " << frame << ": " << differing << " pixels differ from "
                                         << expectedPath << "; see " << actualPath << " and " << diffPath;
}

// Every instruction-set path must make the pinned frames.
class GoldenFrames : public ::testing::TestWithParam<VectorPath> {
protected:
    void SetUp() override {
        if (GetParam() > bestVectorPath()) GTEST_SKIP() << "this processor lacks " << vectorPathName(GetParam());
        setVectorPath(GetParam());
    }
    void TearDown() override { setVectorPath(bestVectorPath()); }
};

INSTANTIATE_TEST_SUITE_P(EveryPath, GoldenFrames,
                         ::testing::Values(VectorPath::Scalar, VectorPath::Sse2, VectorPath::Avx2),
                         [](const auto& path) { return std::string(vectorPathName(path.param)); });

TEST_P(GoldenFrames, SyntheticSequenceMatchesThePinnedFrames) {
    fillSyntheticPictures();
    resetShowState();
    std::vector<float> spectrum(kSpectrumBands);
    std::vector<uint32_t> surface(kSurfacePixels, 0u);
    bool mappings[kColourMappingCount + 1] = {}, kinds[kPatternKindCount] = {}, rotating = false, cut = false, full = false;
    size_t next = 0;
    for (int f = 0; f < 48; ++f) {
        syntheticSpectrum(f, spectrum);
        const FrameRecord r = runFrame(spectrum.data(), f * 337, surface.data());
        mappings[r.mapping] = true;
        if (r.pattern != PatternKind::None) kinds[static_cast<int>(r.pattern)] = true;
        rotating |= r.rotatingRow >= 0;
        cut |= r.cutNumber >= 0;
        full |= r.fullColourRows;
        if (next == std::size(kCheckpoints) || kCheckpoints[next] != f) continue;
        ASSERT_TRUE(matchesGoldenFrame(surface, f));
        ++next;
    }
    ASSERT_EQ(next, std::size(kCheckpoints));
    // The sequence must keep exercising every stage, or the pinned frames guard little.
    for (bool m : mappings) EXPECT_TRUE(m);
    for (bool k : kinds) EXPECT_TRUE(k);
    EXPECT_TRUE(rotating);
    EXPECT_TRUE(cut);
    EXPECT_TRUE(full);
}

// A course is counted from the selectors (countCourseFrame), which is all
// ziv-track-stats has; the count must name the same scene each drawn frame ran.
TEST_F(ShowFrame, CourseCountAgreesWithTheScenesTheFramesDrew) {
    CourseStats course;
    int64_t cuts = 0, rotations = 0, patterns = 0;
    for (int f = 0; f < 240; ++f) {
        syntheticSpectrum(f, spectrum);
        const FrameRecord r = frame(f * 16);
        countCourseFrame(course, r);
        cuts += r.cutNumber >= 0;
        rotations += r.rotatingRow >= 0;
        patterns += r.pattern != PatternKind::None;
    }
    ASSERT_GT(cuts, 0);
    ASSERT_GT(rotations, 0);
    ASSERT_GT(patterns, 0);
    EXPECT_EQ(course.frames, 240);
    EXPECT_EQ(course.peakFrames, cuts);
    EXPECT_EQ(course.rotating, rotations);
    EXPECT_EQ(course.pattern, patterns);
    EXPECT_EQ(course.outOfRange, 0);
}

}  // namespace
