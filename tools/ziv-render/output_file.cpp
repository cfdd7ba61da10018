#include "tools/ziv-render/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

mode_t currentUmask() {
    const mode_t m = umask(0);
    umask(m);
    return m;
}

std::string resolveLinks(const std::string& path) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved)) return resolved;
    return path;
}

}  // namespace

bool writeAll(int fd, const void* data, size_t bytes, std::string* why) {
    const char* p = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t n = ::write(fd, p, bytes);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (why) *why = std::strerror(errno);
            return false;
        }
        p += n;
        bytes -= static_cast<size_t>(n);
    }
    return true;
}

bool placeOutput(const std::string& path, const std::string& suffix, OutputPlace* place, std::string* why) {
    *place = OutputPlace{};
    place->finalPath = path;
    if (path == "-") {
        place->inPlace = true;
        place->writePath = path;
        return true;
    }
    struct stat st;
    if (stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            if (why) *why = "is a folder";
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            place->inPlace = true;
            place->writePath = path;
            return true;
        }
        // Replace the file a link points to, not the link.
        place->finalPath = resolveLinks(path);
    }
    const size_t slash = place->finalPath.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "" : place->finalPath.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? place->finalPath : place->finalPath.substr(slash + 1);
    std::string pattern = dir + "." + base + ".partial-XXXXXX" + suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkostemps(name.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
    if (fd < 0) {
        if (why) *why = std::strerror(errno);
        return false;
    }
    fchmod(fd, 0666 & ~currentUmask());
    close(fd);
    place->writePath = name.data();
    return true;
}

bool finishPlacedOutput(const OutputPlace& place, std::string* why) {
    if (place.inPlace) return true;
    if (std::rename(place.writePath.c_str(), place.finalPath.c_str()) != 0) {
        if (why) *why = std::strerror(errno);
        std::remove(place.writePath.c_str());
        return false;
    }
    return true;
}

void abandonPlacedOutput(const OutputPlace& place) {
    if (!place.inPlace && !place.writePath.empty()) std::remove(place.writePath.c_str());
}

bool settlePlacedOutput(OutputPlace& place, bool written, std::string* why) {
    bool ok = written;
    if (ok) ok = finishPlacedOutput(place, why);
    else abandonPlacedOutput(place);
    place = OutputPlace{};
    return ok;
}

OutputFile::~OutputFile() { abandon(); }

bool OutputFile::open(const std::string& path, std::string* why) {
    abandon();
    path_ = path;
    if (!placeOutput(path, "", &place_, why)) return false;
    if (path == "-") {
        fd_ = STDOUT_FILENO;
        ownsFd_ = false;
        return true;
    }
    // In place: no O_CREAT needed (the name exists) and no truncation of a device.
    const int flags = place_.inPlace ? (O_WRONLY | O_CLOEXEC) : (O_WRONLY | O_TRUNC | O_CLOEXEC);
    fd_ = ::open(place_.writePath.c_str(), flags);
    if (fd_ < 0) {
        if (why) *why = std::strerror(errno);
        abandonPlacedOutput(place_);
        place_ = OutputPlace{};
        return false;
    }
    ownsFd_ = true;
    used_ = 0;
    return true;
}

bool OutputFile::flush(std::string* why) {
    if (used_ == 0) return true;
    const bool ok = writeAll(fd_, buffer_, used_, why);
    used_ = 0;
    return ok;
}

bool OutputFile::write(const void* data, size_t bytes, std::string* why) {
    if (fd_ < 0) {
        if (why) *why = "not open";
        return false;
    }
    if (used_ + bytes <= sizeof buffer_) {
        std::memcpy(buffer_ + used_, data, bytes);
        used_ += bytes;
        return true;
    }
    if (!flush(why)) return false;
    if (bytes >= sizeof buffer_) return writeAll(fd_, data, bytes, why);
    std::memcpy(buffer_, data, bytes);
    used_ = bytes;
    return true;
}

bool OutputFile::commit(std::string* why) {
    if (fd_ < 0) {
        if (why) *why = "not open";
        return false;
    }
    bool ok = flush(why);
    if (ownsFd_ && ::close(fd_) != 0 && ok) {
        ok = false;
        if (why) *why = std::strerror(errno);
    }
    fd_ = -1;
    return settlePlacedOutput(place_, ok, why);
}

void OutputFile::abandon() {
    if (fd_ >= 0 && ownsFd_) ::close(fd_);
    fd_ = -1;
    used_ = 0;
    abandonPlacedOutput(place_);
    place_ = OutputPlace{};
}
