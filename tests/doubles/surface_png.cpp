#include "doubles/surface_png.h"

#include <zlib.h>

#include <cstdlib>

namespace {

// zlib at its best level rather than the writer's own deflate: the golden
// frames are committed, and this keeps them near half the size.
unsigned char* deflateBest(unsigned char* data, int length, int* outLength, int /*quality*/) {
    uLongf size = compressBound(static_cast<uLong>(length));
    auto* out = static_cast<unsigned char*>(std::malloc(size));
    if (!out) return nullptr;
    if (compress2(out, &size, data, static_cast<uLong>(length), Z_BEST_COMPRESSION) != Z_OK) {
        std::free(out);
        return nullptr;
    }
    *outLength = static_cast<int>(size);
    return out;
}

}  // namespace

#define STBIW_ZLIB_COMPRESS deflateBest
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
// stb's folder is a system include here, so its own warnings stay out of ours.
#include <stb_image.h>
#include <stb_image_write.h>

bool writeSurfacePng(const std::string& path, const uint32_t* pixels, int width, int height) {
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    for (size_t i = 0; i < rgba.size() / 4; ++i) {
        const uint32_t p = pixels[i];
        rgba[4 * i] = static_cast<unsigned char>(p >> 16);
        rgba[4 * i + 1] = static_cast<unsigned char>(p >> 8);
        rgba[4 * i + 2] = static_cast<unsigned char>(p);
        rgba[4 * i + 3] = static_cast<unsigned char>(255 - (p >> 24));
    }
    // No row filter: the show doubles its columns, and unfiltered rows keep
    // those repeats for the compressor to find.
    stbi_write_force_png_filter = 0;
    return stbi_write_png(path.c_str(), width, height, 4, rgba.data(), width * 4) != 0;
}

bool readSurfacePng(const std::string& path, std::vector<uint32_t>& pixels, int* width, int* height) {
    int w = 0, h = 0, channels = 0;
    unsigned char* rgba = stbi_load(path.c_str(), &w, &h, &channels, 4);
    if (!rgba) return false;
    pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (size_t i = 0; i < pixels.size(); ++i) {
        const unsigned char* p = rgba + 4 * i;
        pixels[i] = static_cast<uint32_t>(255 - p[3]) << 24 | static_cast<uint32_t>(p[0]) << 16 |
                    static_cast<uint32_t>(p[1]) << 8 | p[2];
    }
    stbi_image_free(rgba);
    *width = w;
    *height = h;
    return true;
}
