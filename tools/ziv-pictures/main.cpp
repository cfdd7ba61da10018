// ziv-pictures: draws the show's 35 picture blocks and a contact sheet.
//
//   ziv-pictures pictures/blocks docs/pictures.png [PNG_DIR]
//
// With PNG_DIR, each block is also written there at full size as blockNN.png.
// Every drawing is seeded, so the files come out byte for byte the same on every run.
// Each block is decoded again through the show's own decoder, compared with what
// was drawn, and the decoded pictures make up the contact sheet.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include "output/printable_name.h"
#include "pictures/pcx_decoder.h"
#include "pictures/picture_bank.h"
#include "pictures/picture_blocks.h"
#include "pictures/read_stream.h"
#include "tools/ziv-pictures/drawings.h"
#include "tools/ziv-pictures/font.h"
#include "tools/ziv-pictures/pcx_writer.h"
#include "ziv_version.h"

namespace {

Grey drawBlock(int block) {
    switch (block) {
        case 1: return drawSoftLight();
        case 2: return drawRings();
        case 3: return drawDarkClouds();
        case 4: return drawMidClouds();
        case 5: return drawFineNoise();
        case 6: return drawLandscape();
        case 35: return drawDashRing();
        default: return block <= 15 ? drawSurface(block - 7) : drawCollage(block - 16);
    }
}

// What each block must come out as: intensity range and mean. The collages'
// means step evenly from 6 to 70.
struct Target {
    int min, max;
    double mean, meanTolerance;
};

Target targetOf(int block) {
    static const Target kSingles[6] = {{86, 221, 179.0, 0.5}, {4, 73, 32.0, 0.5}, {0, 120, 34.0, 0.5},
                                       {32, 216, 117.0, 0.5}, {0, 255, 128.0, 0.5}, {0, 255, 162.0, 0.5}};
    static const double kSurfaceMeans[9] = {117.0, 146.0, 132.0, 175.0, 103.0, 88.0, 161.0, 59.0, 74.0};
    if (block <= 6) return kSingles[block - 1];
    if (block <= 15) return {-1, -1, kSurfaceMeans[block - 7], 0.5};
    if (block <= 34) return {0, 255, 6.0 + (block - 16) * (64.0 / 18.0), 0.5};
    return {0, 217, 0.3, 0.3};
}

bool onTarget(const GreyStats& s, const Target& t) {
    if (t.min >= 0 && (s.min != t.min || s.max != t.max)) return false;
    return s.mean >= t.mean - t.meanTolerance && s.mean <= t.mean + t.meanTolerance;
}

struct BankEntry {
    std::string name;
    int block;
};

// The bank's pictures in decoding order, from the bank's own table; labels
// in the sheet's capitals ("PICTURE5", "SET A[3]").
std::vector<BankEntry> bankEntries() {
    std::vector<BankEntry> e;
    for (int i = 0; i < kPictureBankSize; ++i) {
        const PictureDecodeStep& step = pictureDecodeSteps()[i];
        std::string label = step.name;
        for (const char* set : {"PictureSetA", "PictureSetB"})
            if (label.rfind(set, 0) == 0) label = std::string("SET ") + set[10] + label.substr(11);
        for (char& c : label) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        e.push_back({label, step.block});
    }
    return e;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Contact sheet: pictures at half size, six to a row, a label under each.
constexpr int kColumns = 6, kTileW = kWidth / 2, kTileH = kHeight / 2, kGap = 8, kLabelH = 12;

void drawLabel(std::vector<uint8_t>& sheet, int sheetW, const std::string& text, int x, int y) {
    for (char ch : text) {
        const unsigned char* rows = glyphRows(ch);
        for (int r = 0; r < kGlyphHeight; ++r) {
            for (int col = 0; col < kGlyphWidth; ++col) {
                if (rows[r] & (1u << (4 - col))) sheet[static_cast<size_t>((y + r) * sheetW + x + col)] = 230;
            }
        }
        x += kGlyphWidth + 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (askedForVersion(argc, argv)) return printVersion("ziv-pictures");
    constexpr const char* kUsage = "usage: ziv-pictures BLOCK_DIR CONTACT_SHEET_PNG [PNG_DIR]\n";
    if (askedForHelp(argc, argv))
        return std::printf("%sziv-pictures: draws the show's 35 picture blocks as PCX files into BLOCK_DIR and\n"
                           "their contact sheet as CONTACT_SHEET_PNG; with PNG_DIR, each block also as a PNG.\n"
                           "Every drawing is seeded: the same bytes on every run.\n\n"
                           "  -h, --help  this text\n  --version   the version\n\n"
                           "Exit status: 0 written, 1 cannot write or a block is off its target, 2 bad command line.\n",
                           kUsage) < 0 ? 1 : 0;
    if (const char* option = firstOption(argc, argv)) {
        std::fprintf(stderr, "ziv-pictures: unknown option '%s' (a file named so is given as ./%s)\n%s",
                     printableName(option).c_str(), printableName(option).c_str(), kUsage);
        return 2;
    }
    if (argc != 3 && argc != 4) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string blockDir = argv[1], sheetPath = argv[2], pngDir = argc == 4 ? argv[3] : "";
    std::vector<std::vector<uint8_t>> blocks;
    std::vector<std::vector<int32_t>> decoded;
    for (int b = 1; b <= kPictureBlockCount; ++b) {
        const Grey grey = drawBlock(b);
        std::vector<uint8_t> block = encodePcx(grey);
        char name[32];
        std::snprintf(name, sizeof name, "/block%02d.pcx", b);
        const std::string path = blockDir + name;
        if (!writeFile(path, block)) {
            std::fprintf(stderr, "ziv-pictures: cannot write '%s': %s\n", printableName(path).c_str(), std::strerror(errno));
            return 1;
        }
        std::vector<int32_t> picture(kWidth * kHeight, -1);
        MemoryStream* stream = openMemoryStream(block.data(), static_cast<int32_t>(block.size()));
        decodePcx(stream, kWidth, kHeight, picture.data());
        delete stream;
        for (size_t i = 0; i < picture.size(); ++i) {
            if (picture[i] != grey[i]) {
                std::fprintf(stderr, "ziv-pictures: block %d does not decode to its drawing at pixel %zu\n", b, i);
                return 1;
            }
        }
        if (!pngDir.empty()) {
            std::snprintf(name, sizeof name, "/block%02d.png", b);
            const std::string png = pngDir + name;
            if (!stbi_write_png(png.c_str(), kWidth, kHeight, 1, grey.data(), kWidth)) {
                std::fprintf(stderr, "ziv-pictures: cannot write '%s'\n", printableName(png).c_str());
                return 1;
            }
        }
        const GreyStats s = statsOf(grey);
        std::printf("block%02d  %3d..%3d  mean %7.3f  %6zu bytes\n", b, s.min, s.max, s.mean, block.size());
        if (!onTarget(s, targetOf(b))) {
            const Target t = targetOf(b);
            std::fprintf(stderr, "ziv-pictures: block %d came out %d..%d, mean %.3f; it must be %d..%d, mean %.1f\n", b,
                         s.min, s.max, s.mean, t.min, t.max, t.mean);
            return 1;
        }
        blocks.push_back(std::move(block));
        decoded.push_back(std::move(picture));
    }

    const std::vector<BankEntry> entries = bankEntries();
    const int rows = (static_cast<int>(entries.size()) + kColumns - 1) / kColumns;
    const int sheetW = kColumns * (kTileW + kGap) + kGap, sheetH = rows * (kTileH + kLabelH + kGap) + kGap;
    std::vector<uint8_t> sheet(static_cast<size_t>(sheetW * sheetH), 40);
    for (size_t n = 0; n < entries.size(); ++n) {
        const int ox = kGap + static_cast<int>(n % kColumns) * (kTileW + kGap);
        const int oy = kGap + static_cast<int>(n / kColumns) * (kTileH + kLabelH + kGap);
        const std::vector<int32_t>& p = decoded[static_cast<size_t>(entries[n].block - 1)];
        for (int y = 0; y < kTileH; ++y) {
            for (int x = 0; x < kTileW; ++x) {
                const auto at = [&](int dx, int dy) { return p[static_cast<size_t>((2 * y + dy) * kWidth + 2 * x + dx)]; };
                const int sum = at(0, 0) + at(1, 0) + at(0, 1) + at(1, 1);
                sheet[static_cast<size_t>((oy + y) * sheetW + ox + x)] = static_cast<uint8_t>((sum + 2) / 4);
            }
        }
        char label[48];
        std::snprintf(label, sizeof label, "%s B%02d", entries[n].name.c_str(), entries[n].block);
        drawLabel(sheet, sheetW, label, ox, oy + kTileH + 3);
    }
    if (!stbi_write_png(sheetPath.c_str(), sheetW, sheetH, 1, sheet.data(), sheetW)) {
        std::fprintf(stderr, "ziv-pictures: cannot write '%s'\n", printableName(sheetPath).c_str());
        return 1;
    }
    std::printf("wrote %d blocks to %s and the contact sheet %s\n", kPictureBlockCount, blockDir.c_str(), sheetPath.c_str());
    return 0;
}
