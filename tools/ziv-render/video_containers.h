// What each -o container is: its name's ending, who writes it, and, for the
// ones ffmpeg writes, its muxer, encoders and the audio channels they take.
// A new container is a value of VideoKind and a row of the table (and a line of --help).
//
//   const VideoContainer* c = videoContainerNamed("show.MP4");   // null: no container ends so
//   if (c && c->throughFfmpeg) ... c->muxer ... c->audioCodec ...
//   videoContainer(VideoKind::Webm).takesChannels(3) == false
//   videoEndingsList() == ".y4m, .mp4, .mkv or .webm"
#pragma once
#include <string>

#include "tools/ziv-render/render_options.h"

struct VideoContainer {
    VideoKind kind;
    const char* ending;          // the file name's ending, without the dot, in lower case
    bool throughFfmpeg;          // false: ziv-render writes the file itself (y4m)
    const char* suffix;          // kept at the end of the temporary name, so ffmpeg's muxer sees it
    const char* muxer;           // ffmpeg's -f
    const char* audioCodec[4];   // ffmpeg's audio arguments after -c:a, null at the end
    bool (*takesChannels)(int channels);  // whether the audio encoder takes that many as they are
    const char* channelNote;     // the encoder and what it takes, for messages
    bool vp9;                    // VP9 through libvpx; otherwise H.264 through libx264
    bool fastStart;              // the index moved to the front (+faststart), for playing while it loads
};

const VideoContainer& videoContainer(VideoKind kind);
// The container a name's ending (any case) asks for; null when none does.
const VideoContainer* videoContainerNamed(const std::string& path);
// Every ending, for messages: ".y4m, .mp4, .mkv or .webm".
std::string videoEndingsList();
