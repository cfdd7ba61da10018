// The run-length decoder on small hand-made blocks.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pictures/pcx_decoder.h"
#include "pictures/read_stream.h"

namespace {

constexpr int32_t kCanary = 0x5A5A5A5A;
constexpr size_t kGuard = 16;

// A block: a header of garbage (the decoder must not look at it), the codes, a trailer.
std::vector<uint8_t> block(const std::vector<uint8_t>& codes, const std::vector<uint8_t>& trailer = {}) {
    std::vector<uint8_t> b(kPcxHeaderSize, 0xEE);
    b.insert(b.end(), codes.begin(), codes.end());
    b.insert(b.end(), trailer.begin(), trailer.end());
    return b;
}

// A destination with canary words on both sides of the picture.
struct Guarded {
    explicit Guarded(size_t pixels) : words(pixels + 2 * kGuard, kCanary), size(pixels) {}
    int32_t* picture() { return words.data() + kGuard; }
    int32_t at(size_t i) const { return words[kGuard + i]; }
    bool guardsIntact() const {
        for (size_t i = 0; i < kGuard; ++i) {
            if (words[i] != kCanary || words[kGuard + size + i] != kCanary) return false;
        }
        return true;
    }
    std::vector<int32_t> words;
    size_t size;
};

struct Decoded {
    Guarded pixels;
    int32_t position;  // where the stream was left
};

Decoded decode(const std::vector<uint8_t>& bytes, int32_t width, int32_t height) {
    const size_t pixels = width > 0 && height > 0 ? static_cast<size_t>(width) * static_cast<size_t>(height) : 0;
    Decoded d{Guarded(pixels), 0};
    MemoryStream s(bytes.data(), static_cast<int32_t>(bytes.size()));
    decodePcx(&s, width, height, d.pixels.picture());
    d.position = s.position;
    return d;
}

// Records how the decoder drives its stream.
class RecordingStream final : public ReadStream {
public:
    explicit RecordingStream(const std::vector<uint8_t>& bytes) : inner_(bytes.data(), static_cast<int32_t>(bytes.size())) {}
    int32_t seek(int32_t offset, int32_t origin) override {
        log += "seek(" + std::to_string(offset) + "," + std::to_string(origin) + ") ";
        return inner_.seek(offset, origin);
    }
    uint32_t read(void* destination, uint32_t elementSize, uint32_t elementCount) override {
        if (elementSize == 1 && elementCount == 1) {
            ++singleReads;
        } else {
            log += "read(" + std::to_string(elementSize) + "," + std::to_string(elementCount) + ") ";
        }
        return inner_.read(destination, elementSize, elementCount);
    }
    int32_t close() override {
        log += "close ";
        ++closes;
        return inner_.close();
    }
    std::string log;
    int singleReads = 0;
    int closes = 0;

private:
    MemoryStream inner_;
};

}  // namespace

TEST(Decoder, LiteralsAndRunsGiveTheirValues) {
    // 0xBF: literal 191; 0xC1 0xC8: a single 200; 0xC5 0x80: five 128s; 0x00: literal 0.
    const auto d = decode(block({0xBF, 0xC1, 0xC8, 0xC5, 0x80, 0x00, 0x07}), 10, 1);
    const int32_t expected[10] = {191, 200, 128, 128, 128, 128, 128, 0, 7, kCanary};
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(d.pixels.at(i), expected[i]) << "pixel " << i;
    EXPECT_EQ(d.pixels.at(9), kCanary) << "the block ended before the last pixel";
    EXPECT_TRUE(d.pixels.guardsIntact());
}

TEST(Decoder, LongestRunFillsSixtyThreePixelsWithAnyValue) {
    const auto d = decode(block({0xFF, 0xFE, 0x01}), 64, 1);
    for (size_t i = 0; i < 63; ++i) ASSERT_EQ(d.pixels.at(i), 0xFE) << "pixel " << i;
    EXPECT_EQ(d.pixels.at(63), 1);
    EXPECT_TRUE(d.pixels.guardsIntact());
}

TEST(Decoder, EmptyRunWritesNothingAndDecodingGoesOn) {
    const auto d = decode(block({0xC0, 0x55, 0x03, 0xC0, 0xFF, 0xC2, 0x09}), 3, 1);
    EXPECT_EQ(d.pixels.at(0), 3);
    EXPECT_EQ(d.pixels.at(1), 9);
    EXPECT_EQ(d.pixels.at(2), 9);
    EXPECT_EQ(d.position, kPcxHeaderSize + 7);
    EXPECT_TRUE(d.pixels.guardsIntact());
}

TEST(Decoder, RunsCrossRowEndsAsOneSequence) {
    const auto d = decode(block({0xC6, 0x05, 0x01, 0x02}), 4, 2);
    const int32_t expected[8] = {5, 5, 5, 5, 5, 5, 1, 2};
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(d.pixels.at(i), expected[i]) << "pixel " << i;
}

TEST(Decoder, RunPastTheLastPixelIsCutAndNothingMoreIsRead) {
    // 63990 literal pixels, then a run of 20 from index 63990.
    std::vector<uint8_t> codes;
    for (int i = 0; i < 63990; ++i) codes.push_back(static_cast<uint8_t>(i % 191));
    codes.push_back(0xC0 + 20);
    codes.push_back(0xAB);
    const auto bytes = block(codes, {0x0C, 0x99, 0x99});
    const auto d = decode(bytes, 320, 200);
    for (size_t i = 63990; i < 64000; ++i) EXPECT_EQ(d.pixels.at(i), 0xAB) << "pixel " << i;
    EXPECT_EQ(d.pixels.at(63989), 63989 % 191);
    EXPECT_TRUE(d.pixels.guardsIntact()) << "the run wrote past the picture";
    EXPECT_EQ(d.position, kPcxHeaderSize + static_cast<int32_t>(codes.size())) << "the trailer must stay unread";
}

TEST(Decoder, TrailerNeverAffectsThePicture) {
    const std::vector<uint8_t> codes = {0xC3, 0x10, 0x20};
    const auto a = decode(block(codes, std::vector<uint8_t>(769, 0x0C)), 2, 2);
    const auto b = decode(block(codes, {0xC2, 0x77, 0x01}), 2, 2);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(a.pixels.at(i), b.pixels.at(i)) << "pixel " << i;
    EXPECT_EQ(a.pixels.at(3), 0x20);
}

TEST(Decoder, BlockEndingEarlyLeavesTheRestUntouched) {
    // The block ends inside a run: its code byte came but its value did not.
    const auto d = decode(block({0x01, 0x02, 0xC4}), 10, 10);
    EXPECT_EQ(d.pixels.at(0), 1);
    EXPECT_EQ(d.pixels.at(1), 2);
    for (size_t i = 2; i < 100; ++i) ASSERT_EQ(d.pixels.at(i), kCanary) << "pixel " << i;
    EXPECT_TRUE(d.pixels.guardsIntact());
    // A block of nothing but a header decodes to nothing.
    const auto empty = decode(block({}), 320, 200);
    EXPECT_EQ(empty.pixels.at(0), kCanary);
    // A block shorter than its header, too.
    const auto shortBlock = decode(std::vector<uint8_t>(50, 0x42), 5, 5);
    EXPECT_EQ(shortBlock.pixels.at(0), kCanary);
}

TEST(Decoder, NoPixelsForSizesOfZeroOrLess) {
    const auto bytes = block({0x01, 0x02, 0x03, 0x04, 0x05});
    const int32_t sizes[][2] = {{0, 200}, {320, 0}, {-1, 5}, {5, -1}, {-2, -2}, {INT32_MIN, -1}};
    for (const auto& size : sizes) {
        RecordingStream s(bytes);
        Guarded g(4);
        decodePcx(&s, size[0], size[1], g.picture());
        EXPECT_EQ(s.log, "seek(0,0) read(1,128) close ") << size[0] << " x " << size[1];
        EXPECT_EQ(s.singleReads, 0);
        for (size_t i = 0; i < 4; ++i) EXPECT_EQ(g.at(i), kCanary);
        EXPECT_TRUE(g.guardsIntact());
    }
}

TEST(Decoder, SeeksToTheStartReadsOneByteAtATimeAndClosesOnce) {
    const auto bytes = block({0x11, 0xC3, 0x22, 0x33});
    RecordingStream s(bytes);
    s.seek(60, kSeekFromStart);  // left mid-header by someone else
    s.log.clear();
    Guarded g(5);
    decodePcx(&s, 5, 1, g.picture());
    EXPECT_EQ(s.log, "seek(0,0) read(1,128) close ");
    EXPECT_EQ(s.singleReads, 4);
    EXPECT_EQ(s.closes, 1);
    const int32_t expected[5] = {0x11, 0x22, 0x22, 0x22, 0x33};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(g.at(i), expected[i]);
}

TEST(Decoder, NullStreamWritesNothing) {
    Guarded g(4);
    decodePcx(nullptr, 2, 2, g.picture());
    EXPECT_EQ(g.at(0), kCanary);
    EXPECT_TRUE(g.guardsIntact());
}
