// Pins the ANSI code page conversions the registry and text files rely on.
#include "platform/Codepage.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Codepage, EveryByteComesBackFromUtf16AndUtf8) {
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    EXPECT_EQ(utf16ToAnsi(ansiToUtf16(all)), all);
    EXPECT_EQ(utf8ToAnsi(ansiToUtf8(all)), all);
}

TEST(Codepage, HighBytesMapToTheirUnicodeCharacters) {
    EXPECT_EQ(ansiToUtf16("\x80"), std::u16string(1, u'\u20AC'));
    EXPECT_EQ(ansiToUtf8("\xE9"), "\xC3\xA9"); // é
    EXPECT_EQ(ansiToUtf16("\x81"), std::u16string(1, char16_t(0x81)));
}

TEST(Codepage, UnmappableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(utf8ToAnsi("a\xE2\x98\x83z"), "a?z");          // snowman
    EXPECT_EQ(utf8ToAnsi("a\xFFz"), "a?z");                  // invalid byte
    EXPECT_EQ(utf16ToAnsi(std::u16string{u'a', char16_t(0xD800)}), "a?"); // lone surrogate
}

TEST(Codepage, NamesCompareIgnoringCaseBeyondAscii) {
    EXPECT_TRUE(equalsIgnoreCase("Resources", "RESOURCES"));
    EXPECT_TRUE(equalsIgnoreCase("caf\xC3\xA9", "CAF\xC3\x89"));
    EXPECT_FALSE(equalsIgnoreCase("Themes", "Theme"));
    EXPECT_FALSE(equalsIgnoreCase("a", "b"));
}
