// Presents a known picture through the real console until a key or a close
// request arrives, for the end-to-end checks of scaling and letterboxing.
//
//   console_pattern fullscreen|fullscreen-integer|windowed|rows expected.ppm
//   console_pattern frame surface.raw
//
// fullscreen fills the screen as the console does by default ("scale fit"),
// fullscreen-integer grows by whole factors only. rows is full screen with a
// picture of rows instead: row k is pure red, green or blue by k % 3, so every
// row's share of the screen can be read back from one colour channel.
// frame presents a surface ziv-render wrote (--raw: 640x480 little-endian
// 0x00RRGGBB) full screen, as the show would, for pictures of the show.
// Otherwise writes the picture as it should look (low 24 bits of every pixel) to
// expected.ppm, prints "presented" after the first frames, and exits with
// the code of the key that ended it (27 for Escape or a close request),
// or 1 after reporting a console error.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/pixel_console.h"

namespace {

bool rows = false;

uint32_t patternPixel(int x, int y) {
    if (rows) return 0xA5000000u | 0xFFu << (16 - 8 * (y % 3));
    const uint32_t red = static_cast<uint32_t>(x * 255 / 639);
    const uint32_t green = static_cast<uint32_t>(y * 255 / 479);
    const uint32_t blue = ((x ^ y) & 1) ? 0xF0u : 0x10u;  // one-pixel checks: any smoothing shows
    return 0xA5000000u | red << 16 | green << 8 | blue;    // the top byte must never show
}

std::vector<uint32_t> given;  // frame: the surface to present

bool readFrame(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    given.resize(640 * 480);
    unsigned char bytes[4];
    bool ok = true;
    for (uint32_t& p : given) {
        if (std::fread(bytes, 1, 4, f) != 4) { ok = false; break; }
        p = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    }
    std::fclose(f);
    return ok;
}

bool writeExpected(const char* path) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n640 480\n255\n");
    std::vector<unsigned char> row(640 * 3);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const uint32_t p = patternPixel(x, y);
            row[x * 3 + 0] = static_cast<unsigned char>(p >> 16);
            row[x * 3 + 1] = static_cast<unsigned char>(p >> 8);
            row[x * 3 + 2] = static_cast<unsigned char>(p);
        }
        std::fwrite(row.data(), 1, row.size(), f);
    }
    return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* mode = argc == 3 ? argv[1] : "";
    const bool windowed = std::strcmp(mode, "windowed") == 0;
    const bool integer = std::strcmp(mode, "fullscreen-integer") == 0;
    rows = std::strcmp(mode, "rows") == 0;
    const bool showFrame = std::strcmp(mode, "frame") == 0;
    if (!windowed && !integer && !rows && !showFrame && std::strcmp(mode, "fullscreen") != 0) {
        std::fprintf(stderr, "usage: console_pattern fullscreen|fullscreen-integer|windowed|rows expected.ppm\n"
                             "       console_pattern frame surface.raw\n");
        return 2;
    }
    if (showFrame && !readFrame(argv[2])) {
        std::fprintf(stderr, "console_pattern: cannot read a 640x480 surface from '%s'\n", argv[2]);
        return 2;
    }
    if (!showFrame && !writeExpected(argv[2])) {
        std::fprintf(stderr, "console_pattern: cannot write '%s'\n", argv[2]);
        return 2;
    }
    try {
        PixelConsole console;
        ConsoleFormat format(32, 0xFF0000, 0xFF00, 0xFF, 0);
        console.option(windowed ? "windowed output" : "fullscreen output");
        if (integer) console.option("scale integer");
        console.option("hide cursor");
        console.open("ziv", 640, 480, format, 0);
        ConsoleSurface surface(console.width(), console.height(), format);
        auto* pixels = static_cast<uint32_t*>(surface.lock());
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) pixels[y * 640 + x] = showFrame ? given[y * 640 + x] : patternPixel(x, y);
        surface.unlock();
        for (long frame = 1;; ++frame) {
            surface.copy(console);
            console.update();
            if (frame == 10) {
                std::printf("presented\n");
                std::fflush(stdout);
            }
            if (console.key()) {
                const int code = console.read().code();
                console.close();
                return code & 0xFF;
            }
        }
    } catch (const ptc::DynamicError& error) {
        error.report();
        return 1;
    }
}
