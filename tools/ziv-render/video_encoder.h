// Encoded video (mp4, mkv, webm) through the ffmpeg program, with the
// track's audio for the same span muxed in.
//
//   VideoJob job{"show.mp4", VideoKind::Mp4, 60, "DuskPulse.ogg", frames};
//   FfmpegVideo video;
//   if (!video.start(job, &why)) ...               // checks the track, starts ffmpeg
//   video.writeFrame(surface, &why);               // every frame, 640x480 0x00RRGGBB
//   video.complete(&why);                          // waits for ffmpeg; the file still waits beside its name
//   video.publish(&why);                           // renamed into place
//
// Frames go to ffmpeg as raw bgr0 on one pipe; the audio (the track decoded
// by the show's own reader, looping, floor(frames * 44100 / fps) samples)
// goes on a second pipe from a thread of its own, so neither pipe can
// block the other whatever order ffmpeg reads them in. A track with more
// channels than the container's audio encoder takes is mixed down to two
// (audio/channel_mix.h); otherwise its layout is named to ffmpeg and the
// channels go in that layout's order.
// Abandoning stops ffmpeg: SIGTERM, then SIGKILL if it has not ended within
// a fraction of a second (a blocked ffmpeg ignores the first). ffmpeg also
// dies with ziv-render (the parent-death signal), so a killed render leaves
// no encoder behind.
#pragma once
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "tools/ziv-render/output_file.h"
#include "tools/ziv-render/render_options.h"

struct VideoJob {
    std::string path;
    VideoKind kind = VideoKind::Mp4;
    int fps = 60;
    std::string track;       // empty: no audio
    int64_t frames = 0;      // frames written
    VideoQuality quality = VideoQuality::Fast;
    int scale = 1;           // enlargement, nearest-neighbour
    int64_t startFrame = 0;  // the show's frame the video starts at; its sound starts there too
};

// The full path of program found on PATH, or empty.
std::string findProgram(const std::string& name);
// The ffmpeg command line (after the program name) for a job.
std::vector<std::string> ffmpegArguments(const VideoJob& job, const std::string& writePath, int audioChannels);
int64_t audioFramesFor(int64_t frames, int fps);
// Whether the container's audio encoder takes a track of this many channels as it is.
bool encoderTakesChannels(VideoKind kind, int channels);
// The encoder's name and the counts it takes, for messages ("Opus in webm takes 1, 2 or 5 to 8").
std::string encoderChannelNote(VideoKind kind);

class FfmpegVideo {
public:
    FfmpegVideo() = default;
    ~FfmpegVideo();
    FfmpegVideo(const FfmpegVideo&) = delete;
    FfmpegVideo& operator=(const FfmpegVideo&) = delete;

    bool start(const VideoJob& job, std::string* why);
    bool writeFrame(const uint32_t* surface, std::string* why);
    bool complete(std::string* why);
    bool publish(std::string* why);
    void abandon();
    // Channels of the track and of the audio ffmpeg gets (they differ when mixed down).
    int trackChannelCount() const { return trackChannels_; }
    int audioChannelCount() const { return audioChannels_; }

private:
    bool waitChild(std::string* why);
    void stopAudio();
    VideoJob job_;
    OutputPlace place_;
    pid_t child_ = -1;
    int videoFd_ = -1;
    int trackChannels_ = 0, audioChannels_ = 0;
    bool completed_ = false;
    std::thread audio_;
    std::atomic<bool> stopAudio_{false};
    std::atomic<bool> audioFailed_{false};
};
