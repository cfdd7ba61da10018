// Names made safe to print: a file name or an argument from the command line
// goes into messages and window titles only through printableName.
//
//   std::fprintf(stderr, "ziv-render: track '%s': %s\n", printableName(path).c_str(), why.c_str());
//   console.setTitle(printableName(name).c_str());
//
// A name may hold anything but '/' and NUL: an escape sequence would retitle or
// clear the user's terminal, a newline would break a one-line message, and bytes
// that are not UTF-8 are not text at all. What comes out is valid UTF-8 on one
// line: printable characters as they are; control characters (C0, DEL, C1) and
// the characters that reorder or break lines (bidirectional controls, line and
// paragraph separators) as \n, \r, \t, \e, \xHH or \uHHHH; bytes that are not
// part of valid UTF-8 as \xHH; a backslash as \\, so every escape reads one way.
#pragma once
#include <string>
#include <string_view>

std::string printableName(std::string_view name);
