// Writes the rotating scene's cos (float) and sin (double) of every elapsedMs
// in a range, as this build computes them, for the page to compare with its own.
//
//   web_angle_table FIRST COUNT FILE
//
// File: int32 first, int32 count, count float32 cosines, count float64 sines,
// little-endian (the only byte order either build runs on).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "scenes/rotating_scene.h"
#include "scenes/scene_constants.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: web_angle_table FIRST COUNT FILE\n");
        return 2;
    }
    const int32_t first = static_cast<int32_t>(std::strtol(argv[1], nullptr, 10));
    const int32_t count = static_cast<int32_t>(std::strtol(argv[2], nullptr, 10));
    if (count <= 0 || count > 10'000'000) {
        std::fprintf(stderr, "web_angle_table: count '%s' must be 1..10000000\n", argv[2]);
        return 2;
    }
    std::vector<float> cosines(static_cast<size_t>(count));
    std::vector<double> sines(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        const RotationTerms t = rotationTerms(static_cast<float>(first + i), kRotationDivisor);
        cosines[i] = t.cosine;
        sines[i] = t.sine;
    }
    FILE* f = std::fopen(argv[3], "wb");
    if (!f) {
        std::perror("web_angle_table");
        return 1;
    }
    bool ok = std::fwrite(&first, 4, 1, f) == 1 && std::fwrite(&count, 4, 1, f) == 1 &&
              std::fwrite(cosines.data(), 4, cosines.size(), f) == cosines.size() &&
              std::fwrite(sines.data(), 8, sines.size(), f) == sines.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) std::fprintf(stderr, "web_angle_table: cannot write '%s'\n", argv[3]);
    return ok ? 0 : 1;
}
