#pragma once
// The ANSI code page of the Windows side: Windows-1252. Registry "A" calls and text
// files speak it; host file names and the rest of the program speak UTF-8.

#include <string>
#include <string_view>

namespace platform {

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

// Case folding the way Windows compares names: ASCII and the Latin-1 letters.
char32_t foldCase(char32_t c);
// Case-insensitive equality of two UTF-8 names.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

} // namespace platform
