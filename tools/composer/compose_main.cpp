// ziv-compose: writes the show's default track, "DuskPulse", as Ogg Vorbis.
//
//   ziv-compose build/DuskPulse.ogg
#include <cstdio>
#include <string>

#include "tools/composer/vorbis_encoder.h"
#include "tools/composer/dsp.h"
#include "tools/composer/song.h"
#include "ziv_version.h"

int main(int argc, char** argv) {
    if (askedForVersion(argc, argv)) return printVersion("ziv-compose");
    if (argc != 2) {
        std::fprintf(stderr, "usage: ziv-compose OUTPUT.ogg\n");
        return 2;
    }
    const std::vector<float> stereo = renderDuskPulse();
    std::string why;
    if (!writeOggVorbis(argv[1], stereo.data(), static_cast<int64_t>(stereo.size() / 2), 2, kSampleRate, 0.6f, &why)) {
        std::fprintf(stderr, "ziv-compose: cannot write '%s': %s\n", argv[1], why.c_str());
        return 1;
    }
    return 0;
}
