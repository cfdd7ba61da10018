#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "app/options_dialog.h"
#include "app/run_options.h"
#include "doubles/dialog_services_double.h"

namespace {

using ziv::test::DialogServicesDouble;
using Checks = std::vector<std::pair<int, unsigned>>;

class OptionsDialog : public ::testing::Test {
protected:
    void SetUp() override { RunOptions = RunOptionsState{}; }
    void TearDown() override { RunOptions = RunOptionsState{}; }

    static bool same(const RunOptionsState& a, const RunOptionsState& b) {
        return a.sound == b.sound && a.fullscreen == b.fullscreen && a.loop == b.loop;
    }
    intptr_t command(DialogServicesDouble& d, uintptr_t wParam) {
        return optionsDialogProcedure(d.window(), WM_COMMAND, wParam, 0);
    }
};

TEST_F(OptionsDialog, InitialisationSetsTheBoxesFromTheOptionsFullscreenFirst) {
    DialogServicesDouble dialog;
    RunOptions = {true, true, false};
    EXPECT_NE(optionsDialogProcedure(dialog.window(), WM_INITDIALOG, 0, 0), 0);
    EXPECT_EQ(dialog.checks, (Checks{{1001, 1}, {1000, 1}, {1002, 0}}));

    DialogServicesDouble other;
    RunOptions = {false, false, true};
    optionsDialogProcedure(other.window(), WM_INITDIALOG, 0, 0);
    EXPECT_EQ(other.checks, (Checks{{1001, 0}, {1000, 0}, {1002, 1}}));
    EXPECT_TRUE(other.endResults.empty());
}

TEST_F(OptionsDialog, EachBoxCommandCopiesOnlyItsOwnBox) {
    DialogServicesDouble dialog;
    dialog.boxes = {{1000, kButtonUnchecked}, {1001, kButtonUnchecked}, {1002, kButtonChecked}};
    RunOptions = {true, true, false};

    EXPECT_EQ(command(dialog, 1000), 0);
    EXPECT_TRUE(same(RunOptions, {false, true, false}));
    EXPECT_EQ(command(dialog, 1001), 0);
    EXPECT_TRUE(same(RunOptions, {false, false, false}));
    EXPECT_EQ(command(dialog, 1002), 0);
    EXPECT_TRUE(same(RunOptions, {false, false, true}));
    // Each command read its own box and no other.
    EXPECT_EQ(dialog.reads, (Checks{{1000, 0}, {1001, 0}, {1002, 1}}));
    EXPECT_TRUE(dialog.endResults.empty());
}

TEST_F(OptionsDialog, TheIdIsTheLowSixteenBitsOfTheFirstParameter) {
    DialogServicesDouble dialog;
    dialog.boxes = {{1000, kButtonUnchecked}, {1002, kButtonChecked}};
    command(dialog, (uintptr_t{0x1234} << 16) | 1000);  // any notification code
    EXPECT_FALSE(RunOptions.sound);
    command(dialog, 0x10000u + 1002u);  // a carry into the high half is not part of the id
    EXPECT_TRUE(RunOptions.loop);
    command(dialog, (uintptr_t{1000} << 16) | 5);  // a known id in the high half only
    EXPECT_TRUE(RunOptions.fullscreen);
    EXPECT_EQ(dialog.reads.size(), 2u);
    command(dialog, (uintptr_t{7} << 16) | 2);
    EXPECT_EQ(dialog.endResults, (std::vector<intptr_t>{0}));
}

TEST_F(OptionsDialog, OnlyAStateOfExactlyOneCountsAsChecked) {
    DialogServicesDouble dialog;
    for (unsigned state : {2u, 3u, 0x80000001u, 0xFFFFFFFFu}) {
        RunOptions = {true, true, true};
        dialog.boxes = {{1000, state}, {1001, state}, {1002, state}};
        command(dialog, 1000);
        command(dialog, 1001);
        command(dialog, 1002);
        EXPECT_TRUE(same(RunOptions, {false, false, false})) << "state " << state;
    }
}

TEST_F(OptionsDialog, OkEndsWithOneAndCancelWithZeroLeavingTheOptions) {
    DialogServicesDouble dialog;
    RunOptions = {false, true, true};
    EXPECT_EQ(command(dialog, 1), 0);
    EXPECT_EQ(command(dialog, 2), 0);
    EXPECT_EQ(dialog.endResults, (std::vector<intptr_t>{1, 0}));
    EXPECT_TRUE(same(RunOptions, {false, true, true}));
    EXPECT_TRUE(dialog.reads.empty());
}

TEST_F(OptionsDialog, OtherIdsAndMessagesDoNothing) {
    DialogServicesDouble dialog;
    for (uintptr_t id : {0u, 3u, 999u, 1003u, 101u, 0xFFFFu}) EXPECT_EQ(command(dialog, id), 0) << id;
    for (unsigned message : {0x0000u, 0x0002u, 0x0010u, 0x0100u, 0x0112u}) {
        EXPECT_EQ(optionsDialogProcedure(dialog.window(), message, 1000, 0), 0) << message;
        EXPECT_EQ(optionsDialogProcedure(dialog.window(), message, 1, 0), 0) << message;
    }
    EXPECT_TRUE(dialog.checks.empty());
    EXPECT_TRUE(dialog.reads.empty());
    EXPECT_TRUE(dialog.endResults.empty());
    EXPECT_TRUE(same(RunOptions, RunOptionsState{}));
}

TEST_F(OptionsDialog, RunsTemplate101WithoutOwnerAndWithZeroParameter) {
    DialogServicesDouble dialog;
    dialog.sendCommand(1);
    EXPECT_EQ(runOptionsDialog(nullptr), 1);
    EXPECT_EQ(dialog.templateId, 101);
    EXPECT_EQ(dialog.owner, nullptr);
    EXPECT_EQ(dialog.initParam, 0);
    EXPECT_NE(dialog.initResult, 0);  // true: the dialog puts the focus on its first control
}

TEST_F(OptionsDialog, OkWithoutTouchingAnythingKeepsTheDefaults) {
    DialogServicesDouble dialog;
    dialog.sendCommand(1);
    EXPECT_EQ(runOptionsDialog(nullptr), 1);
    EXPECT_TRUE(same(RunOptions, {true, true, false}));
}

TEST_F(OptionsDialog, TogglingABoxTwiceLeavesItsOptionAsItWas) {
    DialogServicesDouble dialog;
    for (int id : {1000, 1001, 1002}) {
        dialog.clickBox(id);
        dialog.clickBox(id);
    }
    dialog.sendCommand(1);
    EXPECT_EQ(runOptionsDialog(nullptr), 1);
    EXPECT_EQ(dialog.commandsSent, 7);
    EXPECT_TRUE(same(RunOptions, {true, true, false}));
}

TEST_F(OptionsDialog, EveryToggleIsCopiedAtOnceAndOkKeepsThem) {
    DialogServicesDouble dialog;
    dialog.clickBox(1001);
    dialog.clickBox(1002);
    dialog.clickBox(1000);
    dialog.sendCommand(1);
    EXPECT_EQ(runOptionsDialog(nullptr), 1);
    EXPECT_TRUE(same(RunOptions, {false, false, true}));
}

TEST_F(OptionsDialog, EscapeAfterChangesCancelsAndNothingArrivesAfterTheEnd) {
    DialogServicesDouble dialog;
    dialog.clickBox(1001);
    dialog.sendCommand(2);
    dialog.clickBox(1000);  // never delivered: the dialog has ended
    dialog.sendCommand(1);
    EXPECT_EQ(runOptionsDialog(nullptr), 0);
    EXPECT_EQ(dialog.commandsSent, 2);
    EXPECT_EQ(dialog.endResults, (std::vector<intptr_t>{0}));
    EXPECT_TRUE(RunOptions.sound);
}

}  // namespace
