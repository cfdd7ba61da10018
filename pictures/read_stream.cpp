#include "pictures/read_stream.h"

#include <cstring>
#include <new>

MemoryStream* openMemoryStream(const uint8_t* data, int32_t size) {
    if (data == nullptr || size <= 0) return nullptr;
    return new (std::nothrow) MemoryStream(data, size);
}

int32_t MemoryStream::seek(int32_t offset, int32_t origin) {
    // Sums are taken in 64 bits so that no offset, however large, can overflow
    // before the clamp brings it back into the block.
    int64_t target = offset;
    if (origin == kSeekFromCurrent) target += position;
    else if (origin == kSeekFromEnd) target += size;
    // Never past the last byte: a seek always lands on a byte that can be read,
    // so a used-up stream shows only as a read that returns 0. The lower clamp
    // comes last so that even a stream made over no bytes stays at 0.
    if (target >= size) target = size - 1;
    if (target < 0) target = 0;
    position = static_cast<int32_t>(target);
    return position;
}

uint32_t MemoryStream::read(void* destination, uint32_t elementSize, uint32_t elementCount) {
    // An element of no bytes has no whole elements to copy (and must not be divided by).
    if (elementSize == 0) return 0;
    // The full product, not a 32-bit one that wraps: the request never exceeds
    // what the caller's destination holds, and what is left bounds it anyway.
    const uint64_t requested = uint64_t{elementSize} * elementCount;
    if (position < 0 || position >= size) return 0;
    const uint64_t remaining = static_cast<uint64_t>(size - position);
    const uint64_t bytes = requested < remaining ? requested : remaining;
    const uint64_t whole = bytes / elementSize;
    if (whole == 0) return 0;
    const uint64_t copied = whole * elementSize;
    // The decoder reads one byte at a time: that case skips the library call.
    if (copied == 1) *static_cast<uint8_t*>(destination) = data[position];
    else std::memcpy(destination, data + position, static_cast<size_t>(copied));
    position += static_cast<int32_t>(copied);
    return static_cast<uint32_t>(whole);
}

int32_t MemoryStream::close() { return 0; }
