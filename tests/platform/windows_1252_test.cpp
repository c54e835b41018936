#include "platform/windows_1252.h"

#include <gtest/gtest.h>

using namespace sw;

TEST(Windows1252, DecodesTheHighRangeAndLatin1) {
    EXPECT_EQ(windows1252ToUtf8("Caf\xE9"), "Caf\xC3\xA9");
    EXPECT_EQ(windows1252ToUtf8("\x80 \x99 \x9F"), "\xE2\x82\xAC \xE2\x84\xA2 \xC5\xB8");
    EXPECT_EQ(windows1252ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Windows1252, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(utf8ToWindows1252(windows1252ToUtf8(all)), all);
}

TEST(Windows1252, CharactersTheCodePageLacksBecomeQuestionMarks) {
    EXPECT_EQ(utf8ToWindows1252("\xE2\x82\xAC\xCE\xA9"), "\x80?"); // euro, omega
    EXPECT_EQ(utf8ToWindows1252("\xF0\x9F\x98\x80x"), "?x");       // outside the BMP
    EXPECT_EQ(utf8ToWindows1252("\xC3"), "?");                     // truncated sequence
    EXPECT_EQ(utf8ToWindows1252("\xFFok"), "?ok");                 // not UTF-8 at all
}
