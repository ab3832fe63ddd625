#pragma once
// How Wine compares the names of registry keys and values: unit by unit after lower-casing
// each UTF-16 unit by Wine's own case table, so "_" sorts before the letters. Wine orders a
// key's subkeys that way and writes its hives in that order.

namespace platform::hive {

// The lower case Wine gives a unit above ASCII (most have none: the unit itself).
char16_t foldWide(char16_t c);

// Lower-cases one UTF-16 unit as Wine does when it compares names.
inline char16_t foldUnit(char16_t c) {
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? static_cast<char16_t>(c + 32) : c;
    return foldWide(c);
}

} // namespace platform::hive
