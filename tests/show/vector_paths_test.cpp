// The SSE2 and AVX2 paths of the frame stages against the scalar path, bit for bit, on
// inputs far outside what music gives: features above 1, below 0, huge, infinite or NaN;
// scenes and trails with negative and 32-bit values; any generator state.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "output/show_frame.h"
#include "scenes/spectrum_features.h"
#include "doubles/synthetic_pictures.h"
#include "output/colour_mapping.h"
#include "output/frame_output.h"
#include "pictures/picture_bank.h"
#include "scenes/pattern_scenes.h"
#include "scenes/random.h"
#include "scenes/rotating_scene.h"
#include "scenes/scene_buffer.h"
#include "scenes/vector_path.h"

namespace {

using ziv::test::fillSyntheticPictures;
using ziv::test::fillWithIndices;

std::vector<VectorPath> fastPaths() {
    std::vector<VectorPath> paths;
    for (VectorPath p : {VectorPath::Sse2, VectorPath::Avx2})
        if (p <= bestVectorPath()) paths.push_back(p);
    return paths;
}

// Everything a stage reads or writes.
struct ShowState {
    SceneImage scene;
    ColourImage colour;
    TrailImage trail;
    std::vector<uint32_t> surface;
    uint32_t random = 0;
    SpectrumFeatureSet features{};
    int32_t selectors[3] = {};
};

void capture(ShowState& s, const std::vector<uint32_t>& surface) {
    s.scene = SceneBuffer;
    s.colour = ColourBuffer;
    s.trail = TrailBuffer;
    s.surface = surface;
    s.random = randomState();
    s.features = SpectrumFeatures;
    s.selectors[0] = SceneSelector;
    s.selectors[1] = ColourSelector;
    s.selectors[2] = PictureSelector;
}

void restore(const ShowState& s, std::vector<uint32_t>& surface) {
    SceneBuffer = s.scene;
    ColourBuffer = s.colour;
    TrailBuffer = s.trail;
    surface = s.surface;
    setRandomState(s.random);
    SpectrumFeatures = s.features;
    SceneSelector = s.selectors[0];
    ColourSelector = s.selectors[1];
    PictureSelector = s.selectors[2];
}

template <class T>
::testing::AssertionResult sameBits(const char* what, const T* want, const T* got, size_t n) {
    if (std::memcmp(want, got, n * sizeof(T)) == 0) return ::testing::AssertionSuccess();
    size_t i = 0;
    while (std::memcmp(want + i, got + i, sizeof(T)) == 0) ++i;
    std::ostringstream text;
    text << what << " differs first at " << std::dec << i << std::hex << ": scalar 0x"
         << static_cast<uint32_t>(want[i]) << ", fast 0x" << static_cast<uint32_t>(got[i]);
    return ::testing::AssertionFailure() << text.str();
}

::testing::AssertionResult sameState(const ShowState& want, const ShowState& got) {
    if (auto r = sameBits("SceneBuffer", want.scene.data(), got.scene.data(), want.scene.size()); !r) return r;
    if (auto r = sameBits("ColourBuffer", want.colour.data(), got.colour.data(), want.colour.size()); !r) return r;
    if (auto r = sameBits("TrailBuffer", want.trail.data(), got.trail.data(), want.trail.size()); !r) return r;
    if (auto r = sameBits("surface", want.surface.data(), got.surface.data(), want.surface.size()); !r) return r;
    if (want.random != got.random)
        return ::testing::AssertionFailure() << "random state " << want.random << " against " << got.random;
    if (std::memcmp(&want.features, &got.features, sizeof(want.features)) != 0)
        return ::testing::AssertionFailure() << "the features differ";
    return ::testing::AssertionSuccess();
}

class VectorPaths : public ::testing::Test {
protected:
    void SetUp() override {
        fillSyntheticPictures();
        resetShowState();
        surface.assign(640 * 480, 0u);
        for (size_t i = 0; i < surface.size(); ++i) surface[i] = static_cast<uint32_t>(rng());
    }
    void TearDown() override {
        setVectorPath(bestVectorPath());
        resetShowState();
    }

    // Runs `stage` from the present state on the scalar path and on every fast path; every
    // byte the stages touch must come out the same. Leaves the scalar result in place.
    template <class Stage>
    void expectSameOnEveryPath(const std::string& what, Stage stage) {
        ShowState before, want, got;
        capture(before, surface);
        setVectorPath(VectorPath::Scalar);
        stage();
        capture(want, surface);
        for (VectorPath path : fastPaths()) {
            restore(before, surface);
            ASSERT_EQ(setVectorPath(path), path);
            stage();
            capture(got, surface);
            ASSERT_TRUE(sameState(want, got)) << what << " on the " << vectorPathName(path) << " path";
        }
        restore(want, surface);
        setVectorPath(bestVectorPath());
    }

    // Mostly what music gives, often values no analyser would: above 1, below 0, huge, not finite.
    float wildFeature() {
        const int kind = static_cast<int>(rng() % 20);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        if (kind < 9) return unit(rng);
        if (kind < 13) return unit(rng) * 6.0f - 2.0f;
        if (kind < 16) return (unit(rng) - 0.5f) * std::pow(10.0f, static_cast<float>(rng() % 12));
        if (kind == 16) return static_cast<float>(rng() % 3);  // 0, 1, 2
        if (kind == 17) return -0.0f;
        if (kind == 18) return (rng() & 1) ? std::numeric_limits<float>::infinity() : -1e30f;
        return std::numeric_limits<float>::quiet_NaN();
    }

    void wildFeatures() {
        float* f = &SpectrumFeatures.bin1;
        for (size_t k = 0; k < sizeof(SpectrumFeatureSet) / sizeof(float); ++k) f[k] = wildFeature();
    }

    // Rows of 0..255, of any 32 bits, of small negative values, or a mixture.
    template <class Image>
    void wildRows(Image& image) {
        for (int32_t y = 0; y < 200; ++y) {
            const uint32_t kind = static_cast<uint32_t>(rng() % 6);
            for (int32_t x = 0; x < 320; ++x) {
                uint32_t v = static_cast<uint32_t>(rng());
                if (kind <= 2 || (kind == 5 && (v & 64)))
                    v &= 0xFF;
                else if (kind == 3)
                    v = static_cast<uint32_t>(-static_cast<int32_t>(v % 300));
                image[y * 320 + x] = static_cast<typename Image::value_type>(v);
            }
        }
    }

    std::mt19937 rng{20261208u};
    std::vector<uint32_t> surface;
};

TEST_F(VectorPaths, PatternScenesMatchTheScalarPath) {
    if (fastPaths().empty()) GTEST_SKIP() << "no vector path on this processor";
    for (int n = 0; n < 120; ++n) {
        wildFeatures();
        if (n % 3 == 0) SpectrumFeatures.mean63to65 = 0.0f;  // rows without an offset
        const std::string at = "case " + std::to_string(n);
        expectSameOnEveryPath(at + ", spectral ramp", [] { drawSpectralRamp(); });
        const int32_t slots[] = {1, 3, 4, 5, 6, 7, 8};
        expectSameOnEveryPath(at + ", ramped picture", [&] { drawRampedPicture(slots[n % 7]); });
        if (n % 10 == 0) {
            setRandomState(static_cast<uint32_t>(rng()));
            expectSameOnEveryPath(at + ", mosaic", [] { drawNoiseMosaic(); });
        }
    }
}

TEST_F(VectorPaths, RampedPictureWrapsEveryInt32Value) {
    if (fastPaths().empty()) GTEST_SKIP() << "no vector path on this processor";
    // inv63to65 = 1 and no row offset: the scene is the picture value mod 255, so the
    // picture chooses the wrapped values, multiples of 255 and the int32 limits included.
    SpectrumFeatures.mean63to65 = 0.0f;
    SpectrumFeatures.inv63to65 = 1.0f;
    Picture& picture = PictureSetA[4];
    for (int32_t i = 0; i < kPicturePixels; ++i) {
        const int64_t multiple = static_cast<int64_t>(rng() % 8421505u) * 255 * ((i & 1) ? 1 : -1);
        switch (i % 8) {
            case 0: picture[i] = static_cast<int32_t>(multiple); break;
            case 1: picture[i] = static_cast<int32_t>(multiple + ((i & 2) ? 1 : -1)); break;
            case 2: picture[i] = static_cast<int32_t>(rng()); break;
            case 3: picture[i] = INT32_MIN + static_cast<int32_t>(rng() % 600); break;
            case 4: picture[i] = INT32_MAX - static_cast<int32_t>(rng() % 600); break;
            default: picture[i] = static_cast<int32_t>(rng() % 1000) - 500; break;
        }
    }
    expectSameOnEveryPath("ramped picture of int32 values", [] { drawRampedPicture(4); });
    for (int32_t i = 0; i < kPicturePixels; ++i) ASSERT_EQ(SceneBuffer[i], picture[i] % 255) << "at " << i;
}

TEST_F(VectorPaths, RampedPictureWrapsEveryMultipleOf255) {
    if (fastPaths().empty()) GTEST_SKIP() << "no vector path on this processor";
    // The vector mod 255 divides by multiplying with 1/255, which an exact multiple could
    // miss by one: every multiple of 255 in the int32 range, and its neighbours, must wrap to 0, +-1.
    SpectrumFeatures.mean63to65 = 0.0f;
    SpectrumFeatures.inv63to65 = 1.0f;
    Picture& picture = PictureSetA[6];
    constexpr int64_t kFirst = -8421504, kLast = 8421504;  // INT32_MIN / 255 .. INT32_MAX / 255
    for (VectorPath path : fastPaths()) {
        setVectorPath(path);
        for (int64_t n = kFirst; n <= kLast;) {
            int32_t i = 0;
            for (; i + 3 <= kPicturePixels && n <= kLast; i += 3, ++n) {
                picture[i] = static_cast<int32_t>(255 * n);
                picture[i + 1] = static_cast<int32_t>(255 * n + 1);
                picture[i + 2] = static_cast<int32_t>(255 * n - 1);
            }
            for (; i < kPicturePixels; ++i) picture[i] = 0;
            drawRampedPicture(6);
            for (int32_t k = 0; k < kPicturePixels; ++k)
                ASSERT_EQ(SceneBuffer[k], picture[k] % 255) << picture[k] << " on the " << vectorPathName(path) << " path";
        }
    }
}

TEST_F(VectorPaths, MosaicDrawsInTheSameOrderFromAnyState) {
    if (fastPaths().empty()) GTEST_SKIP() << "no vector path on this processor";
    for (uint32_t start : {0u, 1u, 0xFFFFFFFFu, 0x80000000u, static_cast<uint32_t>(rng())}) {
        setRandomState(start);
        expectSameOnEveryPath("mosaic from state " + std::to_string(start), [] { drawNoiseMosaic(); });
        uint32_t expected = start;
        for (int k = 0; k < 64000; ++k) expected = nextRandomState(expected);
        EXPECT_EQ(randomState(), expected);
    }
}

TEST_F(VectorPaths, RotationMatchesOnEveryRowAndAngle) {
    if (fastPaths().empty()) GTEST_SKIP() << "no vector path on this processor";
    // Every source pixel its own value, so a wrong source index shows.
    for (Picture* p : {&Picture1, &Picture2, &Picture3, &Picture8}) fillWithIndices(*p, 1000);
    std::vector<int32_t> times = {0, 1, 16, 4712, 9425, 18850, 394000, 16777216, 16777217, -5000, INT32_MAX, INT32_MIN};
    for (int n = 0; n < 40; ++n) times.push_back(static_cast<int32_t>(rng()));
    for (size_t n = 0; n < times.size(); ++n) {
        SceneSelector = static_cast<int32_t>(n % 2);
        PictureSelector = static_cast<int32_t>((n / 2) % 3);
        SpectrumFeatures.inv44to46 = wildFeature();
        const int32_t ms = times[n];
        expectSameOnEveryPath("rotation at " + std::to_string(ms) + " ms", [ms] { drawRotatingScene(ms); });
    }
}

TEST_F(VectorPaths, ColourMappingMatchesInEveryMapping) {
    if (fastPaths().empty()) GTEST_SKIP() << "no vector path on this processor";
    for (int n = 0; n < 150; ++n) {
        wildFeatures();
        if (n % 4 == 0) {  // features a show meets, where no pixel needs the checked path
            float* f = &SpectrumFeatures.bin1;
            for (size_t k = 0; k < sizeof(SpectrumFeatureSet) / sizeof(float); ++k) f[k] = std::fabs(f[k]) / 1e12f;
            SpectrumFeatures.bin1 = 0.73f;
        }
        wildRows(SceneBuffer);
        wildRows(TrailBuffer);
        const int32_t mapping = n % 5;
        ColourSelector = mapping == 4 ? static_cast<int32_t>(rng() % 5) : (mapping == 3 ? 3 + n % 2 : mapping);
        expectSameOnEveryPath("colour mapping " + std::to_string(mapping) + ", case " + std::to_string(n),
                              [mapping] { mapColours(mapping == 4); });
    }
}

TEST_F(VectorPaths, OutputFrameMatchesAndWritesOnlyWhatTheScalarPathWrites) {
    if (fastPaths().empty()) GTEST_SKIP() << "no vector path on this processor";
    for (int n = 0; n < 60; ++n) {
        wildFeatures();
        wildRows(TrailBuffer);
        for (uint32_t& c : ColourBuffer) c = static_cast<uint32_t>(rng());
        for (uint32_t& p : surface) p = static_cast<uint32_t>(rng());
        ColourSelector = static_cast<int32_t>(n % 5);  // 1 writes every colour column
        // The whole surface is compared, so rows 0..39 and 440..479 and the even colour
        // columns must keep their values on every path.
        expectSameOnEveryPath("output, ColourSelector " + std::to_string(ColourSelector),
                              [this] { outputFrame(surface.data()); });
    }
}

// Whole frames from spectra with values above 1 and below 0, so every scene, mapping and
// selector change comes up; a difference anywhere in a frame or in what later frames
// depend on (trail, generator, selectors) fails.
TEST_F(VectorPaths, RandomisedTracesGiveTheSameFrames) {
    if (fastPaths().empty()) GTEST_SKIP() << "no vector path on this processor";
    loadPictureBank();
    std::vector<float> spectrum(512);
    bool mappings[5] = {}, patterns[3] = {}, peak = false, rotating = false;
    for (int trace = 0; trace < 4; ++trace) {
        resetShowState();
        const float low = trace == 3 ? -1.5f : 0.0f, high = trace == 2 ? 4.0f : 1.0f;
        std::uniform_real_distribution<float> level(low, high);
        for (int f = 0; f < 120; ++f) {
            for (float& s : spectrum) s = level(rng) * (rng() % 3 == 0 ? 1.0f : 0.3f);
            const int32_t ms = f * 17 + trace * 100000;
            FrameRecord want{};
            expectSameOnEveryPath("trace " + std::to_string(trace) + ", frame " + std::to_string(f),
                                  [&] { want = runFrame(spectrum.data(), ms, surface.data()); });
            if (HasFatalFailure()) return;
            mappings[want.mapping] = true;
            if (want.pattern != PatternKind::None) patterns[static_cast<int>(want.pattern)] = true;
            peak |= want.peak;
            rotating |= want.rotatingRow >= 0;
        }
    }
    // The traces must reach every stage, or they compare little.
    for (bool m : mappings) EXPECT_TRUE(m);
    for (bool p : patterns) EXPECT_TRUE(p);
    EXPECT_TRUE(peak);
    EXPECT_TRUE(rotating);
}

TEST(VectorPath, RequestsBeyondTheProcessorAreLowered) {
    EXPECT_EQ(setVectorPath(VectorPath::Avx2), bestVectorPath());
    EXPECT_EQ(setVectorPath(VectorPath::Scalar), VectorPath::Scalar);
    EXPECT_EQ(vectorPath(), VectorPath::Scalar);
    setVectorPath(bestVectorPath());
}

}  // namespace
