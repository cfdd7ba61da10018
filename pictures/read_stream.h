// A read-only, seekable byte stream over a block that already lies in memory.
//
//   MemoryStream* s = openMemoryStream(block, blockSize);   // null when it cannot be opened
//   s->seek(0, 0);
//   uint8_t header[128];
//   uint32_t got = s->read(header, 1, 128);                 // whole elements copied
//   s->close();                                             // releases nothing
#pragma once
#include <cstdint>

// Byte source of the picture decoder. Keep the slot order seek, read, close:
// a stream compiled apart from the decoder (one handed in by useStreamOpener)
// is called through these slots. There is no virtual destructor because no
// stream is ever destroyed through it (the protected destructor keeps anyone
// from trying).
class ReadStream {
public:
    virtual int32_t seek(int32_t offset, int32_t origin) = 0;
    virtual uint32_t read(void* destination, uint32_t elementSize, uint32_t elementCount) = 0;
    virtual int32_t close() = 0;
protected:
    ReadStream() = default;
    ReadStream(const ReadStream&) = default;
    ReadStream& operator=(const ReadStream&) = default;
    ~ReadStream() = default;
};

// Seek origins.
inline constexpr int32_t kSeekFromStart = 0;
inline constexpr int32_t kSeekFromCurrent = 1;
inline constexpr int32_t kSeekFromEnd = 2;

// The stream over one block. It does not own the block and never writes to it.
class MemoryStream final : public ReadStream {
public:
    MemoryStream(const uint8_t* blockData, int32_t blockSize) : data(blockData), size(blockSize) {}
    int32_t seek(int32_t offset, int32_t origin) override;
    uint32_t read(void* destination, uint32_t elementSize, uint32_t elementCount) override;
    int32_t close() override;

    const uint8_t* data;
    int32_t size;          // at least 1 in every stream that exists
    int32_t position = 0;  // 0 <= position <= size; only read brings it to size
};

MemoryStream* openMemoryStream(const uint8_t* data, int32_t size);
