// ziv-render: the show rendered offline, frame-exact.
#include <csignal>

#include "tools/ziv-render/render_run.h"

namespace {
void onSignal(int) { requestRenderStop(); }
}  // namespace

int main(int argc, char** argv) {
    // Ctrl-C or a terminating signal stops the render cleanly: no half-written files stay behind.
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGHUP, onSignal);
    std::signal(SIGPIPE, SIG_IGN);
    return renderMain(argc, argv);
}
