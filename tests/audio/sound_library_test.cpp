// The real sound library, headless: SDL's dummy driver plays in real time,
// the disk driver records what the device was given, and the no-sound
// output keeps time with no device at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "audio/channel_mix.h"
#include "audio/spectrum_analyser.h"
#include "doubles/test_support.h"
#include "doubles/test_tracks.h"
#include "audio/fsound.h"
#include "audio/sound_library.h"
#include "platform/sound_devices.h"

namespace {

using namespace std::chrono_literals;
using ziv::test::bandCentreHz;
using ziv::test::decodeWholeFile;
using ziv::test::noiseSamples;
using ziv::test::ScopedEnv;
using ziv::test::toneSamples;
using ziv::test::TrackFolder;

class SoundLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        useSoundLibrary(nullptr);
        usePlatformSoundOutputs();
    }
    void TearDown() override { closeSoundLibrary(); }
};

std::vector<float> spectrumNow() {
    const float* s = FSOUND_DSP_GetSpectrum();
    EXPECT_NE(s, nullptr);
    return s ? std::vector<float>(s, s + kSpectrumBands) : std::vector<float>();
}

bool allZero(const std::vector<float>& v) {
    return std::all_of(v.begin(), v.end(), [](float x) { return x == 0.0f; });
}

TEST_F(SoundLibraryTest, InitFailsHonestlyWithoutADeviceAndTheSilentOutputAlwaysWorks) {
    {
        ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
        EXPECT_EQ(FSOUND_Init(44100, 32, 0), 0);
        EXPECT_EQ(FSOUND_Stream_OpenFile("anything.ogg", 0x20132, 0), nullptr);   // nothing before init
        EXPECT_EQ(FSOUND_SetOutput(kOutputNoSound), 1);
        EXPECT_NE(FSOUND_Init(44100, 32, 0), 0);
        EXPECT_EQ(FSOUND_SetOutput(kOutputNoSound), 0);   // too late once initialised
        EXPECT_NE(FSOUND_Init(44100, 32, 0), 0);          // a second init changes nothing
    }
    closeSoundLibrary();
    EXPECT_EQ(FSOUND_Init(22050, 32, 0), 0);   // the library mixes at 44100 Hz only
    EXPECT_NE(FSOUND_Init(44100, 32, 0), 0);   // dummy driver
}

// The outputs are the platform's to install; without them nothing can be
// heard, and init says so rather than pretending.
TEST_F(SoundLibraryTest, InitFailsUntilThePlatformInstallsItsOutputs) {
    useSoundOutputs(nullptr, nullptr);
    EXPECT_EQ(FSOUND_Init(44100, 32, 0), 0);
    EXPECT_EQ(FSOUND_SetOutput(kOutputNoSound), 1);
    EXPECT_EQ(FSOUND_Init(44100, 32, 0), 0);
    usePlatformSoundOutputs();
    EXPECT_NE(FSOUND_Init(44100, 32, 0), 0);
}

TEST_F(SoundLibraryTest, NullAndUnknownHandlesDoNothingAndTheSpectrumIsNeverNull) {
    ASSERT_NE(FSOUND_Init(44100, 32, 0), 0);
    char notAStream = 0;
    for (SoundStream* s : {static_cast<SoundStream*>(nullptr), reinterpret_cast<SoundStream*>(&notAStream)}) {
        EXPECT_EQ(FSOUND_Stream_PlayEx(-1, s, nullptr, 0), -1);
        EXPECT_EQ(FSOUND_Stream_Stop(s), 0);
        EXPECT_EQ(FSOUND_Stream_Close(s), 0);
    }
    SpectrumUnit* unit = FSOUND_DSP_GetFFTUnit();
    EXPECT_EQ(unit, FSOUND_DSP_GetFFTUnit());
    EXPECT_EQ(FSOUND_DSP_SetActive(nullptr, 1), 0);
    EXPECT_TRUE(allZero(spectrumNow()));   // unit off
    EXPECT_EQ(FSOUND_DSP_SetActive(unit, 1), 1);
    EXPECT_TRUE(allZero(spectrumNow()));   // nothing playing
}

TEST_F(SoundLibraryTest, BadFilesOpenAsNullOrPlaySilenceWithoutHanging) {
    TrackFolder folder("library_bad");
    ASSERT_NE(FSOUND_Init(44100, 32, 0), 0);
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 1);
    const std::string good = folder.write("good.ogg", noiseSamples(44100, 2, 0.5, 1), 2, 44100);
    const auto bytes = ziv::test::fileBytes(good);
    EXPECT_EQ(FSOUND_Stream_OpenFile(folder.path("missing.ogg").c_str(), 0x20132, 0), nullptr);
    EXPECT_EQ(FSOUND_Stream_OpenFile(folder.writeBytes("empty.ogg", {}).c_str(), 0x20132, 0), nullptr);
    EXPECT_EQ(FSOUND_Stream_OpenFile(folder.writeBytes("random.ogg", std::vector<char>(3000, 'x')).c_str(), 0x20132, 0),
              nullptr);
    EXPECT_EQ(FSOUND_Stream_OpenFile(good.c_str(), 0x20132, 1000), nullptr);   // in-memory data is not supported

    // Headers and no audio page: opens, plays nothing, closes at once.
    size_t audioStart = 0;
    for (size_t i = 0, pages = 0; i + 4 < bytes.size(); ++i)
        if (bytes[i] == 'O' && bytes[i + 1] == 'g' && bytes[i + 2] == 'g' && bytes[i + 3] == 'S' && ++pages == 3) {
            audioStart = i;
            break;
        }
    ASSERT_GT(audioStart, 0u);
    const std::string headers = folder.writeBytes("headers.ogg", std::vector<char>(bytes.begin(), bytes.begin() + audioStart));
    SoundStream* s = FSOUND_Stream_OpenFile(headers.c_str(), 0x20132, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_GE(FSOUND_Stream_PlayEx(-1, s, nullptr, 0), 0);
    std::this_thread::sleep_for(150ms);
    EXPECT_TRUE(allZero(spectrumNow()));
    // Nothing to decode must not mean decoding in circles.
    timespec cpuBefore{}, cpuAfter{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuBefore);
    std::this_thread::sleep_for(400ms);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuAfter);
    const double cpuMs = static_cast<double>(cpuAfter.tv_sec - cpuBefore.tv_sec) * 1e3 +
                         static_cast<double>(cpuAfter.tv_nsec - cpuBefore.tv_nsec) / 1e6;
    EXPECT_LT(cpuMs, 25.0);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(FSOUND_Stream_Close(s), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
    EXPECT_EQ(soundLibraryStats().underruns, 0);   // running dry is not an underrun

    // Cut in the middle of a page: plays and loops over what decodes.
    const std::string cut = folder.writeBytes("cut.ogg", std::vector<char>(bytes.begin(), bytes.begin() + bytes.size() / 3));
    s = FSOUND_Stream_OpenFile(cut.c_str(), 0x20132, 0);
    ASSERT_NE(s, nullptr);
    FSOUND_Stream_PlayEx(-1, s, nullptr, 0);
    std::this_thread::sleep_for(600ms);   // longer than what decodes
    EXPECT_FALSE(allZero(spectrumNow()));
    EXPECT_EQ(FSOUND_Stream_Stop(s), 1);
    EXPECT_TRUE(allZero(spectrumNow()));   // stopped: silence at once
    EXPECT_EQ(FSOUND_Stream_Close(s), 1);
    EXPECT_EQ(FSOUND_Stream_Close(s), 0);  // already gone
}

// Full-scale tones centred on the bands the show reads: the plain band reads
// the amplitude, three bands away reads nothing, and the spectrum stays in 0..1.
TEST_F(SoundLibraryTest, TonesReadFullScaleInTheirBandAndFollowTheShaping) {
    TrackFolder folder("library_tones");
    ASSERT_NE(FSOUND_Init(44100, 32, 0), 0);
    ASSERT_EQ(FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 1), 1);
    for (int k : {1, 2, 64, 128, 256}) {
        const std::string path = folder.write("tone.ogg", toneSamples(44100, 2, 44100, bandCentreHz(k), 1.0), 2, 44100);
        SoundStream* s = FSOUND_Stream_OpenFile(path.c_str(), 0x20132, 0);
        ASSERT_NE(s, nullptr);
        FSOUND_Stream_PlayEx(-1, s, nullptr, 0);
        std::this_thread::sleep_for(250ms);
        const auto spectrum = spectrumNow();
        float bands[kSpectrumBands];
        double overall = 0;
        lastSpectrumAnalysis(bands, &overall);
        EXPECT_NEAR(bands[k], 1.0, 0.05) << "band " << k;
        EXPECT_LT(bands[k + 3], 0.02) << "band " << k;
        if (k > 3) {
            EXPECT_LT(bands[k - 3], 0.02) << "band " << k;
        }
        EXPECT_GT(overall, 0.0);   // the running level has started to follow the tone
        for (float v : spectrum) ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << "tone " << k;
        if (k >= 64) {
            EXPECT_LT(spectrum[2 * k - 1], 0.05f) << "tone " << k;   // an octave away: nothing
        }
        FSOUND_Stream_Stop(s);
        FSOUND_Stream_Close(s);
    }
}

// The spectrum is of what is heard: a track that is silent for its first
// second and a half reads zeros then, and the tone afterwards; with the
// no-sound output the same, on the library's own clock.
TEST_F(SoundLibraryTest, SpectrumFollowsThePlayingPositionWithOrWithoutADevice) {
    TrackFolder folder("library_timing");
    std::vector<float> track(static_cast<size_t>(44100) * 3, 0.0f);
    const auto tone = toneSamples(44100 * 3 / 2, 1, 44100, bandCentreHz(64), 0.5);
    std::copy(tone.begin(), tone.end(), track.begin() + 44100 * 3 / 2);
    const std::string path = folder.write("late.ogg", track, 1, 44100);
    for (bool sound : {true, false}) {
        SCOPED_TRACE(sound ? "device" : "no-sound output");
        closeSoundLibrary();
        if (!sound) {
            ASSERT_EQ(FSOUND_SetOutput(kOutputNoSound), 1);
        }
        ASSERT_NE(FSOUND_Init(44100, 32, 0), 0);
        FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 1);
        SoundStream* s = FSOUND_Stream_OpenFile(path.c_str(), 0x20132, 0);
        ASSERT_NE(s, nullptr);
        const auto start = std::chrono::steady_clock::now();
        FSOUND_Stream_PlayEx(-1, s, nullptr, 0);
        std::this_thread::sleep_for(300ms);
        const auto early = spectrumNow();
        if (std::chrono::steady_clock::now() - start < 1200ms) {   // unless the machine stalled
            EXPECT_TRUE(allZero(early));
        }
        std::this_thread::sleep_for(start + 2200ms - std::chrono::steady_clock::now());
        const auto late = spectrumNow();
        if (std::chrono::steady_clock::now() - start < 2900ms) {
            EXPECT_GT(late[66], 0.5f);    // a band whose span holds the tone
            EXPECT_LT(late[128], 0.05f);  // an octave away: nothing
        }
        FSOUND_Stream_Close(s);
    }
}

TEST_F(SoundLibraryTest, SilenceReadsZero) {
    TrackFolder folder("library_silence");
    ASSERT_NE(FSOUND_Init(44100, 32, 0), 0);
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 1);
    const std::string path = folder.write("quiet.ogg", std::vector<float>(44100, 0.0f), 2, 44100);
    SoundStream* s = FSOUND_Stream_OpenFile(path.c_str(), 0x20132, 0);
    ASSERT_NE(s, nullptr);
    FSOUND_Stream_PlayEx(-1, s, nullptr, 0);
    for (int i = 0; i < 5; ++i) {
        std::this_thread::sleep_for(40ms);
        EXPECT_TRUE(allZero(spectrumNow()));
    }
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 0);
    EXPECT_TRUE(allZero(spectrumNow()));
}

// The disk driver records exactly what the device was handed: the decoded
// track, then the track again with no gap at the join, and nothing dropped.
std::vector<float> recordOnDisk(const std::string& track, const std::string& recording, int64_t framesWanted,
                                unsigned mode = 0x20132) {
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv file("SDL_DISKAUDIOFILE", recording.c_str());
    ScopedEnv delay("SDL_DISKAUDIODELAY", "8");   // about three times real time; 0 would outrun any decoder
    EXPECT_NE(FSOUND_Init(44100, 32, 0), 0);
    resetSoundLibraryStats();
    SoundStream* s = FSOUND_Stream_OpenFile(track.c_str(), mode, 0);
    EXPECT_NE(s, nullptr);
    FSOUND_Stream_PlayEx(-1, s, nullptr, 0);
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    for (;;) {
        const auto stats = soundLibraryStats();
        if (stats.lastStartOutputFrame >= 0 && stats.outputFrames - stats.lastStartOutputFrame >= framesWanted) break;
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the disk driver did not get far enough";
            break;
        }
        std::this_thread::sleep_for(5ms);
    }
    const auto stats = soundLibraryStats();
    EXPECT_EQ(stats.underruns, 0) << stats.mixes << " mixes, " << stats.outputFrames << " frames";
    closeSoundLibrary();
    const auto bytes = ziv::test::fileBytes(recording);
    std::vector<float> all(bytes.size() / sizeof(float));
    std::memcpy(all.data(), bytes.data(), all.size() * sizeof(float));
    return all;
}

// SDL writes silence of its own before the device is unpaused, so a stream
// that starts loud starts at the first sound of the recording.
std::vector<float> fromFirstSound(const std::vector<float>& recording) {
    const auto first = std::find_if(recording.begin(), recording.end(), [](float x) { return x != 0.0f; });
    return std::vector<float>(recording.begin() + (first - recording.begin()) / 2 * 2, recording.end());
}

TEST_F(SoundLibraryTest, DiskRecordingIsTheDecodedTrackLoopingWithoutAGap) {
    TrackFolder folder("library_disk");
    const std::string path = folder.write("noise.ogg", noiseSamples(20000, 2, 0.5, 11), 2, 44100);
    const auto pass = decodeWholeFile(path, nullptr, nullptr);
    ASSERT_EQ(pass.size(), 40000u);
    const auto recorded = fromFirstSound(recordOnDisk(path, folder.path("out.raw"), 50000));
    ASSERT_GE(recorded.size(), 100000u);
    for (size_t i = 0; i < 100000; ++i) ASSERT_EQ(recorded[i], pass[i % pass.size()]) << "float " << i;
}

TEST_F(SoundLibraryTest, WithoutTheLoopBitAStreamPlaysOnceThenFallsSilent) {
    TrackFolder folder("library_once");
    const std::string path = folder.write("noise.ogg", noiseSamples(20000, 2, 0.5, 12), 2, 44100);
    const auto pass = decodeWholeFile(path, nullptr, nullptr);
    const auto recorded = fromFirstSound(recordOnDisk(path, folder.path("once.raw"), 45000, 0x10));
    ASSERT_GE(recorded.size(), 90000u);
    for (size_t i = 0; i < pass.size(); ++i) ASSERT_EQ(recorded[i], pass[i]) << "float " << i;
    for (size_t i = pass.size(); i < 90000; ++i) ASSERT_EQ(recorded[i], 0.0f) << "float " << i;
}

// A player's view: a paused stream holds its place, and a stream that does
// not loop reports when all of it has been played.
TEST_F(SoundLibraryTest, PausedStreamsHoldTheirPlaceAndFinishedOnesSaySo) {
    TrackFolder folder("library_pause");
    const std::string path = folder.write("short.ogg", noiseSamples(13230, 2, 0.5, 3), 2, 44100);   // 0.3 s
    FSOUND_SetOutput(kOutputNoSound);
    ASSERT_NE(FSOUND_Init(44100, 32, 0), 0);
    SoundStream* s = FSOUND_Stream_OpenFile(path.c_str(), 0x10, 0);
    ASSERT_NE(s, nullptr);
    ASSERT_GE(FSOUND_Stream_PlayEx(-1, s, nullptr, 0), 0);
    std::this_thread::sleep_for(100ms);
    pauseSoundStream(s, true);
    std::this_thread::sleep_for(600ms);
    EXPECT_FALSE(soundStreamFinished(s)) << "a paused stream went on playing";
    pauseSoundStream(s, false);
    const auto until = std::chrono::steady_clock::now() + 3s;
    while (!soundStreamFinished(s) && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(soundStreamFinished(s));
    EXPECT_EQ(FSOUND_Stream_Close(s), 1);
    EXPECT_TRUE(soundStreamFinished(nullptr));
}

TEST_F(SoundLibraryTest, HeardSamplesAreTheTracksMonoMixUpToThePositionHeard) {
    TrackFolder folder("library_heard");
    const std::string path = folder.write("stereo.ogg", noiseSamples(2 * 44100, 2, 0.5, 7), 2, 44100);
    int channels = 0;
    const std::vector<float> pass = ziv::test::readerPass(path, &channels);
    ASSERT_EQ(channels, 2);
    FSOUND_SetOutput(kOutputNoSound);
    ASSERT_NE(FSOUND_Init(44100, 32, 0), 0);
    SoundStream* s = FSOUND_Stream_OpenFile(path.c_str(), 0x10, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(soundStreamHeard(s), 0) << "heard before it played";
    ASSERT_GE(FSOUND_Stream_PlayEx(-1, s, nullptr, 0), 0);
    std::this_thread::sleep_for(300ms);
    pauseSoundStream(s, true);
    std::this_thread::sleep_for(150ms);   // what the output was handed before the pause plays out
    const int64_t heard = soundStreamHeard(s);
    ASSERT_GT(heard, 0);
    ASSERT_LT(heard, 44100 * 2);
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(soundStreamHeard(s), heard) << "the heard position moved while paused";
    std::vector<float> mono(static_cast<size_t>(heard));
    soundStreamSamples(s, 0, static_cast<int>(heard), mono.data());
    for (size_t i = 0; i < mono.size(); ++i)
        ASSERT_EQ(mono[i], monoOf(pass.data() + 2 * i, 2)) << i;
    float before[4] = {1, 1, 1, 1};
    soundStreamSamples(s, -4, 4, before);
    EXPECT_TRUE(allZero(std::vector<float>(before, before + 4))) << "positions before the start read as zeros";
    EXPECT_EQ(FSOUND_Stream_Close(s), 1);
    EXPECT_EQ(soundStreamHeard(s), 0) << "a closed stream is no stream";
}

// Six channels in the Vorbis order (front left, centre, front right, rear
// left, rear right, LFE): the left speaker never gets a right-hand channel,
// and the LFE is dropped, as the usual downmix does.
TEST_F(SoundLibraryTest, SurroundChannelsLandOnTheirOwnSide) {
    TrackFolder folder("library_surround");
    const int frames = 20000;
    const auto noise = noiseSamples(frames, 1, 0.5, 8);
    for (int channel : {0, 1, 2, 5}) {
        std::vector<float> six(static_cast<size_t>(frames) * 6, 0.0f);
        for (int i = 0; i < frames; ++i) six[static_cast<size_t>(i) * 6 + channel] = noise[i];
        const std::string path = folder.write("six.ogg", six, 6, 44100);
        if (channel == 5) {
            const auto heard = recordOnDisk(path, folder.path("six.raw"), 15000);
            ASSERT_GE(heard.size(), 30000u);
            EXPECT_EQ(std::count(heard.begin(), heard.end(), 0.0f), static_cast<long>(heard.size())) << "the LFE is heard";
            continue;
        }
        const auto recorded = fromFirstSound(recordOnDisk(path, folder.path("six.raw"), 15000));
        ASSERT_GE(recorded.size(), 30000u);
        double left = 0, right = 0;
        for (size_t i = 0; i < 15000; ++i) {
            left += recorded[2 * i] * recorded[2 * i];
            right += recorded[2 * i + 1] * recorded[2 * i + 1];
        }
        if (channel == 0) {
            EXPECT_LT(right, left * 1e-3);
        } else if (channel == 2) {
            EXPECT_LT(left, right * 1e-3);
        } else {
            EXPECT_NEAR(left, right, left * 1e-3);
        }
        EXPECT_GT(left + right, 1.0) << "channel " << channel << " is not heard";
    }
}

TEST_F(SoundLibraryTest, MonoPlaysOnBothSides) {
    TrackFolder folder("library_layouts");
    const std::string mono = folder.write("mono.ogg", noiseSamples(15000, 1, 0.5, 4), 1, 44100);
    const auto pass = decodeWholeFile(mono, nullptr, nullptr);
    const auto recorded = fromFirstSound(recordOnDisk(mono, folder.path("mono.raw"), 20000));
    ASSERT_GE(recorded.size(), 40000u);
    for (size_t i = 0; i < 20000; ++i) {
        ASSERT_EQ(recorded[2 * i], pass[i % pass.size()]) << "frame " << i;
        ASSERT_EQ(recorded[2 * i + 1], pass[i % pass.size()]) << "frame " << i;
    }
}

// The show never shuts the library down: leaving the process while a stream
// plays must end cleanly, with the device and the decoder still running.
void playThenExit(bool sound, const std::string& path) {
    if (!sound) FSOUND_SetOutput(kOutputNoSound);
    if (!FSOUND_Init(44100, 32, 0)) std::_Exit(3);
    SoundStream* s = FSOUND_Stream_OpenFile(path.c_str(), 0x20132, 0);
    if (!s) std::_Exit(4);
    FSOUND_Stream_PlayEx(-1, s, nullptr, 0);
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 1);
    std::this_thread::sleep_for(200ms);
    FSOUND_DSP_GetSpectrum();
    std::exit(0);
}

TEST_F(SoundLibraryTest, ProcessExitsCleanlyWhilePlaying) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TrackFolder folder("library_exit");
    const std::string path = folder.write("noise.ogg", noiseSamples(44100, 2, 0.3, 2), 2, 44100);
    EXPECT_EXIT(playThenExit(true, path), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(playThenExit(false, path), ::testing::ExitedWithCode(0), "");
}

}  // namespace
