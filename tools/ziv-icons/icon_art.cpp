#include "icon_art.h"

#include <cstdio>

#include "platform/app_icon.h"

namespace {

// Tie-break order of halveIcon: the palette's order, transparency last.
int tieRank(uint32_t argb) {
    if ((argb >> 24) == 0) return kAppIconColours;
    const uint32_t* palette = appIconPalette();
    for (int i = 0; i < kAppIconColours; ++i)
        if (palette[i] == (argb & 0xFFFFFFu)) return i;
    return kAppIconColours;  // not a palette colour: treated like transparency
}

}  // namespace

IconImage appIconImage() {
    IconImage icon{kAppIconSize, std::vector<uint32_t>(kAppIconSize * kAppIconSize)};
    if (!appIconPixels(icon.argb.data())) return {};
    return icon;
}

IconImage enlargeIcon(const IconImage& icon, int factor) {
    IconImage big{icon.size * factor, std::vector<uint32_t>(static_cast<size_t>(icon.size * factor * icon.size * factor))};
    for (int y = 0; y < big.size; ++y)
        for (int x = 0; x < big.size; ++x)
            big.argb[static_cast<size_t>(y * big.size + x)] =
                icon.argb[static_cast<size_t>((y / factor) * icon.size + x / factor)];
    return big;
}

IconImage halveIcon(const IconImage& icon) {
    IconImage small{icon.size / 2, std::vector<uint32_t>(static_cast<size_t>((icon.size / 2) * (icon.size / 2)))};
    for (int y = 0; y < small.size; ++y) {
        for (int x = 0; x < small.size; ++x) {
            const uint32_t block[4] = {icon.argb[static_cast<size_t>(2 * y * icon.size + 2 * x)],
                                       icon.argb[static_cast<size_t>(2 * y * icon.size + 2 * x + 1)],
                                       icon.argb[static_cast<size_t>((2 * y + 1) * icon.size + 2 * x)],
                                       icon.argb[static_cast<size_t>((2 * y + 1) * icon.size + 2 * x + 1)]};
            uint32_t best = block[0];
            int bestCount = 0;
            for (uint32_t c : block) {
                int count = 0;
                for (uint32_t d : block) count += d == c;
                if (count > bestCount || (count == bestCount && tieRank(c) < tieRank(best))) {
                    best = c;
                    bestCount = count;
                }
            }
            small.argb[static_cast<size_t>(y * small.size + x)] = best;
        }
    }
    return small;
}

std::string iconSvg(const IconImage& icon) {
    char line[160];
    std::snprintf(line, sizeof line,
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\" "
                  "shape-rendering=\"crispEdges\">\n",
                  icon.size * 8, icon.size * 8, icon.size, icon.size);
    std::string svg = line;
    // One rectangle per run of equal pixels along a row; transparent runs are left out.
    for (int y = 0; y < icon.size; ++y) {
        for (int x = 0; x < icon.size;) {
            const uint32_t c = icon.argb[static_cast<size_t>(y * icon.size + x)];
            int run = 1;
            while (x + run < icon.size && icon.argb[static_cast<size_t>(y * icon.size + x + run)] == c) ++run;
            if ((c >> 24) != 0) {
                std::snprintf(line, sizeof line, "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"1\" fill=\"#%06X\"/>\n", x, y,
                              run, c & 0xFFFFFFu);
                svg += line;
            }
            x += run;
        }
    }
    return svg + "</svg>\n";
}
