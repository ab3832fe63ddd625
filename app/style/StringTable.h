#pragma once
// String tables (RT_STRING): the strings of ids 16(n-1) to 16n-1 form block n, a resource
// of its own; the block holds 16 entries one after the other, each a WORD length and that
// many UTF-16 units (length 0: no string).

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace StringTable {

constexpr int kType = 6; // RT_STRING

// The block that holds the string of id, and the string's place in it.
constexpr int blockOf(int id) {
    return id / 16 + 1;
}
constexpr int indexOf(int id) {
    return id % 16;
}

// The entry at index (0-15) of a block; nullopt when it is empty or cut off by the end of
// the data.
std::optional<QString> entry(QByteArrayView block, int index);

} // namespace StringTable
