// ziv-render: the show rendered offline, frame-exact.
#include "audio/track_reader.h"
#include "tools/ziv-render/render_run.h"
#include "tools/ziv-render/stop_request.h"

int main(int argc, char** argv) {
    // Ctrl-C or a terminating signal stops the render cleanly, even one blocked on a FIFO:
    // no half-written files stay behind and no ffmpeg is left running.
    installStopSignals();
    // The same stop ends a track's open or read that is under way.
    setTrackStopCheck(stopRequested);
    return renderMain(argc, argv);
}
