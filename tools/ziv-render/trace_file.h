// Spectrum traces: what each rendered frame was given, for exact replay.
//
//   Trace t;
//   std::string why;
//   if (!readTraceFile("show.trace", t, &why)) { /* ziv-render: trace 'show.trace': why */ }
//   const float* s = traceSpectrum(t, 5);          // t.bands entries of record 5
//
//   uint8_t header[kTraceHeaderBytes];
//   encodeTraceHeader(512, header);
//   std::vector<uint8_t> record(traceRecordBytes(512));
//   encodeTraceRecord(elapsedMs, spectrum, 512, record.data());
//
// Layout, little-endian: "ZIVTRACE", uint32 version 1, uint32 bands; then
// per record int32 elapsedMs and bands float32 entries. The reader never
// reads past the end of its buffer and refuses any size that is not exactly
// header + n records, and any entry that is not finite or lies outside -8..8.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Trace {
    int bands = 0;
    std::vector<int32_t> elapsedMs;  // one per record
    std::vector<float> spectra;      // bands per record, record after record
};

size_t traceRecordBytes(int bands);
void encodeTraceHeader(int bands, uint8_t* out);
void encodeTraceRecord(int32_t elapsedMs, const float* spectrum, int bands, uint8_t* out);
bool parseTrace(const uint8_t* data, size_t size, Trace& trace, std::string* why);
bool readTraceFile(const std::string& path, Trace& trace, std::string* why);
int64_t traceRecords(const Trace& trace);
const float* traceSpectrum(const Trace& trace, int64_t record);
