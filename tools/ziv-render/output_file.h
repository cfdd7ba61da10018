// An output that never leaves half a file under its name.
//
//   OutputFile out;
//   std::string why;
//   if (!out.open("frames.raw", &why)) ...      // "-" is standard output
//   out.write(bytes, n, &why);
//   out.commit(&why);                            // or destroy it / abandon(): nothing stays
//
// A regular file (or a name that does not exist yet) is written to a
// temporary file beside it and renamed into place by commit. "-",
// /dev/null, FIFOs and other special files are written in place and never
// renamed over. placeOutput makes the same choice for a file that another
// program (ffmpeg) writes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct OutputPlace {
    bool inPlace = false;      // write straight to the name
    std::string writePath;     // where the bytes go (a temporary name beside the target when !inPlace)
    std::string finalPath;     // the name asked for (symbolic links resolved for regular files)
};

// Chooses where an output is written; for a regular file, creates the empty
// temporary file. suffix is kept at the end of the temporary name.
bool placeOutput(const std::string& path, const std::string& suffix, OutputPlace* place, std::string* why);
// Renames a finished temporary file into place.
bool finishPlacedOutput(const OutputPlace& place, std::string* why);
void abandonPlacedOutput(const OutputPlace& place);
// Finishes the output when it was written in full, else abandons it; either way the place is spent.
bool settlePlacedOutput(OutputPlace& place, bool written, std::string* why);

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool open(const std::string& path, std::string* why);
    bool write(const void* data, size_t bytes, std::string* why);
    bool commit(std::string* why);   // flush, close, rename into place
    void abandon();                  // close and remove the temporary file
    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

private:
    bool flush(std::string* why);
    std::string path_;
    OutputPlace place_;
    int fd_ = -1;
    bool ownsFd_ = false;
    unsigned char buffer_[1 << 16];
    size_t used_ = 0;
};

// Writes all bytes to fd, retrying after interruptions and short writes.
bool writeAll(int fd, const void* data, size_t bytes, std::string* why);
