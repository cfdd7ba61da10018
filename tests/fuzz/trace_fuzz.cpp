// libFuzzer target: the trace reader over any bytes, record by record.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "libziv/trace_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TraceReader reader;
    std::string why;
    if (!reader.openMemory(data, size, &why)) return 0;
    std::vector<float> spectrum(static_cast<size_t>(reader.bands()));
    int32_t ms = 0;
    while (reader.next(&ms, spectrum.data(), &why) == 1) {
    }
    return 0;
}
