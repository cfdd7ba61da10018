// Modal dialogs from templates, and their check boxes.
//
//   intptr_t proc(DialogWindow* w, unsigned msg, uintptr_t wParam, intptr_t lParam);
//   intptr_t result = DialogBoxParamA(instance, 101, nullptr, proc, 0);  // -1: no window could be shown
//   CheckDlgButton(w, 1000, kButtonChecked);
//   unsigned state = IsDlgButtonChecked(w, 1000);
//   EndDialog(w, 1);
//
// The procedure receives WM_INITDIALOG once, then WM_COMMAND with the
// control id in the low 16 bits of wParam (2 when Escape is pressed). The
// four functions dispatch through one table, the seam where tests put a
// double (useDialogServices).
#pragma once
#include <cstdint>

struct DialogWindow;     // opaque: one open dialog
struct ModuleInstance;   // opaque: the running program, as the entry point receives it

inline constexpr unsigned WM_INITDIALOG = 0x0110;
inline constexpr unsigned WM_COMMAND = 0x0111;
inline constexpr unsigned kButtonUnchecked = 0;
inline constexpr unsigned kButtonChecked = 1;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

using DialogProcedure = intptr_t (*)(DialogWindow* window, unsigned message, uintptr_t wParam, intptr_t lParam);

intptr_t DialogBoxParamA(ModuleInstance* instance, int templateId, DialogWindow* owner,
                         DialogProcedure procedure, intptr_t initParam);
int CheckDlgButton(DialogWindow* window, int id, unsigned state);
unsigned IsDlgButtonChecked(DialogWindow* window, int id);
int EndDialog(DialogWindow* window, intptr_t result);

// The seam: one entry per function above.
struct DialogServices {
    intptr_t (*dialogBoxParam)(ModuleInstance* instance, int templateId, DialogWindow* owner,
                               DialogProcedure procedure, intptr_t initParam);
    int (*checkButton)(DialogWindow* window, int id, unsigned state);
    unsigned (*isButtonChecked)(DialogWindow* window, int id);
    int (*endDialog)(DialogWindow* window, intptr_t result);
};

// The dialog services over SDL2 and Dear ImGui.
const DialogServices* sdlDialogServices();
// nullptr restores sdlDialogServices().
void useDialogServices(const DialogServices* services);
