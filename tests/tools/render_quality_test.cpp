#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/ziv-render/render_options.h"
#include "tools/ziv-render/video_encoder.h"

namespace {

bool parse(std::vector<const char*> words, RenderOptions& o, std::string* error) {
    words.insert(words.begin(), "ziv-render");
    return parseRenderOptions(static_cast<int>(words.size()), words.data(), o, error);
}

std::string encoderOf(VideoKind kind, VideoQuality quality) {
    VideoJob job{"x", kind, 60, "", 10, quality};
    std::string s;
    for (const std::string& w : ffmpegArguments(job, "tmp", 0)) s += w + " ";
    return s;
}

TEST(RenderQuality, FastIsTheDefaultAndEachNameIsTaken) {
    RenderOptions o;
    std::string error;
    ASSERT_TRUE(parse({"-o", "a.mp4"}, o, &error)) << error;
    EXPECT_EQ(o.quality, VideoQuality::Fast);
    ASSERT_TRUE(parse({"--quality", "good", "-o", "a.mp4"}, o, &error)) << error;
    EXPECT_EQ(o.quality, VideoQuality::Good);
    ASSERT_TRUE(parse({"--quality=best"}, o, &error)) << error;
    EXPECT_EQ(o.quality, VideoQuality::Best);
    EXPECT_FALSE(parse({"--quality", "ultra"}, o, &error));
    EXPECT_NE(error.find("--quality 'ultra'"), std::string::npos) << error;
    EXPECT_FALSE(parse({"--quality"}, o, &error));
}

TEST(RenderQuality, EachQualityChoosesItsEncoderEffortAtTheSameTarget) {
    EXPECT_NE(encoderOf(VideoKind::Mp4, VideoQuality::Fast).find("-preset veryfast -crf 18"), std::string::npos);
    EXPECT_NE(encoderOf(VideoKind::Mkv, VideoQuality::Good).find("-preset medium -crf 18"), std::string::npos);
    EXPECT_NE(encoderOf(VideoKind::Mp4, VideoQuality::Best).find("-preset slow -crf 18"), std::string::npos);
    EXPECT_NE(encoderOf(VideoKind::Webm, VideoQuality::Fast).find("-deadline realtime -cpu-used 8"), std::string::npos);
    EXPECT_NE(encoderOf(VideoKind::Webm, VideoQuality::Best).find("-deadline good -cpu-used 1"), std::string::npos);
}

}  // namespace
