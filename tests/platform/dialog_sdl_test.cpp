#include <SDL.h>
#include <gtest/gtest.h>

#include "doubles/test_support.h"
#include "platform/dialog_services.h"

namespace {

using ziv::test::ScopedEnv;

int procedure_calls = 0;
intptr_t countingProcedure(DialogWindow*, unsigned, uintptr_t, intptr_t) {
    ++procedure_calls;
    return 1;
}

// Without anyone to see the dialog it must not wait for an answer: it
// returns -1 at once and its procedure never runs.
TEST(DialogServicesSdl, NoVisibleDisplayGivesMinusOneWithoutRunningTheProcedure) {
    useDialogServices(nullptr);
    for (const char* driver : {"dummy", "offscreen"}) {
        ScopedEnv env("SDL_VIDEODRIVER", driver);
        procedure_calls = 0;
        EXPECT_EQ(DialogBoxParamA(nullptr, 101, nullptr, countingProcedure, 0), -1) << driver;
        EXPECT_EQ(procedure_calls, 0) << driver;
        EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u) << driver << ": the video subsystem was left running";
    }
}

TEST(DialogServicesSdl, UnknownTemplateOrMissingProcedureGivesMinusOne) {
    useDialogServices(nullptr);
    procedure_calls = 0;
    EXPECT_EQ(DialogBoxParamA(nullptr, 102, nullptr, countingProcedure, 0), -1);
    EXPECT_EQ(DialogBoxParamA(nullptr, 101, nullptr, nullptr, 0), -1);
    EXPECT_EQ(procedure_calls, 0);
}

TEST(DialogServicesSdl, ButtonCallsOnAWindowThatIsNotOpenFailQuietly) {
    useDialogServices(nullptr);
    int not_a_dialog = 0;
    DialogWindow* stale = reinterpret_cast<DialogWindow*>(&not_a_dialog);
    for (DialogWindow* w : {static_cast<DialogWindow*>(nullptr), stale}) {
        EXPECT_EQ(CheckDlgButton(w, 1000, kButtonChecked), 0);
        EXPECT_EQ(IsDlgButtonChecked(w, 1000), kButtonUnchecked);
        EXPECT_EQ(EndDialog(w, 1), 0);
    }
    EXPECT_EQ(not_a_dialog, 0);
}

}  // namespace
