#include "app/ziv-play/play_options.h"

#include "output/printable_name.h"

bool parsePlayOptions(int argc, const char* const* argv, PlayOptions& o, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    o = PlayOptions{};
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (optionsEnded || word.empty() || word[0] != '-' || word == "-") {
            if (word.empty()) return fail("an empty file name");
            o.files.push_back(word);
        } else if (word == "--") {
            optionsEnded = true;
        } else if (word == "-h" || word == "--help") {
            o.help = true;
        } else if (word == "--version") {
            o.version = true;
        } else if (word == "--loop") {
            o.loop = true;
        } else if (word == "--window") {
            o.window = true;
        } else if (word == "--mute") {
            o.mute = true;
        } else if (word == "--shuffle") {
            o.shuffle = true;
        } else if (word == "--scale" || word.rfind("--scale=", 0) == 0) {
            std::string value;
            if (word == "--scale") {
                if (i + 1 >= argc) return fail("option '--scale' needs 'fit' or 'integer'");
                value = argv[++i];
            } else {
                value = word.substr(8);
            }
            if (value == "fit") o.fill = true;
            else if (value == "integer") o.fill = false;
            else return fail("--scale '" + printableName(value) + "': not 'fit' or 'integer'");
        } else if (word == "--listen" || word.rfind("--listen=", 0) == 0) {
            o.listen = true;
            if (word != "--listen") o.source = word.substr(9);
            else if (i + 1 < argc && argv[i + 1][0] != '-') o.source = argv[++i];
        } else {
            return fail("unknown option '" + printableName(word) + "'");
        }
    }
    if (o.help || o.version) return true;
    if (o.listen && !o.files.empty()) return fail("--listen shows what the desktop plays: it takes no files");
    if (o.listen && o.shuffle) return fail("--shuffle needs files, not --listen");
    if (!o.listen && o.files.empty()) return fail("no music given: name one or more files, or --listen");
    return true;
}

const char* playUsage() {
    return "usage: ziv-play [--loop] [--shuffle] [--window] [--mute] [--scale fit|integer] FILE...\n"
           "       ziv-play --listen [SOURCE] [--window] [--scale fit|integer]\n"
           "try 'ziv-play --help' for more.\n";
}

const char* playHelp() {
    return "ziv-play: the ziv show on your own music, or on whatever the desktop is playing.\n"
           "\n"
           "  ziv-play FILE...     play the files in order and show them; the show ends with the last.\n"
           "                       Ogg Vorbis and Opus, MP3, AAC/M4A, FLAC, WAV and more.\n"
           "                         ziv-play ~/Music/*.flac\n"
           "  --loop               play the list again and again (until Escape).\n"
           "  --shuffle            play the files in a random order.\n"
           "  --window             a 640x480 window instead of full screen.\n"
           "  --mute               play nothing: the pictures follow the music in silence.\n"
           "  --scale fit|integer  full screen fills the largest 4:3 area, every row the same height\n"
           "                       (fit, the default), or grows by whole factors only (integer).\n"
           "  --listen [SOURCE]    show what the desktop plays: the monitor of the default output,\n"
           "                       or the PulseAudio/PipeWire source named (see 'pactl list short\n"
           "                       sources'). Plays no sound of its own. Should the server go away,\n"
           "                       one line says so and the show ends (status 1).\n"
           "                         ziv-play --listen --window\n"
           "  -h, --help           this text.  --version  the version.\n"
           "\n"
           "Keys: Escape ends; Space pauses and resumes the music and the show; Right and Left go to\n"
           "the next and the previous file; F switches full screen on and off.\n"
           "\n"
           "Exit status: 0 after a show, 1 when nothing can be played (each file that cannot be is\n"
           "named on stderr), no display, no sound server or the server lost while listening, 2 for\n"
           "a bad command line.\n";
}
