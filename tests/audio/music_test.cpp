#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/music.h"
#include "doubles/sound_library_double.h"

namespace {

using Calls = std::vector<std::string>;

class Music : public ::testing::Test {
protected:
    void SetUp() override {
        resetSoundLibraryDouble();
        useSoundLibrary(recordingSoundLibrary());
        MusicStream = nullptr;
    }
    void TearDown() override { useSoundLibrary(nullptr); }
    Calls& calls() { return soundLibraryDouble().calls; }
};

const Calls kStart = {"Stream_OpenFile(DuskPulse.ogg,0x20132,0)", "Stream_PlayEx(-1,stream,null,0)",
                      "DSP_GetFFTUnit()", "DSP_SetActive(fft,1)"};
const Calls kStop = {"Stream_Stop(stream)", "DSP_GetFFTUnit()", "DSP_SetActive(fft,0)", "Stream_Close(stream)"};

TEST_F(Music, SoundOnInitialisesFirstAndNeverPicksAnOutput) {
    EXPECT_TRUE(startAudio(true));
    EXPECT_EQ(calls(), (Calls{"Init(44100,32,0)"}));
}

TEST_F(Music, SoundOffAsksForTheSilentOutputBeforeTheSameInit) {
    EXPECT_TRUE(startAudio(false));
    EXPECT_EQ(calls(), (Calls{"SetOutput(0)", "Init(44100,32,0)"}));
}

TEST_F(Music, FailedInitIsReportedWhateverTheSoundOption) {
    soundLibraryDouble().initResult = 0;
    EXPECT_FALSE(startAudio(true));
    EXPECT_FALSE(startAudio(false));
    soundLibraryDouble().initResult = -3;   // any non-zero byte is success
    EXPECT_TRUE(startAudio(true));
}

TEST_F(Music, AWholeShowOpensPlaysSwitchesOnThenStopsInOrder) {
    ASSERT_TRUE(startAudio(true));
    startMusic();
    EXPECT_EQ(MusicStream, doubleStreamHandle());
    soundLibraryDouble().spectrum[64] = 0.75f;
    const float* s = fetchSpectrum();
    EXPECT_EQ(s, soundLibraryDouble().spectrum);
    EXPECT_EQ(s[64], 0.75f);
    stopMusic();
    Calls expected = {"Init(44100,32,0)"};
    expected.insert(expected.end(), kStart.begin(), kStart.end());
    expected.push_back("DSP_GetSpectrum()");
    expected.insert(expected.end(), kStop.begin(), kStop.end());
    EXPECT_EQ(calls(), expected);
}

TEST_F(Music, MissingTrackHandsTheNullStreamOnWithoutChecking) {
    soundLibraryDouble().openSucceeds = false;
    startMusic();
    EXPECT_EQ(MusicStream, nullptr);
    stopMusic();
    EXPECT_EQ(calls(), (Calls{"Stream_OpenFile(DuskPulse.ogg,0x20132,0)", "Stream_PlayEx(-1,null,null,0)",
                              "DSP_GetFFTUnit()", "DSP_SetActive(fft,1)", "Stream_Stop(null)", "DSP_GetFFTUnit()",
                              "DSP_SetActive(fft,0)", "Stream_Close(null)"}));
}

}  // namespace
