#include "tools/ziv-pictures/pcx_writer.h"

namespace {

void put16(std::vector<uint8_t>& out, std::size_t at, int value) {
    out[at] = static_cast<uint8_t>(value & 0xFF);
    out[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

}  // namespace

std::vector<uint8_t> encodePcx(const Grey& picture) {
    std::vector<uint8_t> out(128, 0);
    out[0] = 0x0A;  // manufacturer
    out[1] = 5;     // version
    out[2] = 1;     // run-length encoding
    out[3] = 8;     // bits per pixel
    put16(out, 4, 0);
    put16(out, 6, 0);
    put16(out, 8, kWidth - 1);
    put16(out, 10, kHeight - 1);
    put16(out, 12, 72);  // resolution
    put16(out, 14, 72);
    out[65] = 1;  // one plane
    put16(out, 66, kWidth);
    put16(out, 68, 2);  // greyscale palette
    for (int y = 0; y < kHeight; ++y) {
        const uint8_t* row = picture.data() + y * kWidth;
        int x = 0;
        while (x < kWidth) {
            const uint8_t v = row[x];
            int run = 1;
            while (x + run < kWidth && run < 63 && row[x + run] == v) ++run;
            // Values of 192 and up collide with the run flag: they always go as runs.
            if (run > 1 || v >= 0xC0) {
                out.push_back(static_cast<uint8_t>(0xC0 | run));
                out.push_back(v);
            } else {
                out.push_back(v);
            }
            x += run;
        }
    }
    out.push_back(0x0C);
    for (int i = 0; i < 256; ++i) {
        for (int k = 0; k < 3; ++k) out.push_back(static_cast<uint8_t>(i));
    }
    return out;
}
