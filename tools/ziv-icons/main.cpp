// ziv-icons: writes the application's icon files for the desktop from the one
// design in platform/app_icon.cpp. The build runs it; the files are installed.
//
//   ziv-icons OUT_DIR    # ziv-16.png ziv-32.png ziv-48.png ziv-256.png ziv.svg
//
// 32 is the design itself and 256 the design at 8x. 16 is the design halved
// (halveIcon), and 48, no whole multiple of 32, is that 16-pixel icon at 3x:
// every size is a whole-number scale of one drawing, so pixels stay square.
#include <cstdio>
#include <string>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include "icon_art.h"
#include "output/printable_name.h"
#include "ziv_version.h"

namespace {

bool writePng(const std::string& path, const IconImage& icon) {
    std::vector<uint8_t> rgba(icon.argb.size() * 4);
    for (size_t i = 0; i < icon.argb.size(); ++i) {
        rgba[4 * i + 0] = static_cast<uint8_t>(icon.argb[i] >> 16);
        rgba[4 * i + 1] = static_cast<uint8_t>(icon.argb[i] >> 8);
        rgba[4 * i + 2] = static_cast<uint8_t>(icon.argb[i]);
        rgba[4 * i + 3] = static_cast<uint8_t>(icon.argb[i] >> 24);
    }
    return stbi_write_png(path.c_str(), icon.size, icon.size, 4, rgba.data(), icon.size * 4) != 0;
}

bool writeText(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (askedForVersion(argc, argv)) return printVersion("ziv-icons");
    constexpr const char* kUsage = "usage: ziv-icons OUT_DIR\n";
    if (askedForHelp(argc, argv))
        return std::printf("%sziv-icons: draws the desktop icons (16, 32, 48 and 256 pixel PNGs and an SVG) of the\n"
                           "program's own icon into OUT_DIR, which must exist.\n\n"
                           "  -h, --help  this text\n  --version   the version\n\n"
                           "Exit status: 0 written, 1 cannot write, 2 bad command line.\n",
                           kUsage) < 0 ? 1 : 0;
    if (const char* option = firstOption(argc, argv)) {
        std::fprintf(stderr, "ziv-icons: unknown option '%s' (a folder named so is given as ./%s)\n%s",
                     printableName(option).c_str(), printableName(option).c_str(), kUsage);
        return 2;
    }
    if (argc != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string dir = argv[1];
    const IconImage icon = appIconImage();
    if (icon.size == 0) {
        std::fprintf(stderr, "ziv-icons: the application icon's rows are malformed\n");
        return 1;
    }
    const IconImage small = halveIcon(icon);
    const struct {
        const char* name;
        IconImage image;
    } pngs[] = {{"ziv-16.png", small}, {"ziv-32.png", icon}, {"ziv-48.png", enlargeIcon(small, 3)},
                {"ziv-256.png", enlargeIcon(icon, 8)}};
    for (const auto& png : pngs) {
        if (!writePng(dir + "/" + png.name, png.image)) {
            std::fprintf(stderr, "ziv-icons: cannot write '%s/%s'\n", printableName(dir).c_str(), png.name);
            return 1;
        }
    }
    if (!writeText(dir + "/ziv.svg", iconSvg(icon))) {
        std::fprintf(stderr, "ziv-icons: cannot write '%s/ziv.svg'\n", printableName(dir).c_str());
        return 1;
    }
    return 0;
}
