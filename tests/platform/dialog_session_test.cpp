#include <gtest/gtest.h>

#include "platform/dialog_session.h"
#include "platform/dialog_template.h"

namespace {

DialogSession openOptions() { return openDialogSession(*findDialogTemplate(101)); }

int indexOfId(const DialogSession& s, int id) {
    for (int i = 0; i < s.dialog->controlCount; ++i)
        if (s.dialog->controls[i].id == id) return i;
    return -1;
}

TEST(DialogSession, FocusStartsOnSoundAndTabCyclesTheBoxesSkippingOk) {
    DialogSession s = openOptions();
    EXPECT_EQ(focusedControlId(s), 1000);
    const int forward[] = {1002, 1001, 1000, 1002, 1001, 1000};
    for (int id : forward) {
        EXPECT_EQ(pressDialogKey(s, DialogKey::Tab), 0);
        EXPECT_EQ(focusedControlId(s), id);
    }
    const int backward[] = {1001, 1002, 1000, 1001};
    for (int id : backward) {
        EXPECT_EQ(pressDialogKey(s, DialogKey::ShiftTab), 0);
        EXPECT_EQ(focusedControlId(s), id);
    }
}

TEST(DialogSession, TabTabSpaceTogglesFullscreenAndSendsItsId) {
    DialogSession s = openOptions();
    setDialogButton(s, 1001, 1);
    setDialogButton(s, 1000, 1);
    pressDialogKey(s, DialogKey::Tab);
    pressDialogKey(s, DialogKey::Tab);
    EXPECT_EQ(pressDialogKey(s, DialogKey::Space), 1001);
    EXPECT_EQ(dialogButtonState(s, 1001), 0u);
    EXPECT_EQ(dialogButtonState(s, 1000), 1u);
    EXPECT_EQ(dialogButtonState(s, 1002), 0u);
    EXPECT_EQ(pressDialogKey(s, DialogKey::Space), 1001);
    EXPECT_EQ(dialogButtonState(s, 1001), 1u);
}

TEST(DialogSession, EnterMeansOkEscapeAndCloseMeanCancelWhateverHasTheFocus) {
    DialogSession s = openOptions();
    for (int step = 0; step < 3; ++step) {
        EXPECT_EQ(pressDialogKey(s, DialogKey::Enter), 1);
        EXPECT_EQ(pressDialogKey(s, DialogKey::Escape), 2);
        EXPECT_EQ(pressDialogKey(s, DialogKey::Close), 2);
        pressDialogKey(s, DialogKey::Tab);
    }
    clickDialogControl(s, indexOfId(s, 1));
    EXPECT_EQ(pressDialogKey(s, DialogKey::Enter), 1);
    EXPECT_EQ(pressDialogKey(s, DialogKey::Escape), 2);
    // Keys change no box.
    EXPECT_EQ(dialogButtonState(s, 1000) + dialogButtonState(s, 1001) + dialogButtonState(s, 1002), 0u);
}

TEST(DialogSession, AClickTogglesTheBoxMovesTheFocusAndSendsItsId) {
    DialogSession s = openOptions();
    const int loop = indexOfId(s, 1002);
    EXPECT_EQ(clickDialogControl(s, loop), 1002);
    EXPECT_EQ(dialogButtonState(s, 1002), 1u);
    EXPECT_EQ(focusedControlId(s), 1002);
    EXPECT_EQ(clickDialogControl(s, loop), 1002);
    EXPECT_EQ(dialogButtonState(s, 1002), 0u);

    const int ok = indexOfId(s, 1);
    EXPECT_EQ(clickDialogControl(s, ok), 1);
    EXPECT_EQ(focusedControlId(s), 1);
    EXPECT_EQ(pressDialogKey(s, DialogKey::Space), 1);  // a focused button is pressed by Space
    EXPECT_EQ(pressDialogKey(s, DialogKey::Tab), 0);    // and Tab leaves it for the first tab stop
    EXPECT_EQ(focusedControlId(s), 1000);

    EXPECT_EQ(clickDialogControl(s, -1), 0);
    EXPECT_EQ(clickDialogControl(s, 4), 0);
    EXPECT_EQ(focusedControlId(s), 1000);
}

TEST(DialogSession, AnyStateButCheckedBecomesChecked) {
    DialogSession s = openOptions();
    EXPECT_TRUE(setDialogButton(s, 1000, 2));
    EXPECT_EQ(dialogButtonState(s, 1000), 2u);
    pressDialogKey(s, DialogKey::Space);
    EXPECT_EQ(dialogButtonState(s, 1000), 1u);
    setDialogButton(s, 1000, 0xFFFFFFFFu);
    pressDialogKey(s, DialogKey::Space);
    EXPECT_EQ(dialogButtonState(s, 1000), 1u);
}

TEST(DialogSession, UnknownIdsChangeNothingAndReadUnchecked) {
    DialogSession s = openOptions();
    EXPECT_FALSE(setDialogButton(s, 2, 1));
    EXPECT_FALSE(setDialogButton(s, 1003, 1));
    EXPECT_EQ(dialogButtonState(s, 2), 0u);
    EXPECT_EQ(dialogButtonState(s, 1003), 0u);
    EXPECT_TRUE(setDialogButton(s, 1, 1));  // a push button holds a state too, as its own
    EXPECT_EQ(pressDialogKey(s, DialogKey::Space), 1000);
}

TEST(DialogSession, ADialogWithoutTabStopsHasNoFocusAndIgnoresTabAndSpace) {
    const DialogControlTemplate controls[] = {{1, "OK", {0, 0, 10, 10}, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0}};
    const DialogTemplate t{900, "", {0, 0, 20, 20}, 0, controls, 1};
    DialogSession s = openDialogSession(t);
    EXPECT_EQ(focusedControlId(s), 0);
    EXPECT_EQ(pressDialogKey(s, DialogKey::Tab), 0);
    EXPECT_EQ(focusedControlId(s), 0);
    EXPECT_EQ(pressDialogKey(s, DialogKey::Space), 0);
    EXPECT_EQ(pressDialogKey(s, DialogKey::Enter), 1);
}

}  // namespace
