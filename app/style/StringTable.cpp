#include "StringTable.h"

#include "Utf16Le.h"

#include <QtEndian>

namespace StringTable {

std::optional<QString> entry(QByteArrayView block, int index) {
    if (index < 0 || index > 15)
        return std::nullopt;
    qsizetype at = 0;
    for (int i = 0;; ++i) {
        if (at + 2 > block.size())
            return std::nullopt;
        const quint16 length = qFromLittleEndian<quint16>(block.data() + at);
        at += 2;
        const qsizetype bytes = qsizetype(length) * 2;
        if (i == index) {
            if (length == 0 || bytes > block.size() - at)
                return std::nullopt;
            return fromUtf16Le(block.data() + at, length);
        }
        at += bytes;
    }
}

} // namespace StringTable
