#include "tools/ziv-render/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "output/printable_name.h"
#include "tools/ziv-render/frame_writers.h"
#include "tools/ziv-render/stop_request.h"

namespace {

// Short, so a name near the file system's limit still has room: the final
// name is not part of it, only the folder it goes into.
constexpr const char* kTemporaryStem = ".partial-XXXXXX";
constexpr int kMaxLinkHops = 40;

mode_t currentUmask() {
    const mode_t m = umask(0);
    umask(m);
    return m;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

void fail(std::string* why, const std::string& text) {
    if (why) *why = text;
}

// Frames of a folder that is being replaced or abandoned; false when it holds anything else.
bool listFrames(const std::string& dir, std::vector<std::string>* frames, std::string* other) {
    DIR* d = opendir(dir.c_str());
    if (!d) return false;
    bool onlyFrames = true;
    while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st;
        if (isFrameFileName(name) && lstat((dir + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            if (frames) frames->push_back(name);
        } else {
            if (other && onlyFrames) *other = name;
            onlyFrames = false;
        }
    }
    closedir(d);
    return onlyFrames;
}

void removeFrameFolder(const std::string& dir) {
    std::vector<std::string> frames;
    listFrames(dir, &frames, nullptr);
    for (const std::string& f : frames) unlink((dir + "/" + f).c_str());
    rmdir(dir.c_str());
}

}  // namespace

bool writeAll(int fd, const void* data, size_t bytes, std::string* why) {
    const char* p = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t n = ::write(fd, p, bytes);
        if (n < 0) {
            if (errno == EINTR && !stopRequested()) continue;
            fail(why, errno == EINTR ? "interrupted" : std::strerror(errno));
            return false;
        }
        p += n;
        bytes -= static_cast<size_t>(n);
    }
    return true;
}

std::string outputTarget(const std::string& path) {
    std::string p = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st;
        if (lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
        std::vector<char> link(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
        const ssize_t n = readlink(p.c_str(), link.data(), link.size() - 1);
        if (n < 0) return p;
        const std::string to(link.data(), static_cast<size_t>(n));
        p = !to.empty() && to[0] == '/' ? to : folderOf(p) + to;
    }
    return p;   // a loop of links: the open reports it
}

bool placeOutput(const std::string& path, const std::string& suffix, OutputPlace* place, std::string* why) {
    *place = OutputPlace{};
    place->finalPath = path;
    if (path == "-") {
        place->inPlace = true;
        place->writePath = path;
        return true;
    }
    const std::string target = outputTarget(path);
    mode_t mode = 0666 & ~currentUmask();
    struct stat st;
    if (stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            fail(why, "is a folder");
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            place->inPlace = true;
            place->writePath = path;
            return true;
        }
        // Renaming over a read-only file would succeed in a writable folder: refuse as writing it would.
        if (access(target.c_str(), W_OK) != 0) {
            fail(why, std::string("cannot be replaced: ") + std::strerror(errno));
            return false;
        }
        mode = st.st_mode & 07777;
    }
    place->finalPath = target;
    const std::string pattern = folderOf(target) + kTemporaryStem + suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkostemps(name.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
    if (fd < 0) {
        fail(why, std::strerror(errno));
        return false;
    }
    fchmod(fd, mode);
    close(fd);
    place->writePath = name.data();
    return true;
}

bool placeFolder(const std::string& path, OutputPlace* place, std::string* why) {
    *place = OutputPlace{};
    place->folder = true;
    const std::string target = outputTarget(path);
    mode_t mode = 0777 & ~currentUmask();
    struct stat st;
    if (stat(target.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) {
            fail(why, "is not a folder");
            return false;
        }
        std::string other;
        if (!listFrames(target, nullptr, &other)) {
            fail(why, other.empty() ? std::string("cannot be read: ") + std::strerror(errno)
                                    : "holds '" + printableName(other) + "', not only frames; give a new or empty folder");
            return false;
        }
        if (access(target.c_str(), W_OK) != 0) {
            fail(why, std::string("cannot be replaced: ") + std::strerror(errno));
            return false;
        }
        mode = st.st_mode & 07777;
    }
    std::string t = target;
    while (t.size() > 1 && t.back() == '/') t.pop_back();
    place->finalPath = t;
    const std::string pattern = folderOf(t) + kTemporaryStem;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) {
        fail(why, std::strerror(errno));
        return false;
    }
    chmod(name.data(), mode);
    place->writePath = name.data();
    return true;
}

bool publishPlacedOutput(const OutputPlace& place, std::string* why) {
    if (place.inPlace) return true;
    if (std::rename(place.writePath.c_str(), place.finalPath.c_str()) == 0) return true;
    if (place.folder && (errno == ENOTEMPTY || errno == EEXIST)) {
        // The earlier frames go as a whole: swap the folders, then clear the old one out.
        if (renameat2(AT_FDCWD, place.writePath.c_str(), AT_FDCWD, place.finalPath.c_str(), RENAME_EXCHANGE) == 0) {
            removeFrameFolder(place.writePath);
            return true;
        }
    }
    fail(why, std::strerror(errno));
    abandonPlacedOutput(place);
    return false;
}

void abandonPlacedOutput(const OutputPlace& place) {
    if (place.inPlace || place.writePath.empty()) return;
    if (place.folder) removeFrameFolder(place.writePath);
    else std::remove(place.writePath.c_str());
}

bool settlePlacedOutput(OutputPlace& place, bool written, std::string* why) {
    bool ok = written;
    if (ok) ok = publishPlacedOutput(place, why);
    else abandonPlacedOutput(place);
    place = OutputPlace{};
    return ok;
}

OutputFile::~OutputFile() { abandon(); }

bool OutputFile::open(const std::string& path, std::string* why) {
    abandon();
    path_ = path;
    completed_ = false;
    if (!placeOutput(path, "", &place_, why)) return false;
    if (path == "-") {
        fd_ = STDOUT_FILENO;
        ownsFd_ = false;
        return true;
    }
    // In place: no O_CREAT needed (the name exists) and no truncation of a device.
    // Opening a FIFO blocks until a reader comes; a stop request ends the wait.
    const int flags = place_.inPlace ? (O_WRONLY | O_CLOEXEC) : (O_WRONLY | O_TRUNC | O_CLOEXEC);
    do fd_ = ::open(place_.writePath.c_str(), flags);
    while (fd_ < 0 && errno == EINTR && !stopRequested());
    if (fd_ < 0) {
        fail(why, errno == EINTR ? "interrupted" : std::strerror(errno));
        abandonPlacedOutput(place_);
        place_ = OutputPlace{};
        return false;
    }
    ownsFd_ = true;
    used_ = 0;
    return true;
}

bool OutputFile::isTerminal() const { return fd_ >= 0 && ::isatty(fd_) == 1; }

bool OutputFile::flush(std::string* why) {
    if (used_ == 0) return true;
    const bool ok = writeAll(fd_, buffer_, used_, why);
    used_ = 0;
    return ok;
}

bool OutputFile::write(const void* data, size_t bytes, std::string* why) {
    if (fd_ < 0) {
        fail(why, "not open");
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

bool OutputFile::complete(std::string* why) {
    if (fd_ < 0) {
        fail(why, "not open");
        return false;
    }
    bool ok = flush(why);
    if (ownsFd_ && ::close(fd_) != 0 && ok) {
        ok = false;
        fail(why, std::strerror(errno));
    }
    fd_ = -1;
    if (!ok) {
        abandon();
        return false;
    }
    completed_ = true;
    return true;
}

bool OutputFile::publish(std::string* why) {
    if (!completed_) {
        fail(why, "not complete");
        return false;
    }
    completed_ = false;
    return settlePlacedOutput(place_, true, why);
}

bool OutputFile::commit(std::string* why) { return complete(why) && publish(why); }

void OutputFile::abandon() {
    if (fd_ >= 0 && ownsFd_) ::close(fd_);
    fd_ = -1;
    used_ = 0;
    completed_ = false;
    abandonPlacedOutput(place_);
    place_ = OutputPlace{};
}

OutputFolder::~OutputFolder() { abandon(); }

bool OutputFolder::open(const std::string& path, std::string* why) {
    abandon();
    return placeFolder(path, &place_, why);
}

bool OutputFolder::writeFile(const std::string& name, const void* data, size_t bytes, std::string* why) {
    if (place_.writePath.empty()) {
        fail(why, "not open");
        return false;
    }
    const std::string path = place_.writePath + "/" + name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        fail(why, std::strerror(errno));
        return false;
    }
    bool ok = writeAll(fd, data, bytes, why);
    if (::close(fd) != 0 && ok) {
        ok = false;
        fail(why, std::strerror(errno));
    }
    return ok;
}

bool OutputFolder::publish(std::string* why) {
    if (place_.writePath.empty()) {
        fail(why, "not open");
        return false;
    }
    return settlePlacedOutput(place_, true, why);
}

void OutputFolder::abandon() {
    abandonPlacedOutput(place_);
    place_ = OutputPlace{};
}
