// ziv-play: the show on your own music, or on what the desktop is playing.
#include <cstdint>

#include "platform/app_icon.h"
#include "platform/console.h"
#include "app/ziv-play/play_run.h"

int main(int argc, char** argv) {
    uint8_t icon[kAppIconSize * kAppIconSize * 4];
    if (appIconRgba(icon)) consoleSetIcon(icon, kAppIconSize, kAppIconSize);
    return playMain(argc, argv);
}
