#include "platform/dialog_session.h"

#include "platform/dialog_services.h"

namespace {

int controlCount(const DialogSession& s) {
    if (!s.dialog) return 0;
    return s.dialog->controlCount < kMaxDialogControls ? s.dialog->controlCount : kMaxDialogControls;
}

int indexOf(const DialogSession& s, int id) {
    for (int i = 0; i < controlCount(s); ++i)
        if (s.dialog->controls[i].id == id) return i;
    return -1;
}

// The next control with a tab stop after `from` in template order (step +1)
// or before it (step -1), wrapping round; `from` itself when it is the only one.
int nextTabStop(const DialogSession& s, int from, int step) {
    const int n = controlCount(s);
    if (n == 0) return -1;
    int i = from < 0 ? (step > 0 ? n - 1 : 0) : from;
    for (int k = 0; k < n; ++k) {
        i = (i + step + n) % n;
        if (controlHasTabStop(s.dialog->controls[i])) return i;
    }
    return from;
}

// A box that is anything but checked becomes checked, as an automatic
// two-state box does.
int activate(DialogSession& s, int index) {
    const DialogControlTemplate& c = s.dialog->controls[index];
    if (controlIsCheckBox(c)) s.states[index] = s.states[index] == 1 ? 0u : 1u;
    return c.id;
}

}  // namespace

DialogSession openDialogSession(const DialogTemplate& dialog) {
    DialogSession s;
    s.dialog = &dialog;
    s.focus = nextTabStop(s, -1, +1);
    return s;
}

int pressDialogKey(DialogSession& s, DialogKey key) {
    switch (key) {
        case DialogKey::Tab: s.focus = nextTabStop(s, s.focus, +1); return 0;
        case DialogKey::ShiftTab: s.focus = nextTabStop(s, s.focus, -1); return 0;
        case DialogKey::Space: return s.focus >= 0 ? activate(s, s.focus) : 0;
        case DialogKey::Enter:
            // A focused push button answers Enter itself; otherwise Enter means OK.
            if (s.focus >= 0 && controlIsPushButton(s.dialog->controls[s.focus])) return s.dialog->controls[s.focus].id;
            return kIdOk;
        case DialogKey::Escape:
        case DialogKey::Close: return kIdCancel;
    }
    return 0;
}

int clickDialogControl(DialogSession& s, int index) {
    if (index < 0 || index >= controlCount(s)) return 0;
    s.focus = index;
    return activate(s, index);
}

bool setDialogButton(DialogSession& s, int id, unsigned state) {
    const int i = indexOf(s, id);
    if (i < 0) return false;
    s.states[i] = state;
    return true;
}

unsigned dialogButtonState(const DialogSession& s, int id) {
    const int i = indexOf(s, id);
    return i < 0 ? 0u : s.states[i];
}

int focusedControlId(const DialogSession& s) { return s.focus >= 0 ? s.dialog->controls[s.focus].id : 0; }
