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
    EXPECT_EQ(utf8ToAnsi("a\xE2\x98\x83z"), "a?z");                       // snowman
    EXPECT_EQ(utf8ToAnsi("a\xFFz"), "a?z");                               // invalid byte
    EXPECT_EQ(utf16ToAnsi(std::u16string{u'a', char16_t(0xD800)}), "a?"); // lone surrogate
}

TEST(Codepage, NamesCompareIgnoringCaseBeyondAscii) {
    EXPECT_TRUE(equalsIgnoreCase("Resources", "RESOURCES"));
    EXPECT_TRUE(equalsIgnoreCase("caf\xC3\xA9", "CAF\xC3\x89"));
    EXPECT_FALSE(equalsIgnoreCase("Themes", "Theme"));
    EXPECT_FALSE(equalsIgnoreCase("a", "b"));
}

TEST(Codepage, Utf8IsRecognisedStrictly) {
    EXPECT_TRUE(isValidUtf8("Blue/caf\xC3\xA9.txt"));
    EXPECT_TRUE(isValidUtf8("\xF0\x9F\x8E\xA8")); // a four-byte character
    EXPECT_FALSE(isValidUtf8("caf\xE9"));         // a single Latin-1 byte
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));        // overlong "/"
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));    // a surrogate
    EXPECT_FALSE(isValidUtf8("ab\xC3"));          // cut short
}

// Each decoding of the same bytes, character by character, until the text ends or the
// decoder refuses it (0xFFFFFFFF then).
std::u32string decodeAll(std::string_view text, Utf8Policy policy) {
    std::u32string out;
    for (size_t i = 0; i < text.size();) {
        const size_t before = i;
        const auto c = decodeUtf8(text, i, policy);
        if (!c) {
            EXPECT_EQ(i, before) << "a refusal consumes nothing";
            out += char32_t(0xFFFFFFFF);
            break;
        }
        EXPECT_GT(i, before) << "every character consumes a byte at least";
        out += *c;
    }
    return out;
}

TEST(Codepage, EachUtf8PolicyMeetsBrokenBytesItsOwnWay) {
    const std::string_view good = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xA8";
    for (const auto policy : {Utf8Policy::Strict, Utf8Policy::Replace, Utf8Policy::Latin1})
        EXPECT_EQ(decodeAll(good, policy), U"a\u00E9\u20AC\U0001F3A8");

    // A lone Latin-1 byte, a sequence cut short by an ASCII letter, then a surrogate.
    const std::string_view bad = "\xE9z\xE2\x82z\xED\xA0\x80";
    EXPECT_EQ(decodeAll(bad, Utf8Policy::Strict), std::u32string(1, char32_t(0xFFFFFFFF)));
    // The broken sequence costs its lead byte (its continuation is one more broken byte);
    // the complete sequence of a forbidden value costs all of its three bytes.
    EXPECT_EQ(decodeAll(bad, Utf8Policy::Replace), U"\uFFFDz\uFFFD\uFFFDz\uFFFD");
    EXPECT_EQ(decodeAll(bad, Utf8Policy::Latin1), U"\u00E9z\u00E2\u0082z\u00ED\u00A0\u0080");
    EXPECT_EQ(utf8SequenceLength(bad), 0u);
    EXPECT_EQ(utf8SequenceLength(good.substr(1)), 2u);
    EXPECT_EQ(utf8SequenceLength(good.substr(6)), 4u);
    EXPECT_EQ(utf8SequenceLength(good.substr(6, 3)), 0u) << "cut short";
}
