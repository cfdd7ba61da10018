#include "output/printable_name.h"

#include <cstdint>
#include <cstdio>

namespace {

void escapeByte(std::string& out, unsigned char c) {
    char text[5];
    std::snprintf(text, sizeof text, "\\x%02X", c);
    out += text;
}

void escapeCodePoint(std::string& out, uint32_t cp) {
    char text[12];
    std::snprintf(text, sizeof text, "\\u%04X", static_cast<unsigned>(cp));
    out += text;
}

// Characters that are valid but act on the terminal or the line rather than show.
bool actsOnTheLine(uint32_t cp) {
    return (cp >= 0x80 && cp <= 0x9F) ||                       // C1 controls (CSI, OSC in 8-bit form)
           cp == 0x061C || cp == 0x200E || cp == 0x200F ||      // bidirectional marks
           (cp >= 0x2028 && cp <= 0x202E) ||                    // line and paragraph separators, embeddings
           (cp >= 0x2066 && cp <= 0x2069);                      // bidirectional isolates
}

// The length of the valid UTF-8 sequence at s[i] and its code point; 0 if none starts there.
size_t validSequence(std::string_view s, size_t i, uint32_t* cp) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    size_t length;
    uint32_t value, lowest;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, value = lead & 0x1F, lowest = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, value = lead & 0x0F, lowest = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, value = lead & 0x07, lowest = 0x10000;
    else return 0;
    if (i + length > s.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if (value < lowest || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) return 0;
    *cp = value;
    return length;
}

}  // namespace

std::string printableName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size();) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x80) {
            switch (c) {
                case '\n': out += "\\n"; break;
                case '\r': out += "\\r"; break;
                case '\t': out += "\\t"; break;
                case 0x1B: out += "\\e"; break;
                case '\\': out += "\\\\"; break;
                default:
                    if (c < 0x20 || c == 0x7F) escapeByte(out, c);
                    else out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        uint32_t cp = 0;
        const size_t length = validSequence(name, i, &cp);
        if (length == 0) {
            escapeByte(out, c);
            ++i;
        } else {
            if (actsOnTheLine(cp)) escapeCodePoint(out, cp);
            else out.append(name.substr(i, length));
            i += length;
        }
    }
    return out;
}
