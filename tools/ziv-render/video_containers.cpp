#include "tools/ziv-render/video_containers.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace {

constexpr VideoContainer kContainers[] = {
    {VideoKind::Y4m, "y4m", false, ".y4m", "yuv4mpegpipe", {nullptr}, [](int) { return false; }, "y4m has no audio",
     false, false},
    {VideoKind::Mp4, "mp4", true, ".mp4", "mp4", {"aac", "-b:a", "192k", nullptr},
     [](int c) { return c >= 1 && c <= 8; }, "AAC in mp4 takes 1 to 8", false, true},
    {VideoKind::Mkv, "mkv", true, ".mkv", "matroska", {"libvorbis", "-q:a", "5", nullptr},
     [](int c) { return c >= 1 && c <= 255; }, "Vorbis in mkv takes 1 to 255", false, false},
    {VideoKind::Webm, "webm", true, ".webm", "webm", {"libopus", "-b:a", "160k", nullptr},
     [](int c) { return c == 1 || c == 2 || (c >= 5 && c <= 8); }, "Opus in webm takes 1, 2 or 5 to 8", true, false},
};

}  // namespace

const VideoContainer& videoContainer(VideoKind kind) {
    for (const VideoContainer& c : kContainers)
        if (c.kind == kind) return c;
    return kContainers[0];
}

const VideoContainer* videoContainerNamed(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return nullptr;
    std::string ending = path.substr(dot + 1);
    for (char& ch : ending) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    for (const VideoContainer& c : kContainers)
        if (ending == c.ending) return &c;
    return nullptr;
}

std::string videoEndingsList() {
    std::string list;
    const size_t n = std::size(kContainers);
    for (size_t i = 0; i < n; ++i) {
        if (i > 0) list += i + 1 == n ? " or " : ", ";
        list += std::string(".") + kContainers[i].ending;
    }
    return list;
}
