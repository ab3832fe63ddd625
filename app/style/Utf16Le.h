#pragma once
// UTF-16LE text inside a style file, at any alignment: resources hold names, strings and
// INI data in it.

#include <QString>
#include <QtEndian>

#include <cstring>

// The units of UTF-16LE text at data, taken as they are (unpaired surrogates included).
inline QString fromUtf16Le(const char* data, qsizetype units) {
    QString text(units, Qt::Uninitialized);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    std::memcpy(text.data(), data, size_t(units) * 2);
#else
    for (qsizetype i = 0; i < units; ++i)
        text[i] = QChar(qFromLittleEndian<quint16>(data + 2 * i));
#endif
    return text;
}
