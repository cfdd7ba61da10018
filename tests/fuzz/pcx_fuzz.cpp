// libFuzzer target: the PCX decoder through the memory stream. The first
// three bytes choose the picture's size (up to 320x200), the rest is the block.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pictures/pcx_decoder.h"
#include "pictures/read_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4 || size > INT32_MAX) return 0;
    const int32_t width = 1 + (data[0] | data[1] << 8) % 320;
    const int32_t height = 1 + data[2] % 200;
    // The block in a buffer of exactly its size, the picture in one of exactly its own:
    // AddressSanitizer sees any read or write past either.
    const std::vector<uint8_t> block(data + 3, data + size);
    std::vector<int32_t> picture(static_cast<size_t>(width) * static_cast<size_t>(height));
    MemoryStream* stream = openMemoryStream(block.data(), static_cast<int32_t>(block.size()));
    if (!stream) return 0;
    decodePcx(stream, width, height, picture.data());
    delete stream;   // close() releases nothing: the stream is the caller's
    return 0;
}
