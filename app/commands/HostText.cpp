#include "HostText.h"

#include "platform/Codepage.h"

namespace HostText {
namespace {

constexpr char16_t kByteSurrogate = 0xDC00;

bool isByteSurrogate(QStringView text, qsizetype i) {
    const char16_t unit = text[i].unicode();
    // A low surrogate after a high one is half of a character, not a byte.
    return unit >= kByteSurrogate + 0x80 && unit <= kByteSurrogate + 0xFF &&
           (i == 0 || !text[i - 1].isHighSurrogate());
}

} // namespace

QString fromBytes(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    size_t run = 0; // start of the UTF-8 not yet added
    size_t i = 0;
    while (i < bytes.size()) {
        const size_t length = platform::utf8SequenceLength(bytes.substr(i));
        if (length > 0) {
            i += length;
            continue;
        }
        text += QString::fromUtf8(bytes.data() + run, static_cast<qsizetype>(i - run));
        text += QChar(char16_t(kByteSurrogate + static_cast<unsigned char>(bytes[i])));
        run = ++i;
    }
    text += QString::fromUtf8(bytes.data() + run, static_cast<qsizetype>(bytes.size() - run));
    return text;
}

std::string toBytes(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    qsizetype run = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isByteSurrogate(text, i))
            continue;
        bytes += QStringView(text).mid(run, i - run).toUtf8().toStdString();
        bytes += static_cast<char>(text[i].unicode() - kByteSurrogate);
        run = i + 1;
    }
    bytes += QStringView(text).mid(run).toUtf8().toStdString();
    return bytes;
}

} // namespace HostText
