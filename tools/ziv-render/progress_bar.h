// The progress bar on stderr: frames, frames per second, time left.
//
//   ProgressBar bar(total, shouldShowProgress(o.progress, o.noProgress));
//   bar.update(done);        // cheap; redraws at most ten times a second
//   bar.finish(done);        // total -1: a length known only at the end
#pragma once
#include <chrono>
#include <cstdint>
#include <string>

bool shouldShowProgress(bool forced, bool suppressed);
// One line of the bar (no carriage return), width characters of bar.
std::string formatProgress(int64_t done, int64_t total, double framesPerSecond, int width);

class ProgressBar {
public:
    ProgressBar(int64_t total, bool visible);
    void update(int64_t done);
    void finish(int64_t done);
    void leave();   // ends the bar's line where it stands

private:
    void draw(int64_t done);
    int64_t total_;
    bool visible_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_, last_;
};
