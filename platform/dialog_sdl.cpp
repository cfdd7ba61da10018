#include "platform/dialog_services.h"

// The window of the dialog is not built yet: the dialog runs its procedure's
// initialisation and accepts the options as they stand.
namespace {

intptr_t acceptDefaults(ModuleInstance*, int, DialogWindow*, DialogProcedure procedure, intptr_t initParam) {
    procedure(nullptr, WM_INITDIALOG, 0, initParam);
    return 1;
}
int ignoreCheck(DialogWindow*, int, unsigned) { return 1; }
unsigned readUnchecked(DialogWindow*, int) { return kButtonUnchecked; }
int ignoreEnd(DialogWindow*, intptr_t) { return 1; }

const DialogServices not_yet_built = {acceptDefaults, ignoreCheck, readUnchecked, ignoreEnd};

}  // namespace

const DialogServices* sdlDialogServices() { return &not_yet_built; }
