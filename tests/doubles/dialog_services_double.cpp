#include "doubles/dialog_services_double.h"

namespace ziv::test {

// The double is reached through plain function pointers, so the active one
// is process-wide; the handle a procedure receives is this fixed address.
struct DialogServicesDoubleAccess {
    static inline DialogServicesDouble* active = nullptr;
    static inline int handle = 0;

    static DialogWindow* window() { return reinterpret_cast<DialogWindow*>(&handle); }

    static intptr_t dialogBoxParam(ModuleInstance*, int templateId, DialogWindow* owner, DialogProcedure procedure,
                                   intptr_t initParam) {
        DialogServicesDouble& d = *active;
        d.templateId = templateId;
        d.owner = owner;
        d.initParam = initParam;
        d.initResult = procedure(window(), WM_INITDIALOG, 0, initParam);
        for (const DialogServicesDouble::Step& step : d.script_) {
            if (!d.endResults.empty()) break;  // the dialog is gone: nothing more arrives
            if (step.toggle) d.boxes[step.id] = d.boxes[step.id] == kButtonChecked ? kButtonUnchecked : kButtonChecked;
            ++d.commandsSent;
            procedure(window(), WM_COMMAND, step.wParam, 0);
        }
        return d.endResults.empty() ? -1 : d.endResults.front();
    }
    static int checkButton(DialogWindow* w, int id, unsigned state) {
        if (w != window()) return 0;
        active->checks.emplace_back(id, state);
        active->boxes[id] = state;
        return 1;
    }
    static unsigned isButtonChecked(DialogWindow* w, int id) {
        if (w != window()) return 0;
        const auto it = active->boxes.find(id);
        const unsigned state = it == active->boxes.end() ? kButtonUnchecked : it->second;
        active->reads.emplace_back(id, state);
        return state;
    }
    static int endDialog(DialogWindow* w, intptr_t result) {
        if (w != window()) return 0;
        active->endResults.push_back(result);
        return 1;
    }
    static constexpr DialogServices table = {dialogBoxParam, checkButton, isButtonChecked, endDialog};
};

DialogServicesDouble::DialogServicesDouble() {
    DialogServicesDoubleAccess::active = this;
    useDialogServices(&DialogServicesDoubleAccess::table);
}

DialogServicesDouble::~DialogServicesDouble() {
    useDialogServices(nullptr);
    DialogServicesDoubleAccess::active = nullptr;
}

void DialogServicesDouble::clickBox(int id) { script_.push_back({true, id, static_cast<uintptr_t>(id)}); }
void DialogServicesDouble::sendCommand(uintptr_t wParam) { script_.push_back({false, 0, wParam}); }
DialogWindow* DialogServicesDouble::window() const { return DialogServicesDoubleAccess::window(); }

}  // namespace ziv::test
