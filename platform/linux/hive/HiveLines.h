#pragma once
// The lines of a hive's text as the document reads them: their ends, their indent, blank
// lines and the wrapped hex data that continues a line; and how far a reading looks
// ahead. Shared by the document's reading and its section index. Linux only.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace platform::hive::lines {

inline constexpr size_t npos = std::string_view::npos;
inline constexpr uint64_t kEnd = ~uint64_t(0);
// Looking one key up reads the text in pieces this large.
inline constexpr size_t kLookAhead = 8192;
// Below this many bytes a search reads the sections one after another (from the piece
// of the file already read).
inline constexpr uint64_t kLinearSearch = 256;

inline bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The first position from pos on (before end) that is not a space or a tab.
inline size_t skipIndent(std::string_view text, size_t pos, size_t end) {
    while (pos < end && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    return pos;
}

inline std::string_view trimEnd(std::string_view s) {
    while (!s.empty() && (isBlank(s.back()) || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// The line without its line feed.
inline std::string_view content(std::string_view line) {
    return line.ends_with('\n') ? line.substr(0, line.size() - 1) : line;
}

inline bool isBlankLine(std::string_view line) {
    return trimEnd(line.substr(skipIndent(line, 0, line.size()))).empty();
}

// Whether the next line continues this one: only wrapped hex data ends in a backslash
// (a key line or a comment may too, and is not continued).
inline bool continues(std::string_view line) {
    const size_t lead = skipIndent(line, 0, line.size());
    if (lead >= line.size() || line[lead] == '#' || line[lead] == ';' || line[lead] == '[')
        return false;
    return trimEnd(line).ends_with('\\');
}

} // namespace platform::hive::lines
