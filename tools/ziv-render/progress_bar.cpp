#include "tools/ziv-render/progress_bar.h"

#include <unistd.h>

#include <cstdio>

bool shouldShowProgress(bool forced, bool suppressed) {
    if (suppressed) return false;
    return forced || isatty(STDERR_FILENO) == 1;
}

std::string formatProgress(int64_t done, int64_t total, double framesPerSecond, int width) {
    const int64_t filled = total > 0 ? done * width / total : total < 0 ? 0 : width;
    std::string bar = "[";
    for (int i = 0; i < width; ++i) bar += i < filled ? '#' : '.';
    bar += "] ";
    char text[128];
    if (total < 0) {   // a length known only at the end
        std::snprintf(text, sizeof text, "%lld frames  %.1f fps", static_cast<long long>(done), framesPerSecond);
    } else if (framesPerSecond > 0 && done < total) {
        const auto left = static_cast<int64_t>(static_cast<double>(total - done) / framesPerSecond + 0.5);
        std::snprintf(text, sizeof text, "%lld/%lld frames  %.1f fps  %lld:%02lld left", static_cast<long long>(done),
                      static_cast<long long>(total), framesPerSecond, static_cast<long long>(left / 60),
                      static_cast<long long>(left % 60));
    } else {
        std::snprintf(text, sizeof text, "%lld/%lld frames  %.1f fps", static_cast<long long>(done),
                      static_cast<long long>(total), framesPerSecond);
    }
    return bar + text;
}

ProgressBar::ProgressBar(int64_t total, bool visible)
    : total_(total), visible_(visible), start_(std::chrono::steady_clock::now()), last_(start_) {}

void ProgressBar::draw(int64_t done) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double fps = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
    std::fprintf(stderr, "\r%s    ", formatProgress(done, total_, fps, 30).c_str());
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressBar::update(int64_t done) {
    if (!visible_) return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    draw(done);
}

void ProgressBar::finish(int64_t done) {
    if (!visible_) return;
    draw(done);
    std::fputc('\n', stderr);
    visible_ = false;
}

void ProgressBar::leave() {
    if (visible_ && drawn_) std::fputc('\n', stderr);
    visible_ = false;
}
