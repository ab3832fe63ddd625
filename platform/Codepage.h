#pragma once
// The ANSI code page of the Windows side: Windows-1252. Registry "A" calls and text
// files speak it; host file names and the rest of the program speak UTF-8.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// What a UTF-8 decoder does with bytes that are no UTF-8 (a lead byte without its
// continuation, an overlong form, a surrogate, a code point beyond U+10FFFF).
enum class Utf8Policy {
    // The text is refused.
    Strict,
    // U+FFFD, as a converter must give something: a broken sequence costs its lead byte, a
    // complete sequence of a forbidden value all of its bytes.
    Replace,
    // The byte stands for itself as a Latin-1 character: text written by hand in another
    // code page keeps its letters.
    Latin1,
};
// Decodes the character at text[pos] (pos < text.size()) and moves pos past it. nullopt,
// pos unchanged, only under Strict when the bytes at pos are no UTF-8.
std::optional<char32_t> decodeUtf8(std::string_view text, size_t& pos, Utf8Policy policy);
// The length of the well-formed UTF-8 sequence text starts with; 0 when it starts with none.
size_t utf8SequenceLength(std::string_view text);
bool isValidUtf8(std::string_view text);

// UTF-8 -> Windows-1252; a character the code page lacks becomes '?' (WideCharToMultiByte's
// default character). Windows' own "A" calls pick a best-fit character instead, which can
// turn a fullwidth or division slash into '\' or '/'; '?' keeps such a name from becoming
// a path. Invalid UTF-8 bytes become '?'.
std::string utf8ToAnsi(std::string_view utf8);
// Windows-1252 -> UTF-8; the five undefined bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to
// the C1 controls of the same number, as Windows does.
std::string ansiToUtf8(std::string_view ansi);
std::u16string ansiToUtf16(std::string_view ansi);
std::string utf16ToAnsi(std::u16string_view utf16);
std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);
// UTF-16 units as the bytes the registry keeps them in: each unit low byte first, no
// terminator added.
void appendUtf16Le(std::string& out, std::u16string_view units);
std::string utf16Le(std::u16string_view units);

// Case folding the way Windows compares names: ASCII and the Latin-1 letters.
char32_t foldCase(char32_t c);
// Case-insensitive equality of two UTF-8 names.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

} // namespace platform
