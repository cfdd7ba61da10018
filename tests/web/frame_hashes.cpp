// Reads whole 640x480 surfaces (ziv-render --raw) from standard input and
// prints one hash per surface, as the page's replay check reports them.
//
//   ziv-render --trace-in show.trace --raw - --no-progress | web_frame_hashes > hashes.txt
#include <cstdint>
#include <cstdio>
#include <vector>

#include "web/wasm/surface_hash.h"

int main() {
    constexpr size_t kPixels = 640 * 480;
    std::vector<uint32_t> surface(kPixels);
    size_t frames = 0;
    for (;;) {
        const size_t got = std::fread(surface.data(), sizeof(uint32_t), kPixels, stdin);
        if (got == 0) break;
        if (got != kPixels) {
            std::fprintf(stderr, "web_frame_hashes: a partial surface after %zu frames\n", frames);
            return 1;
        }
        std::printf("%016llx\n", static_cast<unsigned long long>(surfaceHash(surface.data(), kPixels)));
        ++frames;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
