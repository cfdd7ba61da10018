// What an open dialog does with keys and clicks, apart from any window:
// which control has the focus, the check boxes' states, and which command
// each input sends to the dialog's procedure.
//
//   DialogSession s = openDialogSession(*findDialogTemplate(101));  // focus on the first tab stop
//   int id = pressDialogKey(s, DialogKey::Space);   // toggles the focused box; id to send, or 0
//   id = clickDialogControl(s, 3);                  // control index in template order
//   setDialogButton(s, 1000, kButtonChecked);       // false: no such control
//   unsigned state = dialogButtonState(s, 1000);
//
// Automatic check boxes change state before their command is sent, so the
// procedure reads the new state when it handles the command.
#pragma once
#include "platform/dialog_template.h"

inline constexpr int kMaxDialogControls = 16;

enum class DialogKey { Tab, ShiftTab, Space, Enter, Escape, Close };

struct DialogSession {
    const DialogTemplate* dialog = nullptr;
    unsigned states[kMaxDialogControls] = {};
    int focus = -1;  // control index, -1 when no control takes the focus
};

DialogSession openDialogSession(const DialogTemplate& dialog);
int pressDialogKey(DialogSession& session, DialogKey key);
int clickDialogControl(DialogSession& session, int index);
bool setDialogButton(DialogSession& session, int id, unsigned state);
unsigned dialogButtonState(const DialogSession& session, int id);
int focusedControlId(const DialogSession& session);
