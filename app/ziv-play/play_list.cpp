#include "app/ziv-play/play_list.h"

#include <algorithm>
#include <random>

PlayList::PlayList(std::vector<std::string> files, bool loop) : files_(std::move(files)), loop_(loop) {}

void PlayList::shuffle(uint64_t seed) {
    std::mt19937_64 generator(seed);
    std::shuffle(files_.begin(), files_.end(), generator);
    at_ = 0;
}

bool PlayList::next() {
    if (files_.empty()) return false;
    if (at_ + 1 < files_.size()) {
        ++at_;
        return true;
    }
    if (!loop_) return false;
    at_ = 0;
    return true;
}

void PlayList::previous() {
    if (at_ > 0) --at_;
    else if (loop_ && !files_.empty()) at_ = files_.size() - 1;
}

bool PlayList::dropCurrent() {
    if (files_.empty()) return false;
    files_.erase(files_.begin() + static_cast<std::ptrdiff_t>(at_));
    if (at_ < files_.size()) return true;
    at_ = 0;
    return loop_ && !files_.empty();
}
