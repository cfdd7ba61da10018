// Outputs that never leave half a file under their name.
//
//   OutputFile out;
//   std::string why;
//   if (!out.open("frames.raw", &why)) ...      // "-" is standard output
//   out.write(bytes, n, &why);
//   out.complete(&why);                          // everything written and closed, still beside the name
//   out.publish(&why);                           // renamed into place; or destroy it / abandon(): nothing stays
//
//   OutputFolder png;                            // a folder of frames, all or nothing
//   png.open("shots", &why);
//   png.writeFile("frame-000000.png", bytes, n, &why);
//   png.publish(&why);
//
// A regular file (or a name that does not exist yet) is written to a
// temporary file beside it, with the replaced file's permissions, and
// renamed into place by publish; a file the user could not write is refused.
// "-", /dev/null, FIFOs and other special files are written in place and
// never renamed over. A symbolic link is followed, a dangling one too: the
// file it points to is written and the link stays, as a shell's '>' does.
// placeOutput makes the same choice for a file that another program (ffmpeg)
// writes. A folder of frames is written as a new folder beside its name and
// swapped into place, so frames of an earlier render never mix with new ones;
// a folder holding anything but frame-NNNNNN.png files is never replaced.
#pragma once
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

struct OutputPlace {
    bool inPlace = false;      // write straight to the name
    bool folder = false;       // a folder of frames
    std::string writePath;     // where the bytes go (a temporary name beside the target when !inPlace)
    std::string finalPath;     // the name asked for, symbolic links followed
};

// The file a write to path reaches: symbolic links of the last part followed, dangling ones too.
std::string outputTarget(const std::string& path);
// Chooses where an output is written; for a regular file, creates the empty
// temporary file. suffix is kept at the end of the temporary name.
bool placeOutput(const std::string& path, const std::string& suffix, OutputPlace* place, std::string* why);
// Creates the temporary folder for a folder of frames.
bool placeFolder(const std::string& path, OutputPlace* place, std::string* why);
// Renames a finished temporary file or folder into place.
bool publishPlacedOutput(const OutputPlace& place, std::string* why);
void abandonPlacedOutput(const OutputPlace& place);
// Publishes the output when it was written in full, else abandons it; either way the place is spent.
bool settlePlacedOutput(OutputPlace& place, bool written, std::string* why);

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool open(const std::string& path, std::string* why);
    bool write(const void* data, size_t bytes, std::string* why);
    bool complete(std::string* why);  // flush and close; the file still waits beside its name
    bool publish(std::string* why);   // rename into place
    bool commit(std::string* why);    // complete, then publish
    void abandon();                   // close and remove the temporary file
    bool isOpen() const { return fd_ >= 0; }
    bool isTerminal() const;          // what was opened is a terminal (whatever its name)
    const std::string& path() const { return path_; }

private:
    bool flush(std::string* why);
    std::string path_;
    OutputPlace place_;
    int fd_ = -1;
    bool ownsFd_ = false;
    bool completed_ = false;
    unsigned char buffer_[1 << 16];
    size_t used_ = 0;
};

class OutputFolder {
public:
    OutputFolder() = default;
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    bool open(const std::string& path, std::string* why);
    bool writeFile(const std::string& name, const void* data, size_t bytes, std::string* why);
    bool publish(std::string* why);
    void abandon();

private:
    OutputPlace place_;
};

// Writes all bytes to fd, retrying after short writes and interruptions
// (unless a stop was requested, which fails with "interrupted").
bool writeAll(int fd, const void* data, size_t bytes, std::string* why);
