#pragma once
// QString <-> the ANSI code page (Windows-1252) and host-path text (UTF-8), the two
// conversions every shared routine needs at its edges.

#include "platform/Codepage.h"

#include <QString>

#include <string>
#include <string_view>

namespace quorlin {

inline std::string toAnsi(const QString& text) {
    return platform::utf16ToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                     static_cast<size_t>(text.size())));
}

inline QString fromAnsi(std::string_view ansi) {
    const std::u16string wide = platform::ansiToUtf16(ansi);
    return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

// Whether the ANSI code page holds every character of text (no '?' in its place).
inline bool ansiCanCarry(const QString& text) {
    return fromAnsi(toAnsi(text)) == text;
}

// Windows paths go to the platform layer as UTF-8, like host file names.
inline std::string toPathText(const QString& path) {
    return path.toStdString();
}
inline QString fromPathText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace quorlin
