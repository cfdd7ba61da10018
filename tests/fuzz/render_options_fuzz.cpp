// libFuzzer target: ziv-render's command line. The input is split at NUL
// bytes into words; every parsed line's frame arithmetic is run too.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/ziv-render/render_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> words = {"ziv-render"};
    std::string word;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(data[i]);
        }
    }
    words.push_back(word);
    std::vector<const char*> argv;
    for (const std::string& w : words) argv.push_back(w.c_str());
    RenderOptions options;
    std::string error;
    if (!parseRenderOptions(static_cast<int>(argv.size()), argv.data(), options, &error)) return 0;
    const int64_t frames = renderFrameCount(options, 1000);
    if (frames > 0 && options.traceIn.empty()) {
        frameElapsedMs(frames - 1, options.fps);
        frameTrackPosition(frames - 1, options.fps);
    }
    return 0;
}
