#include "app/options_dialog.h"

#include "app/run_options.h"

RunOptionsState RunOptions;

namespace {

unsigned boxState(bool on) { return on ? kButtonChecked : kButtonUnchecked; }

// Only a box that reads exactly "checked" turns its option on.
bool boxIsChecked(DialogWindow* window, int id) { return IsDlgButtonChecked(window, id) == kButtonChecked; }

}  // namespace

intptr_t optionsDialogProcedure(DialogWindow* window, unsigned message, uintptr_t wParam, intptr_t /*lParam*/) {
    if (message == WM_INITDIALOG) {
        CheckDlgButton(window, kIdFullscreenBox, boxState(RunOptions.fullscreen));
        CheckDlgButton(window, kIdSoundBox, boxState(RunOptions.sound));
        CheckDlgButton(window, kIdLoopBox, boxState(RunOptions.loop));
        return 1;
    }
    if (message != WM_COMMAND) return 0;
    switch (static_cast<int>(wParam & 0xFFFFu)) {
        case kIdOk: EndDialog(window, 1); break;
        case kIdCancel: EndDialog(window, 0); break;
        case kIdSoundBox: RunOptions.sound = boxIsChecked(window, kIdSoundBox); break;
        case kIdFullscreenBox: RunOptions.fullscreen = boxIsChecked(window, kIdFullscreenBox); break;
        case kIdLoopBox: RunOptions.loop = boxIsChecked(window, kIdLoopBox); break;
        default: break;
    }
    return 0;
}

intptr_t runOptionsDialog(ModuleInstance* instance) {
    return DialogBoxParamA(instance, kOptionsDialogTemplate, nullptr, optionsDialogProcedure, 0);
}
