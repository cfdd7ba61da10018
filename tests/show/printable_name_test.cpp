// Names from outside reach a terminal or a window title only as one line of valid UTF-8.
#include <gtest/gtest.h>

#include <string>

#include "output/printable_name.h"

namespace {

TEST(PrintableName, PlainAndUnicodeNamesStayAsTheyAre) {
    EXPECT_EQ(printableName("DuskPulse.ogg"), "DuskPulse.ogg");
    EXPECT_EQ(printableName("Ça va – 夜の曲 🎵.mp3"), "Ça va – 夜の曲 🎵.mp3");
    EXPECT_EQ(printableName(""), "");
}

TEST(PrintableName, ControlCharactersAreEscaped) {
    EXPECT_EQ(printableName("bad\x1b]0;PWNED\a.mp3"), "bad\\e]0;PWNED\\x07.mp3");
    EXPECT_EQ(printableName("\x1b[2J"), "\\e[2J");
    EXPECT_EQ(printableName("a\rb\nc\td"), "a\\rb\\nc\\td");
    EXPECT_EQ(printableName(std::string("x\0y\x7f", 4)), "x\\x00y\\x7F");
    // The C1 controls are valid UTF-8 but act on the terminal (U+009B is CSI).
    EXPECT_EQ(printableName("\xc2\x9b" "2J"), "\\u009B2J");
    // Right-to-left override and line separator.
    EXPECT_EQ(printableName("evil\xe2\x80\xaegpj.ogg"), "evil\\u202Egpj.ogg");
    EXPECT_EQ(printableName("a\xe2\x80\xa8" "b"), "a\\u2028b");
}

TEST(PrintableName, BytesThatAreNotUtf8AreShownAsEscapes) {
    EXPECT_EQ(printableName("caf\xe9.ogg"), "caf\\xE9.ogg");                   // Latin-1
    EXPECT_EQ(printableName("\xc0\xaf"), "\\xC0\\xAF");                        // overlong '/'
    EXPECT_EQ(printableName("\xed\xa0\x80"), "\\xED\\xA0\\x80");               // a surrogate
    EXPECT_EQ(printableName("\xf4\x90\x80\x80"), "\\xF4\\x90\\x80\\x80");      // past U+10FFFF
    EXPECT_EQ(printableName("end\xe2\x82"), "end\\xE2\\x82");                  // cut short
    EXPECT_EQ(printableName("\x80" "abc"), "\\x80abc");                        // a lone continuation byte
}

TEST(PrintableName, EveryEscapeReadsOneWay) {
    // A backslash in the name is doubled, so "\\x41" cannot pass for the byte 0x41.
    EXPECT_EQ(printableName("a\\x41"), "a\\\\x41");
    EXPECT_NE(printableName("a\\x41"), printableName("a\x41"));
}

TEST(PrintableName, OutputIsOneLineOfPrintableAsciiForAnyByte) {
    for (int c = 0; c < 256; ++c) {
        const std::string in(1, static_cast<char>(c));
        const std::string out = printableName(in);
        for (char o : out) {
            const auto u = static_cast<unsigned char>(o);
            EXPECT_TRUE(u >= 0x20 && u < 0x7F) << "byte " << c << " gives " << out;
        }
    }
}

}  // namespace
