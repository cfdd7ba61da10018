// The in-memory stream: seek clamps, whole-element reads, null results.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <numeric>
#include <vector>

#include "pictures/read_stream.h"

namespace {

std::array<uint8_t, 10> tenBytes() {
    std::array<uint8_t, 10> b{};
    std::iota(b.begin(), b.end(), uint8_t{100});
    return b;
}

}  // namespace

TEST(Stream, OpensAtStartAndRefusesNullOrEmptyBlocks) {
    const auto block = tenBytes();
    MemoryStream* s = openMemoryStream(block.data(), 10);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->data, block.data());
    EXPECT_EQ(s->size, 10);
    EXPECT_EQ(s->position, 0);
    delete s;
    EXPECT_EQ(openMemoryStream(block.data(), 0), nullptr);
    EXPECT_EQ(openMemoryStream(block.data(), -1), nullptr);
    EXPECT_EQ(openMemoryStream(block.data(), INT32_MIN), nullptr);
    EXPECT_EQ(openMemoryStream(nullptr, 10), nullptr);
}

TEST(Stream, SeekFromEndStopsAtLastByteAndOnlyReadReachesSize) {
    const auto block = tenBytes();
    MemoryStream s(block.data(), 10);
    EXPECT_EQ(s.seek(0, kSeekFromEnd), 9);
    uint8_t byte = 0;
    EXPECT_EQ(s.read(&byte, 1, 1), 1u);
    EXPECT_EQ(byte, 109);
    EXPECT_EQ(s.position, 10);
    byte = 7;
    EXPECT_EQ(s.read(&byte, 1, 1), 0u);
    EXPECT_EQ(byte, 7) << "a read at the end must leave its destination alone";
    EXPECT_EQ(s.position, 10);
    // Seeking from the end of a fully read stream comes back to the last byte.
    EXPECT_EQ(s.seek(0, kSeekFromCurrent), 9);
}

TEST(Stream, SeekOriginsAndClamps) {
    const auto block = tenBytes();
    MemoryStream s(block.data(), 10);
    struct Case {
        int32_t start, offset, origin, expected;
    };
    const Case cases[] = {
        {0, -5, kSeekFromStart, 0}, {0, 100, kSeekFromStart, 9}, {0, 10, kSeekFromStart, 9},
        {0, 9, kSeekFromStart, 9},  {0, 3, 7, 3},                {5, 3, -1, 3},
        {4, 2, kSeekFromCurrent, 6}, {4, -9, kSeekFromCurrent, 0}, {4, 5, kSeekFromCurrent, 9},
        {4, -1, kSeekFromEnd, 9},   {4, -10, kSeekFromEnd, 0},    {4, -11, kSeekFromEnd, 0},
        {4, -3, kSeekFromEnd, 7},
        // Sums that leave the 32-bit range still clamp instead of wrapping around.
        {5, INT32_MAX, kSeekFromCurrent, 9}, {5, INT32_MIN, kSeekFromCurrent, 0},
        {5, INT32_MAX, kSeekFromEnd, 9},     {5, INT32_MIN, kSeekFromEnd, 0},
    };
    for (const Case& c : cases) {
        s.position = c.start;
        EXPECT_EQ(s.seek(c.offset, c.origin), c.expected)
            << "from " << c.start << ", seek(" << c.offset << ", " << c.origin << ")";
        EXPECT_EQ(s.position, c.expected);
    }
}

TEST(Stream, ReadCopiesWholeElementsOnly) {
    const auto block = tenBytes();
    MemoryStream s(block.data(), 10);
    std::array<uint8_t, 12> dest{};
    dest.fill(0xEE);
    EXPECT_EQ(s.read(dest.data(), 4, 3), 2u);
    EXPECT_EQ(s.position, 8);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(dest[static_cast<size_t>(i)], 100 + i);
    EXPECT_EQ(dest[8], 0xEE) << "a trailing partial element must not be copied";
    dest.fill(0xEE);
    EXPECT_EQ(s.read(dest.data(), 4, 1), 0u);
    EXPECT_EQ(dest[0], 0xEE);
    EXPECT_EQ(s.position, 8);
    // What is left still comes out in smaller elements.
    EXPECT_EQ(s.read(dest.data(), 1, 5), 2u);
    EXPECT_EQ(dest[0], 108);
    EXPECT_EQ(dest[1], 109);
    EXPECT_EQ(dest[2], 0xEE);
}

TEST(Stream, ReadsTheHeaderInOrder) {
    std::vector<uint8_t> block(300);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7 + 3);
    MemoryStream s(block.data(), 300);
    std::array<uint8_t, 128> header{};
    EXPECT_EQ(s.read(header.data(), 1, 128), 128u);
    EXPECT_EQ(s.position, 128);
    for (size_t i = 0; i < header.size(); ++i) ASSERT_EQ(header[i], block[i]) << "byte " << i;
}

TEST(Stream, OddRequestsNeitherDivideByZeroNorWrap) {
    const auto block = tenBytes();
    MemoryStream s(block.data(), 10);
    std::array<uint8_t, 10> dest{};
    EXPECT_EQ(s.read(dest.data(), 0, 5), 0u);
    EXPECT_EQ(s.position, 0);
    EXPECT_EQ(s.read(dest.data(), 3, 0), 0u);
    EXPECT_EQ(s.position, 0);
    // 2 x 0x80000001 wraps to 2 in 32 bits; the stream must see the real request.
    EXPECT_EQ(s.read(dest.data(), 2, 0x80000001u), 5u);
    EXPECT_EQ(s.position, 10);
    EXPECT_EQ(dest[9], 109);
}

TEST(Stream, CloseChangesNothingAndTheStreamStaysReadable) {
    const auto block = tenBytes();
    MemoryStream s(block.data(), 10);
    s.seek(4, kSeekFromStart);
    ReadStream& r = s;  // the decoder's view
    EXPECT_EQ(r.close(), 0);
    EXPECT_EQ(s.position, 4);
    EXPECT_EQ(s.data, block.data());
    EXPECT_EQ(s.size, 10);
    uint8_t byte = 0;
    EXPECT_EQ(r.read(&byte, 1, 1), 1u);
    EXPECT_EQ(byte, 104);
}

TEST(Stream, StreamOverNoBytesNeverReadsOutsideTheBlock) {
    // openMemoryStream never makes one, but the object itself stays safe.
    const uint8_t byte = 0x42;
    MemoryStream s(&byte, 0);
    EXPECT_EQ(s.seek(0, kSeekFromStart), 0);
    EXPECT_EQ(s.seek(5, kSeekFromEnd), 0);
    uint8_t dest = 9;
    EXPECT_EQ(s.read(&dest, 1, 1), 0u);
    EXPECT_EQ(dest, 9);
}
