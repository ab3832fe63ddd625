#include "StyleIni.h"

#include <QSize>

namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QChar(0xFEFF);
}

QStringView trimmed(QStringView text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isBlank(text.at(start)))
        ++start;
    while (end > start && isBlank(text.at(end - 1)))
        --end;
    return text.sliced(start, end - start);
}

} // namespace

QString StyleIni::sectionKey(QStringView section) {
    QString key;
    key.reserve(section.size());
    for (QChar c : section)
        if (!isBlank(c))
            key.append(c.toLower());
    return key;
}

StyleIni StyleIni::parse(QStringView text, const SectionFilter& keep) {
    StyleIni ini;
    QHash<QString, QString>* current = nullptr;
    qsizetype properties = 0;
    qsizetype lineStart = 0;
    while (lineStart < text.size()) {
        qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), lineStart);
        if (lineEnd < 0)
            lineEnd = text.size();
        const QStringView line = trimmed(text.sliced(lineStart, lineEnd - lineStart));
        lineStart = lineEnd + 1;
        if (line.isEmpty() || line.front() == QLatin1Char(';'))
            continue;
        if (line.front() == QLatin1Char('[')) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            current = nullptr;
            if (close < 0)
                continue;
            const QString key = sectionKey(line.sliced(1, close - 1));
            if (keep && !keep(key))
                continue;
            auto found = ini.m_sections.find(key);
            if (found == ini.m_sections.end()) {
                if (ini.m_sections.size() >= kMaxSections)
                    continue;
                found = ini.m_sections.insert(key, {});
            }
            current = &found.value();
            continue;
        }
        if (!current || properties >= kMaxProperties)
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString name = trimmed(line.first(equals)).toString().toLower();
        if (name.isEmpty() || current->contains(name))
            continue;
        current->insert(name, trimmed(line.sliced(equals + 1)).toString());
        ++properties;
    }
    return ini;
}

bool StyleIni::hasSection(QStringView section) const {
    return m_sections.contains(sectionKey(section));
}

std::optional<QString> StyleIni::value(QStringView section, QStringView name) const {
    return valueByKey(sectionKey(section), name.toString().toLower());
}

std::optional<QString> StyleIni::valueByKey(const QString& section, const QString& name) const {
    const auto found = m_sections.constFind(section);
    if (found == m_sections.constEnd())
        return std::nullopt;
    const auto property = found->constFind(name);
    if (property == found->constEnd())
        return std::nullopt;
    return *property;
}

std::optional<QString> StyleIni::lookup(QStringView className, QStringView part, QStringView state,
                                        QStringView name) const {
    const QString nameKey = name.toString().toLower();
    const QString classKey = sectionKey(className);
    if (!part.isEmpty()) {
        const QString partKey = classKey + QLatin1Char('.') + sectionKey(part);
        if (!state.isEmpty())
            if (auto found =
                    valueByKey(partKey + QLatin1Char('(') + sectionKey(state) + QLatin1Char(')'), nameKey))
                return found;
        if (auto found = valueByKey(partKey, nameKey))
            return found;
    }
    if (auto found = valueByKey(classKey, nameKey))
        return found;
    return valueByKey(QStringLiteral("globals"), nameKey);
}

namespace StyleValue {

QList<int> integers(QStringView text, int maxCount) {
    QList<int> numbers;
    qsizetype i = 0;
    while (i < text.size() && numbers.size() < maxCount) {
        const QChar c = text.at(i);
        const bool negative = c == QLatin1Char('-') && i + 1 < text.size() && text.at(i + 1).isDigit();
        if (!negative && !(c >= QLatin1Char('0') && c <= QLatin1Char('9'))) {
            ++i;
            continue;
        }
        if (negative)
            ++i;
        qint64 number = 0;
        while (i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9')) {
            number = qMin<qint64>(number * 10 + (text.at(i).unicode() - '0'), kMaxNumber);
            ++i;
        }
        numbers.append(int(negative ? -number : number));
    }
    return numbers;
}

std::optional<int> integer(QStringView text) {
    const QList<int> numbers = integers(text, 1);
    if (numbers.isEmpty())
        return std::nullopt;
    return numbers.constFirst();
}

std::optional<QColor> color(QStringView text) {
    const QList<int> rgb = integers(text, 3);
    if (rgb.size() < 3)
        return std::nullopt;
    return QColor(qBound(0, rgb[0], 255), qBound(0, rgb[1], 255), qBound(0, rgb[2], 255));
}

std::optional<Margins> margins(QStringView text) {
    const QList<int> m = integers(text, 4);
    if (m.size() < 4)
        return std::nullopt;
    return Margins{m[0], m[1], m[2], m[3]};
}

std::optional<QSize> size(QStringView text) {
    const QList<int> xy = integers(text, 2);
    if (xy.size() < 2)
        return std::nullopt;
    return QSize(xy[0], xy[1]);
}

bool boolean(QStringView text) {
    const QStringView value = trimmed(text);
    return value.startsWith(QLatin1Char('t'), Qt::CaseInsensitive) || value == QLatin1String("1");
}

std::optional<Font> font(QStringView text) {
    Font font;
    qsizetype field = 0;
    for (const QStringView raw : text.tokenize(QLatin1Char(','))) {
        const QStringView token = trimmed(raw);
        if (field == 0) {
            font.face = token.left(64).toString();
        } else if (field == 1) {
            const auto points = integer(token);
            if (!points)
                return std::nullopt;
            font.points = qBound(1, *points, 72);
        } else if (token.compare(QLatin1String("bold"), Qt::CaseInsensitive) == 0) {
            font.bold = true;
        } else if (token.compare(QLatin1String("italic"), Qt::CaseInsensitive) == 0) {
            font.italic = true;
        } else if (token.compare(QLatin1String("underline"), Qt::CaseInsensitive) == 0) {
            font.underline = true;
        }
        // Nothing beyond a few attributes means anything; a long list is not read through.
        if (++field > 8)
            break;
    }
    if (font.face.isEmpty() || font.points == 0)
        return std::nullopt;
    return font;
}

} // namespace StyleValue
