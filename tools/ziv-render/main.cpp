// ziv-render: the show rendered offline, frame-exact.
#include "tools/ziv-render/render_run.h"
#include "tools/ziv-render/stop_request.h"

int main(int argc, char** argv) {
    // Ctrl-C or a terminating signal stops the render cleanly, even one blocked on a FIFO:
    // no half-written files stay behind and no ffmpeg is left running.
    installStopSignals();
    return renderMain(argc, argv);
}
