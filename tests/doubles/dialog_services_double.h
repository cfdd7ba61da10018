// A stand-in for the dialog services: records what a dialog procedure asks
// of its dialog and plays a scripted user against it.
//
//   DialogServicesDouble dialog;            // installed until it leaves scope
//   dialog.boxes[1000] = kButtonChecked;    // what IsDlgButtonChecked reads
//   dialog.clickBox(1000);                  // scripted: toggle box 1000, then WM_COMMAND 1000
//   dialog.sendCommand(2);                  // scripted: WM_COMMAND with this wParam
//   intptr_t r = runOptionsDialog(nullptr); // runs the script until EndDialog
//   dialog.checks;                          // every CheckDlgButton call, in order
#pragma once
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "platform/dialog_services.h"

namespace ziv::test {

class DialogServicesDouble {
public:
    DialogServicesDouble();
    ~DialogServicesDouble();
    DialogServicesDouble(const DialogServicesDouble&) = delete;
    DialogServicesDouble& operator=(const DialogServicesDouble&) = delete;

    void clickBox(int id);               // an automatic box: toggled, then its command
    void sendCommand(uintptr_t wParam);  // a command as it is

    // What the procedure did.
    std::vector<std::pair<int, unsigned>> checks;  // CheckDlgButton (id, state)
    std::vector<intptr_t> endResults;              // EndDialog results
    std::vector<std::pair<int, unsigned>> reads;   // IsDlgButtonChecked (id, state returned)
    std::map<int, unsigned> boxes;                 // box states by id
    // How the dialog was opened.
    int templateId = 0;
    DialogWindow* owner = nullptr;
    intptr_t initParam = -1;
    intptr_t initResult = 0;  // what the procedure returned for WM_INITDIALOG
    int commandsSent = 0;

    DialogWindow* window() const;

private:
    struct Step {
        bool toggle;
        int id;
        uintptr_t wParam;
    };
    std::vector<Step> script_;
    friend struct DialogServicesDoubleAccess;
};

}  // namespace ziv::test
