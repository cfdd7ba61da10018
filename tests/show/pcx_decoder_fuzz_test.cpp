// Thousands of random and truncated blocks: the decoder stays inside its picture,
// ends on every input, and agrees with a plain expansion of the codes.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "pictures/pcx_decoder.h"
#include "pictures/picture_blocks.h"

namespace {

constexpr int32_t kCanary = 0x3C3C3C3C;
constexpr size_t kGuard = 64;

// The codes spelled out value by value, independently of the decoder: what the
// first total pixels must hold, as far as the block reaches.
std::vector<int32_t> expand(const std::vector<uint8_t>& block, size_t total) {
    std::vector<int32_t> out;
    size_t at = kPcxHeaderSize;
    while (out.size() < total && at < block.size()) {
        const uint8_t code = block[at++];
        if (code < 0xC0) {
            out.push_back(code);
        } else if (at < block.size()) {
            out.insert(out.end(), code - 0xC0u, block[at++]);
        } else {
            break;
        }
    }
    if (out.size() > total) out.resize(total);
    return out;
}

void checkDecode(const std::vector<uint8_t>& block, int32_t width, int32_t height) {
    const size_t total = width > 0 && height > 0 ? static_cast<size_t>(width) * static_cast<size_t>(height) : 0;
    // The picture itself sits in a buffer of exactly its size, so that AddressSanitizer
    // sees any stray write; canaries around a copy catch it without the sanitizer.
    std::vector<int32_t> guarded(total + 2 * kGuard, kCanary);
    std::unique_ptr<int32_t[]> exact(new int32_t[total == 0 ? 1 : total]);
    std::fill(exact.get(), exact.get() + (total == 0 ? 1 : total), kCanary);
    MemoryStream first(block.data(), static_cast<int32_t>(block.size()));
    decodePcx(&first, width, height, guarded.data() + kGuard);
    for (size_t i = 0; i < kGuard; ++i) {
        ASSERT_EQ(guarded[i], kCanary) << "write before the picture";
        ASSERT_EQ(guarded[kGuard + total + i], kCanary) << "write after the picture";
    }
    MemoryStream second(block.data(), static_cast<int32_t>(block.size()));
    decodePcx(&second, width, height, exact.get());
    const std::vector<int32_t> expected = expand(block, total);
    for (size_t i = 0; i < total; ++i) {
        const int32_t want = i < expected.size() ? expected[i] : kCanary;
        ASSERT_EQ(guarded[kGuard + i], want) << "pixel " << i << " of " << width << " x " << height;
        ASSERT_EQ(exact[i], want) << "pixel " << i;
    }
}

}  // namespace

TEST(DecoderFuzz, RandomBlocksStayInsideThePicture) {
    std::mt19937 rng(20261208u);
    for (int round = 0; round < 4000; ++round) {
        const size_t length = rng() % 1200;
        std::vector<uint8_t> block(length);
        // Mostly run codes, so that runs overshoot and empty runs come up often.
        for (uint8_t& b : block) b = static_cast<uint8_t>(rng() % 3 == 0 ? rng() % 256 : 0xC0 + rng() % 64);
        const auto width = static_cast<int32_t>(rng() % 70) - 5;
        const auto height = static_cast<int32_t>(rng() % 40) - 5;
        ASSERT_NO_FATAL_FAILURE(checkDecode(block, width, height)) << "round " << round;
    }
}

TEST(DecoderFuzz, TruncatedRealBlocksDecodeAsFarAsTheyGo) {
    std::mt19937 rng(4242u);
    for (int round = 0; round < 300; ++round) {
        const PictureSource& source = kPictureBlocks[rng() % kPictureBlockCount];
        const size_t keep = 1 + rng() % static_cast<size_t>(source.size);
        std::vector<uint8_t> block(source.data, source.data + keep);
        // Now and then a byte of the codes is garbled too.
        if (keep > kPcxHeaderSize && rng() % 2 == 0) block[kPcxHeaderSize + rng() % (keep - kPcxHeaderSize)] = static_cast<uint8_t>(rng());
        ASSERT_NO_FATAL_FAILURE(checkDecode(block, 320, 200)) << "round " << round << ", " << keep << " bytes";
    }
}
