// ziv: the show takes no arguments; everything it asks, it asks in its dialog.
#include <cstdint>

#include "app/run_sequence.h"
#include "platform/app_icon.h"
#include "platform/console.h"

int main() {
    uint8_t icon[kAppIconSize * kAppIconSize * 4];
    if (appIconRgba(icon)) consoleSetIcon(icon, kAppIconSize, kAppIconSize);  // the show's window
    return runShow(nullptr);
}
