#include "tools/ziv-render/trace_file.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tools/ziv-render/render_constants.h"

namespace {

void putU32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

uint32_t getU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

size_t traceRecordBytes(int bands) { return 4 + 4 * static_cast<size_t>(bands); }

void encodeTraceHeader(int bands, uint8_t* out) {
    std::memcpy(out, kTraceMagic, 8);
    putU32(out + 8, kTraceVersion);
    putU32(out + 12, static_cast<uint32_t>(bands));
}

void encodeTraceRecord(int32_t elapsedMs, const float* spectrum, int bands, uint8_t* out) {
    putU32(out, static_cast<uint32_t>(elapsedMs));
    for (int k = 0; k < bands; ++k) {
        uint32_t bits;
        std::memcpy(&bits, &spectrum[k], 4);
        putU32(out + 4 + 4 * static_cast<size_t>(k), bits);
    }
}

bool parseTrace(const uint8_t* data, size_t size, Trace& trace, std::string* why) {
    auto fail = [&](const std::string& w) {
        if (why) *why = w;
        return false;
    };
    if (size < static_cast<size_t>(kTraceHeaderBytes)) return fail("too short for a trace header (" + std::to_string(size) + " bytes)");
    if (std::memcmp(data, kTraceMagic, 8) != 0) return fail("not a trace (the file does not start with ZIVTRACE)");
    const uint32_t version = getU32(data + 8);
    if (version != kTraceVersion) return fail("unsupported trace version " + std::to_string(version) + " (this reads version 1)");
    const uint32_t bands = getU32(data + 12);
    if (bands < static_cast<uint32_t>(kTraceMinBands) || bands > static_cast<uint32_t>(kTraceMaxBands))
        return fail("band count " + std::to_string(bands) + " (needs 257 to 1048576)");
    const size_t recordBytes = traceRecordBytes(static_cast<int>(bands));
    const size_t body = size - kTraceHeaderBytes;
    if (body % recordBytes != 0)
        return fail("size " + std::to_string(size) + " is not 16 + n x " + std::to_string(recordBytes) + " bytes");
    const size_t records = body / recordBytes;

    trace.bands = static_cast<int>(bands);
    trace.elapsedMs.assign(records, 0);
    trace.spectra.assign(records * bands, 0.0f);
    const uint8_t* p = data + kTraceHeaderBytes;
    for (size_t r = 0; r < records; ++r, p += recordBytes) {
        trace.elapsedMs[r] = static_cast<int32_t>(getU32(p));
        float* out = &trace.spectra[r * bands];
        for (uint32_t k = 0; k < bands; ++k) {
            const uint32_t bits = getU32(p + 4 + 4 * static_cast<size_t>(k));
            float v;
            std::memcpy(&v, &bits, 4);
            if (!std::isfinite(v) || v < -kTraceEntryLimit || v > kTraceEntryLimit)
                return fail("record " + std::to_string(r) + " entry " + std::to_string(k) +
                            " is not a finite number within -8..8");
            out[k] = v;
        }
    }
    return true;
}

bool readTraceFile(const std::string& path, Trace& trace, std::string* why) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (why) *why = std::strerror(errno);
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[1 << 16];
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, f);
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < sizeof chunk) break;
    }
    const bool failed = std::ferror(f) != 0;
    const int err = errno;
    std::fclose(f);
    if (failed) {
        if (why) *why = std::strerror(err);
        return false;
    }
    return parseTrace(bytes.data(), bytes.size(), trace, why);
}

int64_t traceRecords(const Trace& trace) { return static_cast<int64_t>(trace.elapsedMs.size()); }

const float* traceSpectrum(const Trace& trace, int64_t record) {
    return &trace.spectra[static_cast<size_t>(record) * static_cast<size_t>(trace.bands)];
}
