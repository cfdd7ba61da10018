// Command line of ziv-play.
//
//   PlayOptions o;
//   std::string error;
//   if (!parsePlayOptions(argc, argv, o, &error)) { /* print error + playUsage(), exit 2 */ }
//
// Parsing only checks the words; whether the files can be played is decided after.
#pragma once
#include <string>
#include <vector>

struct PlayOptions {
    std::vector<std::string> files;
    bool loop = false;        // --loop: the list again and again
    bool window = false;      // --window: a 640x480 window instead of full screen
    bool mute = false;        // --mute: the pictures follow the music in silence
    bool shuffle = false;     // --shuffle: the files in a random order
    bool fill = true;         // --scale fit (true) or integer (false)
    bool listen = false;      // --listen: what the desktop plays
    std::string source;       // --listen SOURCE; empty: the default output's monitor
    bool help = false;
    bool version = false;
};

bool parsePlayOptions(int argc, const char* const* argv, PlayOptions& options, std::string* error);
const char* playUsage();
const char* playHelp();
