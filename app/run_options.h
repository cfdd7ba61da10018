// The three choices of the start-up dialog, process-wide.
#pragma once

struct RunOptionsState {
    bool sound = true;       // false selects the no-sound output
    bool fullscreen = true;  // "fullscreen output" or "windowed output"
    bool loop = false;       // true: the show never ends by time
};

extern RunOptionsState RunOptions;
