// ziv-compose: writes the show's default track, "DuskPulse", as Ogg Vorbis.
//
//   ziv-compose build/DuskPulse.ogg
#include <cstdio>
#include <string>

#include "output/printable_name.h"
#include "tools/composer/vorbis_encoder.h"
#include "tools/composer/dsp.h"
#include "tools/composer/song.h"
#include "ziv_version.h"

namespace {

constexpr const char* kUsage = "usage: ziv-compose OUTPUT.ogg\n";
constexpr const char* kHelp =
    "ziv-compose: writes the show's default track, DuskPulse, as Ogg Vorbis to OUTPUT.ogg.\n"
    "The same bytes on every run.\n"
    "\n"
    "  -h, --help  this text\n"
    "  --version   the version\n"
    "\n"
    "Exit status: 0 written, 1 cannot write, 2 bad command line.\n";

}  // namespace

int main(int argc, char** argv) {
    if (askedForVersion(argc, argv)) return printVersion("ziv-compose");
    if (askedForHelp(argc, argv)) return std::printf("%s%s", kUsage, kHelp) < 0 ? 1 : 0;
    if (const char* option = firstOption(argc, argv)) {
        std::fprintf(stderr, "ziv-compose: unknown option '%s' (a file named so is written as ./%s)\n%s",
                     printableName(option).c_str(), printableName(option).c_str(), kUsage);
        return 2;
    }
    if (argc != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::vector<float> stereo = renderDuskPulse();
    std::string why;
    if (!writeOggVorbis(argv[1], stereo.data(), static_cast<int64_t>(stereo.size() / 2), 2, kSampleRate, 0.6f, &why)) {
        std::fprintf(stderr, "ziv-compose: cannot write '%s': %s\n", printableName(argv[1]).c_str(), why.c_str());
        return 1;
    }
    return 0;
}
