#include "EntryNames.h"

#include "platform/Codepage.h"
#include "platform/NameCharacters.h"
#include "platform/Paths.h"

#include <strings.h>

namespace EntryNames {

namespace {

// Code page 437, bytes 0x80 to 0xFF.
constexpr char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

bool isDriveLetter(std::string_view component) {
    return component.size() == 2 && component[1] == ':' &&
           ((component[0] >= 'A' && component[0] <= 'Z') || (component[0] >= 'a' && component[0] <= 'z'));
}

} // namespace

std::string cp437ToUtf8(std::string_view text) {
    std::u16string wide;
    wide.reserve(text.size());
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        wide += b < 0x80 ? char16_t(b) : kCp437High[b - 0x80];
    }
    return platform::utf16ToUtf8(wide);
}

std::string decodeName(std::string_view raw, Fallback fallback) {
    if (platform::isValidUtf8(raw))
        return std::string(raw);
    return fallback == Fallback::Cp437 ? cp437ToUtf8(raw) : platform::ansiToUtf8(raw);
}

std::optional<std::vector<std::string>> safeComponents(std::string_view name, std::string* reason) {
    auto refuse = [reason](const char* why) -> std::optional<std::vector<std::string>> {
        if (reason)
            *reason = why;
        return std::nullopt;
    };
    std::string text(name);
    for (char& c : text) {
        if (c == '\\')
            c = '/';
    }
    if (!text.empty() && text.front() == '/')
        return refuse("absolute path");

    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('/', start);
        if (end == std::string::npos)
            end = text.size();
        std::string_view part(text.data() + start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            return refuse("path climbs out of the folder");
        if (parts.empty() && isDriveLetter(part))
            return refuse("drive letter");
        if (platform::hasForbiddenNameCharacter(part))
            return refuse("character not allowed in names");
        parts.emplace_back(part);
    }
    return parts;
}

std::string styleFolderOf(const std::vector<std::string>& components) {
    constexpr std::string_view kStyleFile = ".msstyles";
    if (components.size() != 1)
        return {};
    const std::string& name = components.front();
    if (name.size() <= kStyleFile.size() ||
        strcasecmp(name.c_str() + name.size() - kStyleFile.size(), kStyleFile.data()) != 0)
        return {};
    std::string folder = name.substr(0, name.size() - kStyleFile.size());
    while (!folder.empty() && (folder.back() == '.' || folder.back() == ' '))
        folder.pop_back();
    return folder;
}

size_t utf16Length(std::string_view utf8) {
    size_t units = 0;
    for (char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if ((b & 0xC0) != 0x80) // not a continuation byte: a character starts here
            units += b >= 0xF0 ? 2 : 1;
    }
    return units;
}

std::string foldedName(std::string_view utf8Name) {
    std::u16string wide = platform::utf8ToUtf16(utf8Name);
    for (char16_t& c : wide)
        c = static_cast<char16_t>(platform::foldCase(c));
    return platform::utf16ToUtf8(wide);
}

} // namespace EntryNames
