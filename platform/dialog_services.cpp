#include "platform/dialog_services.h"

namespace {

struct {
    const DialogServices* services = nullptr;
} dialog_state;

const DialogServices& services() {
    if (!dialog_state.services) dialog_state.services = sdlDialogServices();
    return *dialog_state.services;
}

}  // namespace

void useDialogServices(const DialogServices* s) { dialog_state.services = s ? s : sdlDialogServices(); }

intptr_t DialogBoxParamA(ModuleInstance* instance, int templateId, DialogWindow* owner,
                         DialogProcedure procedure, intptr_t initParam) {
    return services().dialogBoxParam(instance, templateId, owner, procedure, initParam);
}
int CheckDlgButton(DialogWindow* window, int id, unsigned state) { return services().checkButton(window, id, state); }
unsigned IsDlgButtonChecked(DialogWindow* window, int id) { return services().isButtonChecked(window, id); }
int EndDialog(DialogWindow* window, intptr_t result) { return services().endDialog(window, result); }
