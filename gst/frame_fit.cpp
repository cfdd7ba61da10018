#include "gst/frame_fit.h"

#include <algorithm>
#include <cstring>

namespace {

// Nearest neighbour by pixel centres: output pixel i of n covers source
// pixel (2i + 1) x size / 2n, so an equal size maps each pixel to itself and a
// whole factor repeats each source pixel exactly that many times.
std::vector<int> sourceIndices(int count, int sourceSize) {
    std::vector<int> indices(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        indices[static_cast<size_t>(i)] =
            static_cast<int>((2 * static_cast<int64_t>(i) + 1) * sourceSize / (2 * static_cast<int64_t>(count)));
    return indices;
}

}  // namespace

void FrameFit::resize(int outWidth, int outHeight, int pictureWidth, int pictureHeight) {
    outWidth_ = std::max(outWidth, 1);
    outHeight_ = std::max(outHeight, 1);
    sourceWidth_ = pictureWidth;
    // The smaller of the two factors, compared exactly in integers: W / pw <= H / ph.
    int64_t width, height;
    if (static_cast<int64_t>(outWidth_) * pictureHeight <= static_cast<int64_t>(outHeight_) * pictureWidth) {
        width = outWidth_;
        height = static_cast<int64_t>(outWidth_) * pictureHeight / pictureWidth;
    } else {
        height = outHeight_;
        width = static_cast<int64_t>(outHeight_) * pictureWidth / pictureHeight;
    }
    width = std::clamp<int64_t>(width, 1, outWidth_);
    height = std::clamp<int64_t>(height, 1, outHeight_);
    left_ = static_cast<int>((outWidth_ - width) / 2);
    top_ = static_cast<int>((outHeight_ - height) / 2);
    columns_ = sourceIndices(static_cast<int>(width), pictureWidth);
    rows_ = sourceIndices(static_cast<int>(height), pictureHeight);
}

void FrameFit::copy(const uint32_t* source, uint8_t* out, size_t strideBytes) const {
    const size_t rowBytes = static_cast<size_t>(outWidth_) * sizeof(uint32_t);
    const int width = pictureWidth();
    const bool same = width == sourceWidth_;
    for (int y = 0; y < outHeight_; ++y) {
        uint8_t* line = out + static_cast<size_t>(y) * strideBytes;
        const int row = y - top_;
        if (row < 0 || row >= pictureHeight()) {
            std::memset(line, 0, rowBytes);
            continue;
        }
        const uint32_t* from = source + static_cast<size_t>(rows_[static_cast<size_t>(row)]) * sourceWidth_;
        auto* pixels = reinterpret_cast<uint32_t*>(line);
        std::fill(pixels, pixels + left_, 0u);
        if (same) {
            std::memcpy(pixels + left_, from, static_cast<size_t>(width) * sizeof(uint32_t));
        } else {
            for (int x = 0; x < width; ++x) pixels[left_ + x] = from[columns_[static_cast<size_t>(x)]];
        }
        std::fill(pixels + left_ + width, pixels + outWidth_, 0u);
    }
}
