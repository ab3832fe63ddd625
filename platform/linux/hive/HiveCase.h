#pragma once
// How Wine compares the names of registry keys and values: unit by unit after lower-casing
// each UTF-16 unit by Wine's own case table, so "_" sorts before the letters. Wine orders a
// key's subkeys that way and writes its hives in that order.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform::hive {

// The lower case Wine gives a unit above ASCII (most have none: the unit itself).
char16_t foldWide(char16_t c);

// Lower-cases one UTF-16 unit as Wine does when it compares names.
inline char16_t foldUnit(char16_t c) {
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? static_cast<char16_t>(c + 32) : c;
    return foldWide(c);
}

// Key paths as the document keeps them: components, their folded form (each folded as
// Wine compares names, '\0' between them) and the text of a key name.

// The components of a path ('\\' between them; empty ones dropped).
std::vector<std::u16string> splitPath(std::u16string_view path);
// The folded form of a path's components.
std::string foldPath(const std::vector<std::u16string>& components);
// The components from the given one on, joined by '\\'.
std::u16string joinPath(const std::vector<std::u16string>& components, size_t from = 0);
// The path and its folded form from a key name as written ('\\' between components,
// empty components dropped); either may be left out.
void normalisePath(std::u16string_view raw, std::u16string* path, std::string* folded);
// How many whole components two folded paths share.
size_t commonComponents(std::string_view a, std::string_view b);

} // namespace platform::hive
