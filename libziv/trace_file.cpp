#include "libziv/trace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace {

std::atomic<bool (*)()> stop_check{nullptr};

bool stopRequested() {
    bool (*stopped)() = stop_check.load(std::memory_order_acquire);
    return stopped && stopped();
}

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

bool fail(std::string* why, const std::string& text) {
    if (why) *why = text;
    return false;
}

// Whole traces for tests and tools, on top of the record reader.
bool readWhole(TraceReader& reader, Trace& trace, std::string* why) {
    trace = Trace{};
    trace.bands = reader.bands();
    std::vector<float> spectrum(static_cast<size_t>(reader.bands()));
    int32_t ms = 0;
    for (;;) {
        const int got = reader.next(&ms, spectrum.data(), why);
        if (got < 0) return false;
        if (got == 0) return true;
        trace.elapsedMs.push_back(ms);
        trace.spectra.insert(trace.spectra.end(), spectrum.begin(), spectrum.end());
    }
}

}  // namespace

void setTraceStopCheck(bool (*stopped)()) { stop_check.store(stopped, std::memory_order_release); }

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

TraceReader::~TraceReader() {
    if (fd_ >= 0) close(fd_);
}

bool TraceReader::open(const std::string& path, std::string* why) {
    if (fd_ >= 0) close(fd_);
    memory_ = nullptr;
    do fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    while (fd_ < 0 && errno == EINTR && !stopRequested());
    if (fd_ < 0) return fail(why, errno == EINTR ? "interrupted" : std::strerror(errno));
    struct stat st;
    if (fstat(fd_, &st) != 0) return fail(why, std::strerror(errno));
    if (S_ISDIR(st.st_mode)) return fail(why, "is a folder");
    return start(S_ISREG(st.st_mode) ? static_cast<int64_t>(st.st_size) : -1, why);
}

bool TraceReader::openMemory(const uint8_t* data, size_t size, std::string* why) {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    memory_ = data;
    memorySize_ = size;
    memoryAt_ = 0;
    return start(static_cast<int64_t>(size), why);
}

bool TraceReader::readUpTo(uint8_t* out, size_t bytes, size_t* got, std::string* why) {
    *got = 0;
    if (fd_ < 0) {
        *got = std::min(bytes, memorySize_ - memoryAt_);
        if (*got > 0) std::memcpy(out, memory_ + memoryAt_, *got);
        memoryAt_ += *got;
        return true;
    }
    while (*got < bytes) {
        const ssize_t n = ::read(fd_, out + *got, bytes - *got);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR && !stopRequested()) continue;
            return fail(why, errno == EINTR ? "interrupted" : std::strerror(errno));
        }
        *got += static_cast<size_t>(n);
    }
    return true;
}

bool TraceReader::start(int64_t size, std::string* why) {
    bands_ = 0;
    records_ = -1;
    read_ = 0;
    uint8_t header[kTraceHeaderBytes];
    size_t got = 0;
    if (!readUpTo(header, sizeof header, &got, why)) return false;
    if (got < sizeof header) return fail(why, "too short for a trace header (" + std::to_string(got) + " bytes)");
    if (std::memcmp(header, kTraceMagic, 8) != 0) return fail(why, "not a trace (the file does not start with ZIVTRACE)");
    const uint32_t version = getU32(header + 8);
    if (version != kTraceVersion)
        return fail(why, "unsupported trace version " + std::to_string(version) + " (this reads version 1)");
    const uint32_t bands = getU32(header + 12);
    if (bands < static_cast<uint32_t>(kTraceMinBands) || bands > static_cast<uint32_t>(kTraceMaxBands))
        return fail(why, "band count " + std::to_string(bands) + " (needs 257 to 1048576)");
    const size_t recordBytes = traceRecordBytes(static_cast<int>(bands));
    if (size >= 0) {
        const auto body = static_cast<uint64_t>(size) - kTraceHeaderBytes;
        if (body % recordBytes != 0)
            return fail(why, "size " + std::to_string(size) + " is not 16 + n x " + std::to_string(recordBytes) + " bytes");
        records_ = static_cast<int64_t>(body / recordBytes);
    }
    bands_ = static_cast<int>(bands);
    record_.resize(recordBytes);
    return true;
}

int TraceReader::next(int32_t* elapsedMs, float* spectrum, std::string* why) {
    if (bands_ == 0) {
        fail(why, "not open");
        return -1;
    }
    if (records_ >= 0 && read_ >= records_) return 0;
    size_t got = 0;
    if (!readUpTo(record_.data(), record_.size(), &got, why)) return -1;
    if (got == 0 && records_ < 0) return 0;
    if (got < record_.size()) {
        fail(why, records_ < 0 ? "ends inside record " + std::to_string(read_) + " (the size is not 16 + n x " +
                                     std::to_string(record_.size()) + " bytes)"
                               : "shrank while being read, at record " + std::to_string(read_));
        return -1;
    }
    for (int k = 0; k < bands_; ++k) {
        const uint32_t bits = getU32(&record_[4 + 4 * static_cast<size_t>(k)]);
        float v;
        std::memcpy(&v, &bits, 4);
        if (!std::isfinite(v) || v < -kTraceEntryLimit || v > kTraceEntryLimit) {
            fail(why, "record " + std::to_string(read_) + " entry " + std::to_string(k) +
                          " is not a finite number within -8..8");
            return -1;
        }
        spectrum[k] = v;
    }
    *elapsedMs = static_cast<int32_t>(getU32(record_.data()));
    ++read_;
    return 1;
}

bool parseTrace(const uint8_t* data, size_t size, Trace& trace, std::string* why) {
    TraceReader reader;
    return reader.openMemory(data, size, why) && readWhole(reader, trace, why);
}

bool readTraceFile(const std::string& path, Trace& trace, std::string* why) {
    TraceReader reader;
    return reader.open(path, why) && readWhole(reader, trace, why);
}

int64_t traceRecords(const Trace& trace) { return static_cast<int64_t>(trace.elapsedMs.size()); }

const float* traceSpectrum(const Trace& trace, int64_t record) {
    return &trace.spectra[static_cast<size_t>(record) * static_cast<size_t>(trace.bands)];
}
