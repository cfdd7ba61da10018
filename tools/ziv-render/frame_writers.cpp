#include "tools/ziv-render/frame_writers.h"

#include <bit>
#include <cstdio>
#include <cstring>

#include <zlib.h>

#include <cstdlib>

namespace {
// stb's own deflate searches hard and slowly; zlib at its fastest level makes a PNG of a
// frame several times sooner, for a somewhat larger file. The buffer is freed by stb
// with free().
unsigned char* deflateWithZlib(unsigned char* data, int length, int* outLength, int /*quality*/) {
    uLongf size = compressBound(static_cast<uLong>(length));
    auto* out = static_cast<unsigned char*>(std::malloc(size));
    if (!out) return nullptr;
    if (compress2(out, &size, data, static_cast<uLong>(length), Z_BEST_SPEED) != Z_OK) {
        std::free(out);
        return nullptr;
    }
    *outLength = static_cast<int>(size);
    return out;
}
}  // namespace

// Private to this file, so no other part of the program can clash with it.
#define STBIW_ZLIB_COMPRESS deflateWithZlib
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

std::string y4mHeader(int fps) {
    // 4:4:4 keeps the colour of every column: the show writes odd and even columns differently.
    return "YUV4MPEG2 W" + std::to_string(kSurfaceWidth) + " H" + std::to_string(kSurfaceHeight) + " F" +
           std::to_string(fps) + ":1 Ip A1:1 C444 XCOLORRANGE=LIMITED\n";
}

void rgbToYCbCr(uint32_t pixel, uint8_t* y, uint8_t* cb, uint8_t* cr) {
    const int r = static_cast<int>((pixel >> 16) & 0xFF);
    const int g = static_cast<int>((pixel >> 8) & 0xFF);
    const int b = static_cast<int>(pixel & 0xFF);
    // Arithmetic shifts of negative values are defined since C++20.
    *y = static_cast<uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
    *cb = static_cast<uint8_t>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
    *cr = static_cast<uint8_t>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
}

void encodeY4mFrame(const uint32_t* surface, uint8_t* out) {
    std::memcpy(out, "FRAME\n", 6);
    uint8_t* y = out + 6;
    uint8_t* cb = y + kSurfacePixels;
    uint8_t* cr = cb + kSurfacePixels;
    for (int i = 0; i < kSurfacePixels; ++i) rgbToYCbCr(surface[i], &y[i], &cb[i], &cr[i]);
}

void encodeRawFrame(const uint32_t* surface, uint8_t* out) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, surface, kRawFrameBytes);
    } else {
        for (int i = 0; i < kSurfacePixels; ++i) {
            const uint32_t v = surface[i];
            out[4 * i] = static_cast<uint8_t>(v);
            out[4 * i + 1] = static_cast<uint8_t>(v >> 8);
            out[4 * i + 2] = static_cast<uint8_t>(v >> 16);
            out[4 * i + 3] = static_cast<uint8_t>(v >> 24);
        }
    }
}

namespace {

void appendToVector(void* context, void* data, int size) {
    auto* v = static_cast<std::vector<uint8_t>*>(context);
    const auto* p = static_cast<const uint8_t*>(data);
    v->insert(v->end(), p, p + size);
}

}  // namespace

bool encodePng(const uint32_t* surface, std::vector<uint8_t>& png) {
    std::vector<uint8_t> rgb(static_cast<size_t>(kSurfacePixels) * 3);
    for (int i = 0; i < kSurfacePixels; ++i) {
        rgb[3 * i] = static_cast<uint8_t>(surface[i] >> 16);
        rgb[3 * i + 1] = static_cast<uint8_t>(surface[i] >> 8);
        rgb[3 * i + 2] = static_cast<uint8_t>(surface[i]);
    }
    png.clear();
    return stbi_write_png_to_func(appendToVector, &png, kSurfaceWidth, kSurfaceHeight, 3, rgb.data(),
                                  kSurfaceWidth * 3) != 0;
}

std::string pngFrameName(int64_t frame) {
    char name[40];
    std::snprintf(name, sizeof name, "frame-%06lld.png", static_cast<long long>(frame));
    return name;
}

bool isFrameFileName(const std::string& name) {
    const std::string head = "frame-", tail = ".png";
    if (name.size() < head.size() + 6 + tail.size() || name.compare(0, head.size(), head) != 0 ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    for (size_t i = head.size(); i < name.size() - tail.size(); ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}
