// The show's 640x480 picture fitted into an output of any size: scaled by the
// same factor across and down (square pixels), nearest neighbour (sharp), in
// the middle, black bars on the two sides it does not reach.
//
//   FrameFit fit;
//   fit.resize(1280, 720, 640, 480);              // output, then picture size
//   fit.copy(pixels, out, strideBytes);           // every output pixel written
//   fit.pictureWidth(), fit.left() ...            // where the picture landed
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class FrameFit {
public:
    // Sizes of 1 or more; the picture keeps at least one pixel each way.
    void resize(int outWidth, int outHeight, int pictureWidth, int pictureHeight);
    // source: pictureWidth x pictureHeight pixels; out: outHeight rows of strideBytes.
    void copy(const uint32_t* source, uint8_t* out, size_t strideBytes) const;

    int outWidth() const { return outWidth_; }
    int outHeight() const { return outHeight_; }
    int pictureWidth() const { return static_cast<int>(columns_.size()); }
    int pictureHeight() const { return static_cast<int>(rows_.size()); }
    int left() const { return left_; }
    int top() const { return top_; }

private:
    int outWidth_ = 0, outHeight_ = 0, sourceWidth_ = 0;
    int left_ = 0, top_ = 0;
    std::vector<int> columns_;   // the source column each picture column shows
    std::vector<int> rows_;      // the source row each picture row shows
};
