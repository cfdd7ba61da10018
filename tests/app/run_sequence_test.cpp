#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run_options.h"
#include "app/run_sequence.h"
#include "doubles/console_recorder.h"
#include "platform/clock.h"
#include "platform/dialog_services.h"
#include "audio/fsound.h"

namespace {

using ziv::test::ConsoleRecorder;
using ziv::test::countOf;
using ziv::test::only;
using Log = std::vector<std::string>;

// --- doubles of the dialog, the sound library and the clock, all writing to one log

Log* shared_log = nullptr;
void note(const std::string& entry) { shared_log->push_back(entry); }

intptr_t dialog_result = 1;
intptr_t dialogBox(ModuleInstance*, int templateId, DialogWindow*, DialogProcedure, intptr_t) {
    note("dialog " + std::to_string(templateId));
    return dialog_result;
}
int checkButton(DialogWindow*, int, unsigned) { return 1; }
unsigned isButtonChecked(DialogWindow*, int) { return kButtonUnchecked; }
int endDialog(DialogWindow*, intptr_t) { return 1; }
const DialogServices dialog_double = {dialogBox, checkButton, isButtonChecked, endDialog};

signed char init_result = 1;
float spectrum[kSpectrumBands] = {};
SoundStream* const the_stream = reinterpret_cast<SoundStream*>(0x5100);
SpectrumUnit* const the_unit = reinterpret_cast<SpectrumUnit*>(0x5200);

signed char setOutput(int type) {
    note("sound:output " + std::to_string(type));
    return 1;
}
signed char init(int rate, int channels, unsigned flags) {
    note("sound:init " + std::to_string(rate) + " " + std::to_string(channels) + " " + std::to_string(flags));
    return init_result;
}
SoundStream* openFile(const char* name, unsigned, int) {
    note(std::string("sound:open ") + name);
    return the_stream;
}
int playEx(int, SoundStream*, SpectrumUnit*, signed char) {
    note("sound:play");
    return 1;
}
SpectrumUnit* fftUnit() { return the_unit; }
signed char setActive(SpectrumUnit*, signed char on) {
    note(std::string("sound:spectrum ") + (on ? "on" : "off"));
    return 1;
}
float* getSpectrum() {
    note("sound:fetch");
    return spectrum;
}
signed char streamStop(SoundStream*) {
    note("sound:stop");
    return 1;
}
signed char streamClose(SoundStream*) {
    note("sound:close");
    return 1;
}
const SoundLibrary sound_double = {setOutput, init, openFile, playEx, fftUnit, setActive, getSpectrum, streamStop,
                                   streamClose};

std::vector<uint32_t> clock_readings;  // one per call; the last repeats
size_t clock_calls = 0;
uint32_t scriptedClock() {
    const uint32_t now = clock_readings[std::min(clock_calls, clock_readings.size() - 1)];
    ++clock_calls;
    note("clock " + std::to_string(now));
    return now;
}

class RunSequence : public ::testing::Test {
protected:
    void SetUp() override {
        shared_log = &log;
        dialog_result = 1;
        init_result = 1;
        clock_readings = {1000};
        clock_calls = 0;
        RunOptions = RunOptionsState{};
        LastKey = ConsoleKey();
        useDialogServices(&dialog_double);
        useSoundLibrary(&sound_double);
        setClockSource(scriptedClock);
        log.clear();
    }
    void TearDown() override {
        useDialogServices(nullptr);
        useSoundLibrary(nullptr);
        setClockSource(nullptr);
        RunOptions = RunOptionsState{};
        shared_log = nullptr;
    }

    int run() { return runShow(nullptr); }

    // What the show did after the console opened, in the words of the log.
    Log shutDown() const {
        return only(log, {"console:close", "console:releaseSurface", "console:releaseFormat", "console:releaseConsole",
                          "sound:stop", "sound:spectrum off", "sound:close", "device:close"});
    }

    Log log;
    ConsoleRecorder console{&log};
};

const Log kOrderlyShutDown = {"console:close", "device:close", "sound:stop", "sound:spectrum off", "sound:close",
                              "console:releaseSurface", "console:releaseFormat", "console:releaseConsole"};

TEST_F(RunSequence, StartsEverythingInOrderBeforeTheFirstFrame) {
    console.keysAtPoll[1] = {kConsoleEscapeCode};
    EXPECT_EQ(run(), 0);
    const Log startUp = only(log, {"dialog", "sound:", "console:startup", "console:create", "console:option",
                                   "console:open", "device:open", "clock", "console:keyPending"});
    const Log expected = {"dialog 101",
                          "sound:init 44100 32 0",
                          "sound:open DuskPulse.ogg",
                          "sound:play",
                          "sound:spectrum on",
                          "console:startup", "console:createConsole",
                          "console:startup", "console:createFormat",
                          "console:option", "console:option",
                          "console:open", "device:open fullscreen hide-cursor ziv 640x480",
                          "console:startup", "console:createSurface",
                          "clock 1000",
                          "console:keyPending"};
    ASSERT_GE(startUp.size(), expected.size());
    EXPECT_EQ(Log(startUp.begin(), startUp.begin() + static_cast<long>(expected.size())), expected);
}

TEST_F(RunSequence, OptionsReachAudioAndConsole) {
    RunOptions.sound = false;
    RunOptions.fullscreen = false;
    console.keysAtPoll[1] = {'q'};
    EXPECT_EQ(run(), 0);
    const Log audio = only(log, {"sound:output", "sound:init"});
    EXPECT_EQ(audio, (Log{"sound:output 0", "sound:init 44100 32 0"}));
    EXPECT_EQ(countOf(log, "device:open windowed hide-cursor ziv 640x480"), 1);
}

TEST_F(RunSequence, CancelledDialogEndsWithStatusOneBeforeAudio) {
    dialog_result = 0;
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(log, (Log{"dialog 101"}));
}

TEST_F(RunSequence, DialogResultsOtherThanZeroGoOn) {
    dialog_result = -1;
    console.keysAtPoll[1] = {'q'};
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(countOf(log, "sound:init 44100 32 0"), 1);
}

TEST_F(RunSequence, FailedAudioEndsWithStatusOneAndNoConsole) {
    init_result = 0;
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(log, (Log{"dialog 101", "sound:init 44100 32 0"}));
}

TEST_F(RunSequence, EscapeMidDrainEndsAtOnceAndLeavesLaterKeysUnread) {
    // Poll 1: head of frame 1; 2: its drain; 3: head of frame 2; 4: its drain.
    console.keysAtPoll[4] = {'a', kConsoleEscapeCode, 'b'};
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(console.presents, 2);
    EXPECT_EQ(countOf(log, "console:readKey"), 2);
    EXPECT_EQ(LastKey.code(), kConsoleEscapeCode);
    EXPECT_EQ(shutDown(), kOrderlyShutDown);
    // The frame is presented before its keys are read.
    const Log tail = only(log, {"device:present", "console:readKey", "console:close"});
    EXPECT_EQ(Log(tail.end() - 4, tail.end()),
              (Log{"device:present", "console:readKey", "console:readKey", "console:close"}));
}

TEST_F(RunSequence, OtherKeysAreDrainedAndOnlyRemembered) {
    console.keysAtPoll[2] = {'x', 'y'};
    console.keysAtPoll[6] = {kConsoleEscapeCode};
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(console.presents, 2);  // x and y did not end the show
    EXPECT_EQ(countOf(log, "console:readKey"), 3);
}

TEST_F(RunSequence, KeyPendingBeforeTheFirstFrameEndsWithoutClosing) {
    console.keysAtPoll[1] = {'k'};
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(console.presents, 0);
    EXPECT_EQ(countOf(log, "console:readKey"), 0);
    EXPECT_EQ(LastKey.code(), 0);
    EXPECT_EQ(countOf(log, "sound:fetch"), 0);
    EXPECT_EQ(shutDown(), (Log{"console:releaseSurface", "console:releaseFormat", "console:releaseConsole",
                               "device:close"}));
}

TEST_F(RunSequence, KeyArrivingAfterTheDrainEndsAtTheNextLoopHead) {
    console.keysAtPoll[3] = {kConsoleEscapeCode};  // after frame 1's drain found nothing
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(console.presents, 1);
    EXPECT_EQ(countOf(log, "console:readKey"), 0);
    EXPECT_EQ(countOf(log, "sound:stop"), 0);
    EXPECT_EQ(countOf(log, "console:close"), 0);
}

TEST_F(RunSequence, TimeLimitLetsExactly394000GoOnAndEndsAfter394001) {
    clock_readings = {1000, 1000 + 394000, 1000 + 394001, 1000 + 500000};
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(console.presents, 2);  // the last frame of a timed run is still shown
    EXPECT_EQ(clock_calls, 3u);
    EXPECT_EQ(shutDown(), kOrderlyShutDown);
    // The limit is tested after the drain: the frame's keys were still read.
    const Log tail = only(log, {"device:present", "console:keyPending", "console:close"});
    EXPECT_EQ(Log(tail.end() - 3, tail.end()), (Log{"device:present", "console:keyPending", "console:close"}));
}

TEST_F(RunSequence, ElapsedTimeSurvivesTheClockWrapping) {
    // 0xFFFFFF00 + 394000 wraps; the difference is what counts.
    clock_readings = {0xFFFFFF00u, 0xFFFFFF00u + 100u, 0xFFFFFF00u + 394000u, 0xFFFFFF00u + 394001u};
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(console.presents, 3);
}

TEST_F(RunSequence, LoopOptionNeverEndsByTime) {
    RunOptions.loop = true;
    clock_readings = {0, 394001, 1000000, 0x7FFFFFFFu, 0x80000000u, 0xF0000000u};
    console.keysAtPoll[14] = {kConsoleEscapeCode};  // drain of frame 7
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(console.presents, 7);
    EXPECT_EQ(shutDown(), kOrderlyShutDown);
}

TEST_F(RunSequence, ElapsedTimeComparesSigned) {
    // Past 2^31 ms the signed difference turns negative and no longer ends the show.
    clock_readings = {0, 0x80000000u, 0xFFFFFFFFu, 394001};
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(console.presents, 3);
    EXPECT_EQ(shutDown(), kOrderlyShutDown);
}

TEST_F(RunSequence, ConsoleFailingToOpenIsReportedAndEndsWithStatusOne) {
    console.failOpen = "no display here";
    testing::internal::CaptureStderr();
    const int status = run();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1);  // a display that cannot be used is a failure, not a show
    EXPECT_EQ(err, "ziv: no display here\n");
    EXPECT_EQ(countOf(log, "console:report"), 1);
    EXPECT_EQ(countOf(log, "sound:stop"), 0);  // the music is not stopped explicitly
    EXPECT_EQ(countOf(log, "console:createSurface"), 0);
    const Log releases = only(log, {"console:release"});
    EXPECT_EQ(releases, (Log{"console:releaseFormat", "console:releaseConsole", "console:releaseError"}));
}

TEST_F(RunSequence, ConsoleFailingMidShowReleasesEverythingAndEndsWithStatusOne) {
    console.failPresentNumber = 3;
    testing::internal::CaptureStderr();
    const int status = run();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "ziv: the display went away\n");
    EXPECT_EQ(console.presents, 3);
    EXPECT_EQ(countOf(log, "sound:stop"), 0);
    const Log releases = only(log, {"console:release", "device:close"});
    EXPECT_EQ(releases, (Log{"console:releaseSurface", "console:releaseFormat", "console:releaseConsole",
                             "device:close", "console:releaseError"}));
}

TEST_F(RunSequence, EveryFrameFetchesLocksPresentsInOrder) {
    console.keysAtPoll[6] = {kConsoleEscapeCode};
    clock_readings = {7, 8, 9, 10};
    EXPECT_EQ(run(), 0);
    const Log frames = only(log, {"sound:fetch", "clock", "console:lock", "console:unlock", "console:copy",
                                  "device:upload", "console:update", "device:present", "console:keyPending"});
    Log expected = {"clock 7"};
    for (const char* now : {"clock 8", "clock 9", "clock 10"}) {
        for (const char* step : {"console:keyPending", "sound:fetch", now, "console:lock", "console:unlock",
                                 "console:copy", "device:upload", "console:update", "device:present",
                                 "console:keyPending"})
            expected.push_back(step);
    }
    EXPECT_EQ(frames, expected);
}

}  // namespace
