#include "platform/Codepage.h"

#include <array>

namespace platform {
namespace {

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves undefined map to
// the C1 control of the same value, as MultiByteToWideChar does.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t ansiCharToUtf16(unsigned char c) {
    if (c >= 0x80 && c <= 0x9F)
        return kHigh[c - 0x80];
    return c;
}

char unicodeToAnsi(char32_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<char>(u);
    for (size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == u)
            return static_cast<char>(0x80 + i);
    return '?';
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void appendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

// Decodes one UTF-16 unit sequence; a lone surrogate gives U+FFFD.
char32_t decodeUtf16(std::u16string_view s, size_t& i) {
    const char16_t u = s[i++];
    if (u >= 0xD800 && u <= 0xDBFF && i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF)
        return 0x10000 + ((char32_t(u) - 0xD800) << 10) + (s[i++] - 0xDC00);
    if (u >= 0xD800 && u <= 0xDFFF)
        return 0xFFFD;
    return u;
}

} // namespace

std::optional<char32_t> decodeUtf8(std::string_view text, size_t& pos, Utf8Policy policy) {
    const auto b0 = static_cast<unsigned char>(text[pos]);
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    const size_t extra = (b0 & 0xE0) == 0xC0 ? 1 : (b0 & 0xF0) == 0xE0 ? 2 : (b0 & 0xF8) == 0xF0 ? 3 : 0;
    // A broken sequence is given up after its lead byte; a complete one of a forbidden
    // value after all of it (under Replace; the other policies give up on the lead byte).
    size_t brokenLength = 1;
    if (extra > 0 && pos + extra < text.size()) {
        char32_t cp = b0 & (0x3F >> extra);
        size_t k = 1;
        for (; k <= extra; ++k) {
            const auto b = static_cast<unsigned char>(text[pos + k]);
            if ((b & 0xC0) != 0x80)
                break;
            cp = (cp << 6) | (b & 0x3F);
        }
        if (k > extra) {
            static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
            if (cp >= kMin[extra] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF)) {
                pos += extra + 1;
                return cp;
            }
            brokenLength = extra + 1;
        }
    }
    switch (policy) {
    case Utf8Policy::Strict:
        return std::nullopt;
    case Utf8Policy::Replace:
        pos += brokenLength;
        return U'\uFFFD';
    case Utf8Policy::Latin1:
        break;
    }
    ++pos;
    return b0;
}

size_t utf8SequenceLength(std::string_view text) {
    size_t length = 0;
    if (text.empty() || !decodeUtf8(text, length, Utf8Policy::Strict))
        return 0;
    return length;
}

bool isValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80)
            ++i; // most names are ASCII: no call for them
        else if (!decodeUtf8(text, i, Utf8Policy::Strict))
            return false;
    }
    return true;
}

std::string utf8ToAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();)
        out += unicodeToAnsi(*decodeUtf8(utf8, i, Utf8Policy::Replace));
    return out;
}

std::string ansiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (unsigned char c : ansi)
        appendUtf8(out, ansiCharToUtf16(c));
    return out;
}

std::u16string ansiToUtf16(std::string_view ansi) {
    std::u16string out;
    out.reserve(ansi.size());
    for (unsigned char c : ansi)
        out += ansiCharToUtf16(c);
    return out;
}

std::string utf16ToAnsi(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size();)
        out += unicodeToAnsi(decodeUtf16(utf16, i));
    return out;
}

std::u16string utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();)
        appendUtf16(out, *decodeUtf8(utf8, i, Utf8Policy::Replace));
    return out;
}

std::string utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size();)
        appendUtf8(out, decodeUtf16(utf16, i));
    return out;
}

void appendUtf16Le(std::string& out, std::u16string_view units) {
    const size_t old = out.size();
    out.resize(old + 2 * units.size());
    char* w = out.data() + old;
    for (const char16_t unit : units) {
        *w++ = static_cast<char>(unit & 0xFF);
        *w++ = static_cast<char>(unit >> 8);
    }
}

std::string utf16Le(std::u16string_view units) {
    std::string out;
    appendUtf16Le(out, units);
    return out;
}

char32_t foldCase(char32_t c) {
    if (c >= 'a' && c <= 'z')
        return c - 32;
    // Latin-1 lower-case letters, except the sharp s and the division sign.
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return c - 32;
    if (c == 0xFF)
        return 0x178;
    return c;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        // Fast path for the common ASCII case.
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[j]);
        if (ca < 0x80 && cb < 0x80) {
            if (foldCase(ca) != foldCase(cb))
                return false;
            ++i;
            ++j;
            continue;
        }
        if (foldCase(*decodeUtf8(a, i, Utf8Policy::Replace)) !=
            foldCase(*decodeUtf8(b, j, Utf8Policy::Replace)))
            return false;
    }
    return i == a.size() && j == b.size();
}

} // namespace platform
