#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "output/course_stats.h"
#include "output/show_frame.h"
#include "scenes/spectrum_features.h"
#include "doubles/synthetic_pictures.h"
#include "output/colour_mapping.h"
#include "pictures/picture_bank.h"
#include "scenes/random.h"
#include "scenes/scene_buffer.h"

// Counts every allocation the program makes, so a test can prove a frame makes none.
namespace {
int allocations = 0;
}
void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

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
// A fixed synthetic spectrum sequence over synthetic pictures, 48 frames, the surface
// hashed at checkpoint frames. Every stage is checked against its rules by the tests
// above and in the other stage tests; these hashes pin the frames the stages make
// together, so a change anywhere in the pipeline (including the draws that decide later
// frames) shows up here. A passing run leaves each checkpoint in the build folder as
// golden_expected_<n>.ppm; a failing run writes golden_actual_<n>.ppm and, where an
// expected frame from an earlier passing run is there, golden_diff_<n>.ppm (white where
// a pixel differs, the expected frame dimmed elsewhere).

void syntheticSpectrum(int frame, std::vector<float>& s) {
    for (int k = 0; k < 512; ++k) s[k] = static_cast<float>((frame * 31 + k * 17) % 97) / 96.0f;
    for (int k : {64, 128, 256}) s[k] *= 0.85f;  // peaks on some frames, not most
}

uint64_t fnv1a(const std::vector<uint32_t>& pixels) {
    uint64_t h = 1469598103934665603ull;
    for (uint32_t p : pixels) {
        for (int b = 0; b < 4; ++b) {
            h ^= (p >> (8 * b)) & 0xFF;
            h *= 1099511628211ull;
        }
    }
    return h;
}

void writePpm(const std::string& path, const std::vector<uint32_t>& pixels) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fprintf(f, "P6\n640 480\n255\n");
    for (uint32_t p : pixels) {
        const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                      static_cast<unsigned char>(p)};
        std::fwrite(rgb, 1, 3, f);
    }
    std::fclose(f);
}

bool readPpm(const std::string& path, std::vector<uint32_t>& pixels) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    int w = 0, h = 0, max = 0;
    bool ok = std::fscanf(f, "P6 %d %d %d", &w, &h, &max) == 3 && w == 640 && h == 480 && std::fgetc(f) != EOF;
    pixels.assign(640 * 480, 0);
    for (size_t i = 0; ok && i < pixels.size(); ++i) {
        unsigned char rgb[3];
        ok = std::fread(rgb, 1, 3, f) == 3;
        pixels[i] = static_cast<uint32_t>(rgb[0]) << 16 | static_cast<uint32_t>(rgb[1]) << 8 | rgb[2];
    }
    std::fclose(f);
    return ok;
}

struct Checkpoint {
    int frame;
    uint64_t hash;
};

const Checkpoint kCheckpoints[] = {
    {0, 0xb5c58bf1f2f08b37ull},  {8, 0x5f74a95d4632a2c9ull},  {9, 0xdc94e42f2c72c8bcull},
    {16, 0x67a7076faa0a47a2ull}, {26, 0x744d2a9fe832be7full}, {34, 0x6e4f46abd3b20235ull},
    {36, 0xb1bac1de50450c0cull}, {47, 0xbc706b1d2ac13892ull},
};

TEST(GoldenFrames, SyntheticSequenceMatchesThePinnedFrames) {
    fillSyntheticPictures();
    resetShowState();
    std::vector<float> spectrum(512);
    std::vector<uint32_t> surface(640 * 480, 0u);
    const std::string dir = ZIV_BINARY_DIR;
    bool mappings[5] = {}, kinds[3] = {}, rotating = false, cut = false, full = false;
    size_t next = 0;
    for (int f = 0; f < 48; ++f) {
        syntheticSpectrum(f, spectrum);
        const FrameRecord r = runFrame(spectrum.data(), f * 337, surface.data());
        mappings[r.mapping] = true;
        if (r.pattern != PatternKind::None) kinds[static_cast<int>(r.pattern)] = true;
        rotating |= r.rotatingRow >= 0;
        cut |= r.cutNumber >= 0;
        full |= r.fullColourRows;
        if (next == std::size(kCheckpoints) || kCheckpoints[next].frame != f) continue;
        const uint64_t hash = fnv1a(surface);
        const std::string n = std::to_string(f);
        if (hash == kCheckpoints[next].hash) {
            writePpm(dir + "/golden_expected_" + n + ".ppm", surface);
            std::remove((dir + "/golden_actual_" + n + ".ppm").c_str());  // left by an earlier failure
            std::remove((dir + "/golden_diff_" + n + ".ppm").c_str());
            ++next;
            continue;
        }
        writePpm(dir + "/golden_actual_" + n + ".ppm", surface);
        std::vector<uint32_t> expected;
        if (readPpm(dir + "/golden_expected_" + n + ".ppm", expected)) {
            for (size_t i = 0; i < expected.size(); ++i)
                expected[i] = (expected[i] & 0xFFFFFF) == (surface[i] & 0xFFFFFF) ? (expected[i] >> 2) & 0x3F3F3F : 0xFFFFFF;
            writePpm(dir + "/golden_diff_" + n + ".ppm", expected);
        }
        FAIL() << "frame " << f << " hashes to 0x" << std::hex << hash << ", pinned 0x" << kCheckpoints[next].hash
               << "; see " << dir << "/golden_actual_" << n << ".ppm";
    }
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
