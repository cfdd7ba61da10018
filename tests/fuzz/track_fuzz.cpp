// libFuzzer target: the track reader opening a file from memory (every format it
// decodes, Ogg Vorbis or not), then reading a few passes' worth of audio.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/track_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string why;
    TrackReader* track = openTrackFromMemory(data, size, &why);
    if (!track) return 0;
    const int channels = trackChannels(track);
    std::vector<float> frames(static_cast<size_t>(4096) * static_cast<size_t>(channels));
    for (int i = 0; i < 8; ++i)
        if (readTrack(track, frames.data(), 4096) == 0) break;
    MonoTimeline timeline;
    resetTimeline(timeline);
    appendToTimeline(timeline, frames.data(), 4096, channels);
    float window[kAnalysisWindow];
    windowAt(timeline, 4096, window);
    closeTrack(track);
    return 0;
}
