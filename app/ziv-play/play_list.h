// The order files play in: forwards, backwards, around again with --loop,
// and without the files that turn out unplayable.
//
//   PlayList list(files, loop);
//   if (shuffle) list.shuffle(seed);
//   list.current();            // the file to play
//   if (!list.next()) ...      // past the last without --loop: the show ends
//   list.previous();           // back one; at the first, stays there (or wraps with --loop)
//   list.dropCurrent();        // the next one becomes current; false when none follows
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class PlayList {
public:
    PlayList(std::vector<std::string> files, bool loop);
    void shuffle(uint64_t seed);
    const std::string& current() const { return files_[at_]; }
    size_t position() const { return at_; }
    size_t size() const { return files_.size(); }
    bool empty() const { return files_.empty(); }
    bool next();
    void previous();
    bool dropCurrent();
private:
    std::vector<std::string> files_;
    size_t at_ = 0;
    bool loop_;
};
