#include "pictures/pcx_decoder.h"

void decodePcx(ReadStream* stream, int32_t width, int32_t height, int32_t* destination) {
    if (stream == nullptr) return;
    stream->seek(0, kSeekFromStart);
    uint8_t header[kPcxHeaderSize];
    stream->read(header, 1, kPcxHeaderSize);  // skipped: every field is known in advance

    // A side of zero or less holds no pixels at all, whatever the product's sign.
    const int64_t total = (width > 0 && height > 0) ? int64_t{width} * height : 0;
    int64_t count = 0;
    while (count < total) {
        uint8_t code = 0;
        // A block that ends before the picture is full stops the decoding: the
        // rest of the picture keeps what it held.
        if (stream->read(&code, 1, 1) != 1) break;
        if (code < kPcxRunFlag) {
            destination[count] = code;
            ++count;
            continue;
        }
        const int64_t length = code - kPcxRunFlag;
        uint8_t value = 0;
        if (stream->read(&value, 1, 1) != 1) break;
        // The run is cut at the end of the picture; an empty run writes nothing.
        const int64_t end = count + length < total ? count + length : total;
        for (int64_t i = count; i < end; ++i) destination[i] = value;
        count += length;
    }
    stream->close();
}
