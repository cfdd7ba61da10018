// Spectrum traces: what each rendered frame was given, for exact replay.
//
//   TraceReader r;                                 // record by record, in constant memory
//   std::string why;
//   if (!r.open("show.trace", &why)) { /* ziv-render: trace 'show.trace': why */ }
//   std::vector<float> s(r.bands());
//   int32_t ms;
//   while (r.next(&ms, s.data(), &why) == 1) ...   // 0 at a clean end, -1 with why
//
//   Trace t;                                       // a small trace whole, for tests and tools
//   readTraceFile("show.trace", t, &why);
//   const float* s5 = traceSpectrum(t, 5);
//
//   uint8_t header[kTraceHeaderBytes];
//   encodeTraceHeader(512, header);
//   std::vector<uint8_t> record(traceRecordBytes(512));
//   encodeTraceRecord(elapsedMs, spectrum, 512, record.data());
//
//   setTraceStopCheck(stopRequested);              // a program that stops on signals
//
// Layout, little-endian: "ZIVTRACE", uint32 version 1, uint32 bands; then
// per record int32 elapsedMs and bands float32 entries. The reader never
// reads past the end of its buffer and refuses any size that is not exactly
// header + n records, and any entry that is not finite or lies outside -8..8.
// The size of a regular file is checked when it is opened; a pipe's at its end.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "scenes/spectrum.h"

// The trace file: header, then one record per frame.
inline constexpr char kTraceMagic[8] = {'Z', 'I', 'V', 'T', 'R', 'A', 'C', 'E'};
inline constexpr uint32_t kTraceVersion = 1;
inline constexpr int kTraceHeaderBytes = 16;
inline constexpr int kTraceMinBands = kSpectrumEntriesRead;
inline constexpr int kTraceMaxBands = 1 << 20;    // keeps record sizes far from overflow
inline constexpr float kTraceEntryLimit = 8.0f;   // entries outside -8..8 are refused

// The program's stop request, asked when a blocked open or read returns EINTR
// (a FIFO waiting for its writer); null: such a call is retried.
void setTraceStopCheck(bool (*stopped)());
size_t traceRecordBytes(int bands);
void encodeTraceHeader(int bands, uint8_t* out);
void encodeTraceRecord(int32_t elapsedMs, const float* spectrum, int bands, uint8_t* out);

class TraceReader {
public:
    TraceReader() = default;
    ~TraceReader();
    TraceReader(const TraceReader&) = delete;
    TraceReader& operator=(const TraceReader&) = delete;

    // Both read and check the header. A FIFO's open waits for a writer; a stop request ends the wait.
    bool open(const std::string& path, std::string* why);
    bool openMemory(const uint8_t* data, size_t size, std::string* why);
    int bands() const { return bands_; }
    // The records the trace holds; -1 for a pipe or device, whose length shows at its end.
    int64_t records() const { return records_; }
    // 1: the next record (bands() entries into spectrum); 0: the trace ended cleanly; -1: why says what is wrong.
    int next(int32_t* elapsedMs, float* spectrum, std::string* why);

private:
    bool start(int64_t size, std::string* why);
    bool readUpTo(uint8_t* out, size_t bytes, size_t* got, std::string* why);
    int fd_ = -1;
    const uint8_t* memory_ = nullptr;
    size_t memorySize_ = 0, memoryAt_ = 0;
    int bands_ = 0;
    int64_t records_ = -1;
    int64_t read_ = 0;
    std::vector<uint8_t> record_;
};

struct Trace {
    int bands = 0;
    std::vector<int32_t> elapsedMs;  // one per record
    std::vector<float> spectra;      // bands per record, record after record
};

bool parseTrace(const uint8_t* data, size_t size, Trace& trace, std::string* why);
bool readTraceFile(const std::string& path, Trace& trace, std::string* why);
int64_t traceRecords(const Trace& trace);
const float* traceSpectrum(const Trace& trace, int64_t record);
