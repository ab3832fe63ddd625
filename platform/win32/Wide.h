#pragma once
// The Win32 back end's texts: the interface speaks UTF-8 for names and paths, the
// system's wide ("W") calls UTF-16, which is what wchar_t holds on Windows.

#include "platform/Codepage.h"

#include <string>
#include <string_view>

namespace platform::win32 {

inline std::wstring wide(std::string_view utf8) {
    const std::u16string units = utf8ToUtf16(utf8);
    return std::wstring(units.begin(), units.end());
}

inline std::string narrow(std::wstring_view units) {
    return utf16ToUtf8(std::u16string(units.begin(), units.end()));
}

} // namespace platform::win32
