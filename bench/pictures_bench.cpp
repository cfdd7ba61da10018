// Picture bank: start-up decoding time and what the embedded blocks weigh.
//   ziv_bench --benchmark_filter=Picture
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "pictures/pcx_decoder.h"
#include "pictures/picture_bank.h"
#include "pictures/picture_blocks.h"

namespace {

double embeddedBytes() {
    int64_t total = 0;
    for (const PictureSource& block : kPictureBlocks) total += block.size;
    return static_cast<double>(total);
}

// All 36 pictures, as the show decodes them once at start-up (target: under 15 ms).
void PictureBankLoad(benchmark::State& state) {
    for (auto _ : state) {
        loadPictureBank();
        benchmark::DoNotOptimize(Picture8[64000 - 1]);
        benchmark::ClobberMemory();
    }
    state.counters["embedded_bytes"] = embeddedBytes();
    state.counters["pictures_per_s"] = benchmark::Counter(36.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(PictureBankLoad)->Unit(benchmark::kMillisecond);

// One block at a time: the fine noise compresses worst, the almost black picture best.
void PictureDecodeOneBlock(benchmark::State& state) {
    const PictureSource& block = kPictureBlocks[state.range(0) - 1];
    std::vector<int32_t> picture(kPicturePixels);
    for (auto _ : state) {
        MemoryStream stream(block.data, block.size);
        decodePcx(&stream, kPictureWidth, kPictureHeight, picture.data());
        benchmark::DoNotOptimize(picture.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * block.size);
    state.counters["block_bytes"] = block.size;
}
BENCHMARK(PictureDecodeOneBlock)->Arg(5)->Arg(35)->Unit(benchmark::kMicrosecond);

}  // namespace
