// Which files a render reads and writes, and whether any two of them are one file.
//
//   std::string why;
//   if (!checkFileRoles(options, &why)) { /* ziv-render: why; exit 2, before anything is read or written */ }
//
// Files are compared by what they are, not by how they are spelt: by device
// and inode where the file exists (hard links and symbolic links included),
// else by the resolved path a write would create. Character devices
// (/dev/null) may be named any number of times; standard output ('-') once.
// Nothing may be read from or written into the PNG folder, which is replaced
// as a whole.
#pragma once
#include <string>

#include "tools/ziv-render/render_options.h"

bool checkFileRoles(const RenderOptions& options, std::string* why);
// Whether two names reach the same file.
bool sameFile(const std::string& a, const std::string& b);
