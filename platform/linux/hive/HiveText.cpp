#include "platform/linux/hive/HiveText.h"

#include "platform/Codepage.h"

#include <array>
#include <cstdio>
#include <ctime>

namespace platform::hive {
namespace {

constexpr uint64_t kTicks1601To1970 = 116444736000000000ull;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;

constexpr auto kHexTable = [] {
    std::array<int8_t, 256> t{};
    for (auto& v : t)
        v = -1;
    for (int c = '0'; c <= '9'; ++c)
        t[static_cast<size_t>(c)] = static_cast<int8_t>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c)
        t[static_cast<size_t>(c)] = static_cast<int8_t>(c - 'a' + 10);
    for (int c = 'A'; c <= 'F'; ++c)
        t[static_cast<size_t>(c)] = static_cast<int8_t>(c - 'A' + 10);
    return t;
}();

inline int hexValue(char c) {
    return kHexTable[static_cast<unsigned char>(c)];
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Wine writes pure ASCII; a hand-edited file may hold UTF-8, and anything else is taken as
// Latin-1 rather than refused. The character at t[p] goes to sink as its UTF-16 units.
template <class Sink> void sinkRaw(std::string_view t, size_t& p, Sink& sink) {
    char32_t cp = *decodeUtf8(t, p, Utf8Policy::Latin1);
    if (cp < 0x10000) {
        sink(static_cast<char16_t>(cp));
        return;
    }
    cp -= 0x10000;
    sink(static_cast<char16_t>(0xD800 + (cp >> 10)));
    sink(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
}

// The one reader of escaped text; sink(unit) receives each unit.
template <class Sink> size_t unescapeWith(std::string_view t, size_t p, char endChar, Sink&& sink) {
    const size_t n = t.size();
    while (p < n) {
        const char c = t[p];
        if (c == endChar)
            return p;
        if (c == '\n')
            return std::string_view::npos;
        if (c != '\\') {
            if (static_cast<unsigned char>(c) < 0x80) {
                sink(static_cast<char16_t>(c));
                ++p;
            } else {
                sinkRaw(t, p, sink);
            }
            continue;
        }
        if (++p >= n || t[p] == '\n')
            return std::string_view::npos;
        const char e = t[p];
        char16_t u;
        switch (e) {
        case 'a':
            u = 7;
            ++p;
            break;
        case 'b':
            u = 8;
            ++p;
            break;
        case 'e':
            u = 27;
            ++p;
            break;
        case 'f':
            u = 12;
            ++p;
            break;
        case 'n':
            u = 10;
            ++p;
            break;
        case 'r':
            u = 13;
            ++p;
            break;
        case 't':
            u = 9;
            ++p;
            break;
        case 'v':
            u = 11;
            ++p;
            break;
        case 'x':
            ++p;
            if (p < n && hexValue(t[p]) >= 0) {
                u = 0;
                for (int k = 0; k < 4 && p < n && hexValue(t[p]) >= 0; ++k)
                    u = static_cast<char16_t>(u * 16 + hexValue(t[p++]));
            } else {
                u = 'x';
            }
            break;
        case '0':
        case '1':
        case '2':
        case '3':
        case '4':
        case '5':
        case '6':
        case '7':
            u = static_cast<char16_t>(t[p++] - '0');
            for (int k = 0; k < 2 && p < n && t[p] >= '0' && t[p] <= '7'; ++k)
                u = static_cast<char16_t>(u * 8 + (t[p++] - '0'));
            break;
        default:
            if (static_cast<unsigned char>(e) >= 0x80) {
                sinkRaw(t, p, sink);
                continue;
            }
            u = static_cast<char16_t>(e);
            ++p;
            break;
        }
        sink(u);
    }
    return std::string_view::npos;
}

Problem::Cause decodeString(std::string_view t, size_t p, std::string* bytes) {
    size_t q;
    if (bytes) {
        bytes->clear();
        q = unescapeWith(t, p, '"',
                         [bytes](char16_t u) { appendUtf16Le(*bytes, std::u16string_view(&u, 1)); });
        bytes->append(2, '\0');
    } else {
        q = unescapeWith(t, p, '"', [](char16_t) {});
    }
    if (q == std::string_view::npos)
        return Problem::UnterminatedString;
    for (++q; q < t.size(); ++q)
        if (!isBlank(t[q]) && t[q] != '\n')
            return Problem::TextAfterString;
    return Problem::None;
}

// Reads the hex number of "str(n)" or "hex(n)" at t[p]; p ends after ')'.
bool readTypeNumber(std::string_view t, size_t& p, uint32_t& type) {
    uint64_t v = 0;
    int digits = 0;
    while (p < t.size() && hexValue(t[p]) >= 0) {
        v = v * 16 + static_cast<uint64_t>(hexValue(t[p++]));
        if (++digits > 8)
            return false;
    }
    if (digits == 0 || p >= t.size() || t[p] != ')')
        return false;
    ++p;
    type = static_cast<uint32_t>(v);
    return true;
}

Problem::Cause decodeHex(std::string_view t, size_t p, std::string* bytes) {
    if (bytes)
        bytes->clear();
    const size_t n = t.size();
    for (;;) {
        while (p < n && isBlank(t[p]))
            ++p;
        if (p == n)
            return Problem::None;
        if (hexValue(t[p]) >= 0) {
            unsigned v = 0;
            int digits = 0;
            while (p < n && hexValue(t[p]) >= 0) {
                v = v * 16 + static_cast<unsigned>(hexValue(t[p++]));
                if (++digits > 8 || v > 0xFF)
                    return Problem::BadHexData;
            }
            if (bytes)
                bytes->push_back(static_cast<char>(v));
            while (p < n && isBlank(t[p]))
                ++p;
            if (p < n && t[p] == ',')
                ++p;
            continue;
        }
        if (t[p] == '\\') {
            ++p;
            while (p < n && isBlank(t[p]))
                ++p;
            if (p == n)
                return Problem::HexPastEnd;
            if (t[p] != '\n')
                return Problem::BadHexData;
            ++p;
            continue;
        }
        if (t[p] == '\n') {
            ++p;
            if (p == n)
                return Problem::None;
        }
        return Problem::BadHexData;
    }
}

void appendHex(std::string& out, unsigned v, int width) {
    char buf[16];
    const int len =
        width ? std::snprintf(buf, sizeof buf, "%0*x", width, v) : std::snprintf(buf, sizeof buf, "%x", v);
    out.append(buf, static_cast<size_t>(len));
}

} // namespace

void appendFolded(std::string& out, std::u16string_view name) {
    // Written through a pointer into room for the longest form: every key line of a hive
    // is folded when it is read through, so this runs for each of its characters.
    const size_t old = out.size();
    out.resize(old + name.size() * 3);
    char* w = out.data() + old;
    for (char16_t unit : name) {
        const char16_t c = foldUnit(unit);
        if (c < 2) {
            // The zero byte separates a path's components; a NUL unit inside a name (a
            // "\0" escape) must neither read as that nor sort after the units above it.
            *w++ = '\x01';
            *w++ = static_cast<char>(c + 1);
        } else if (c < 0x80) {
            *w++ = static_cast<char>(c);
        } else if (c < 0x800) {
            *w++ = static_cast<char>(0xC0 | (c >> 6));
            *w++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *w++ = static_cast<char>(0xE0 | (c >> 12));
            *w++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *w++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out.resize(static_cast<size_t>(w - out.data()));
}

bool equalFolded(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && foldUnit(a[i]) != foldUnit(b[i]))
            return false;
    return true;
}

int compareFolded(std::u16string_view a, std::u16string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const char16_t x = foldUnit(a[i]);
        const char16_t y = foldUnit(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

size_t unescape(std::string_view text, size_t pos, char endChar, std::u16string* out) {
    if (!out)
        return unescapeWith(text, pos, endChar, [](char16_t) {});
    // No byte of the text gives more than one unit, so the room is known beforehand.
    const size_t old = out->size();
    out->resize(old + (pos < text.size() ? text.size() - pos : 0));
    char16_t* w = out->data() + old;
    const size_t end = unescapeWith(text, pos, endChar, [&w](char16_t u) { *w++ = u; });
    out->resize(static_cast<size_t>(w - out->data()));
    return end;
}

void appendEscaped(std::string& out, std::u16string_view s, char quote1, char quote2) {
    static constexpr char kEscapes[] = ".......abtnvfr.............e....";
    const size_t n = s.size();
    for (size_t i = 0; i < n; ++i) {
        const char16_t u = s[i];
        const bool hasNext = i + 1 < n;
        const char16_t next = hasNext ? s[i + 1] : 0;
        if (u > 127) {
            out += "\\x";
            appendHex(out, u, hasNext && next < 128 && hexValue(static_cast<char>(next)) >= 0 ? 4 : 0);
            continue;
        }
        if (u < 32) {
            out += '\\';
            if (kEscapes[u] != '.') {
                out += kEscapes[u];
            } else {
                char buf[8];
                std::snprintf(buf, sizeof buf, hasNext && next >= '0' && next <= '7' ? "%03o" : "%o",
                              static_cast<unsigned>(u));
                out += buf;
            }
            continue;
        }
        if (u == '\\' || u == quote1 || u == quote2)
            out += '\\';
        out += static_cast<char>(u);
    }
}

Problem::Cause decodeData(std::string_view t, uint32_t& type, std::string* bytes) {
    if (t.starts_with('"')) {
        type = kRegSz;
        return decodeString(t, 1, bytes);
    }
    if (t.starts_with("str:\"")) {
        type = kRegSz;
        return decodeString(t, 5, bytes);
    }
    if (t.starts_with("str(")) {
        size_t p = 4;
        if (!readTypeNumber(t, p, type) || t.substr(p, 2) != ":\"")
            return Problem::BadStringType;
        return decodeString(t, p + 2, bytes);
    }
    if (t.starts_with("dword:")) {
        type = kRegDword;
        size_t p = 6;
        uint32_t v = 0;
        int digits = 0;
        while (p < t.size() && hexValue(t[p]) >= 0) {
            v = v * 16 + static_cast<uint32_t>(hexValue(t[p++]));
            if (++digits > 8)
                return Problem::BadDword;
        }
        if (digits == 0)
            return Problem::BadDword;
        for (; p < t.size(); ++p)
            if (!isBlank(t[p]) && t[p] != '\n')
                return Problem::BadDword;
        if (bytes) {
            bytes->resize(4);
            for (int k = 0; k < 4; ++k)
                (*bytes)[k] = static_cast<char>((v >> (8 * k)) & 0xFF);
        }
        return Problem::None;
    }
    if (t.starts_with("hex:")) {
        type = kRegBinary;
        return decodeHex(t, 4, bytes);
    }
    if (t.starts_with("hex(")) {
        size_t p = 4;
        if (!readTypeNumber(t, p, type) || p >= t.size() || t[p] != ':')
            return Problem::BadHexType;
        return decodeHex(t, p + 1, bytes);
    }
    return Problem::UnknownValueType;
}

std::string formatValue(std::u16string_view name, uint32_t type, std::string_view bytes) {
    std::string out;
    out.reserve(name.size() + bytes.size() * 3 + 32);
    size_t count;
    if (!name.empty()) {
        out += '"';
        appendEscaped(out, name, '"', '"');
        out += "\"=";
        count = out.size();
    } else {
        out += "@=";
        count = 2;
    }
    const size_t len = bytes.size();
    const bool stringType = type == 1 || type == 2 || type == 7;
    if (stringType && len >= 2 && len % 2 == 0 && bytes[len - 1] == 0 && bytes[len - 2] == 0) {
        if (type != kRegSz) {
            out += "str(";
            appendHex(out, type, 0);
            out += "):";
        }
        out += '"';
        // The terminator is not written; reading the text gives it back.
        std::u16string units(len / 2 - 1, u'\0');
        for (size_t i = 0; i < units.size(); ++i)
            units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                             (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
        appendEscaped(out, units, '"', '"');
        out += "\"\n";
        return out;
    }
    if (type == kRegDword && len == 4) {
        uint32_t v = 0;
        for (int k = 3; k >= 0; --k)
            v = (v << 8) | static_cast<unsigned char>(bytes[k]);
        char buf[24];
        std::snprintf(buf, sizeof buf, "dword:%08x\n", v);
        out += buf;
        return out;
    }
    const size_t before = out.size();
    if (type == kRegBinary) {
        out += "hex:";
    } else {
        out += "hex(";
        appendHex(out, type, 0);
        out += "):";
    }
    count += out.size() - before;
    static constexpr char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < len; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
        count += 2;
        if (i < len - 1) {
            out += ',';
            if (++count > 76) {
                out += "\\\n  ";
                count = 2;
            }
        }
    }
    out += '\n';
    return out;
}

std::string formatHeader(std::string_view relativeTo, std::string_view archLine) {
    std::string out(kSignature);
    out += "\n;; All keys relative to ";
    out += relativeTo;
    out += '\n';
    if (!archLine.empty()) {
        out += '\n';
        out += archLine;
        out += '\n';
    }
    return out;
}

std::string formatKeyLine(std::u16string_view path, int64_t unixSeconds) {
    std::string out = "[";
    appendEscaped(out, path, '[', ']');
    out += "] ";
    out += std::to_string(static_cast<uint32_t>(unixSeconds));
    out += '\n';
    return out;
}

std::string formatTimeLine(uint64_t fileTime) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "#time=%x%08x\n", static_cast<unsigned>(fileTime >> 32),
                  static_cast<unsigned>(fileTime & 0xFFFFFFFFu));
    return buf;
}

uint64_t fileTimeNow() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 10000000ull + static_cast<uint64_t>(ts.tv_nsec) / 100 +
           kTicks1601To1970;
}

int64_t fileTimeToUnix(uint64_t fileTime) {
    return static_cast<int64_t>((fileTime - kTicks1601To1970) / 10000000ull);
}

} // namespace platform::hive
