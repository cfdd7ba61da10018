// The start-up options dialog (template 101): sound, fullscreen, loop.
//
//   intptr_t result = runOptionsDialog(instance);   // 0: cancelled; -1: no window; else go on
//
// The procedure is exposed for tests; it is the one the dialog runs.
#pragma once
#include <cstdint>

#include "platform/dialog_services.h"

inline constexpr int kOptionsDialogTemplate = 101;
inline constexpr int kIdSoundBox = 1000;
inline constexpr int kIdFullscreenBox = 1001;
inline constexpr int kIdLoopBox = 1002;

intptr_t optionsDialogProcedure(DialogWindow* window, unsigned message, uintptr_t wParam, intptr_t lParam);
intptr_t runOptionsDialog(ModuleInstance* instance);
