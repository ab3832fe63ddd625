#include "StyleFile.h"

#include "ResourceLanguage.h"
#include "StringTable.h"
#include "StyleIni.h"
#include "Utf16Le.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

namespace {

constexpr int kBitmap = 2; // RT_BITMAP
constexpr int kColorDisplayNames = 1000;
constexpr int kColorToolTips = 2000;
constexpr int kSizeDisplayNames = 3000;
constexpr int kSizeToolTips = 4000;
constexpr int kDocumentation = 5000;

// The documentation properties in the order of their string ids (5000 on), and as the
// [documentation] section names them.
constexpr const char* kDocumentationNames[] = {"DisplayName", "ToolTip", "Company", "Author",
                                               "Copyright",   "URL",     "Version", "Description"};

} // namespace

QString describeChoices(const QList<StyleChoice>& choices) {
    QStringList names;
    for (const StyleChoice& choice : choices)
        names.append(choice.displayName == choice.name
                         ? choice.name
                         : choice.name + QStringLiteral(" (") + choice.displayName + QLatin1Char(')'));
    return names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "));
}

StyleFile StyleFile::fromData(const QByteArray& data) {
    StyleFile file;
    file.m_language = ResourceLanguage::user();
    file.m_resources = PeResources(data);
    if (!file.m_resources.isValid())
        return file;
    file.m_colorNames = file.nameList("COLORNAMES");
    file.m_sizeNames = file.nameList("SIZENAMES");
    if (const auto version = file.m_resources.find("PACKTHEM_VERSION", 1); version && version->size() >= 2)
        file.m_packthemVersion = qFromLittleEndian<quint16>(version->data());
    return file;
}

StyleFile StyleFile::fromHostPath(const QString& hostPath) {
    // Only a plain file: a pipe or device under the style's name must not block us.
    if (!QFileInfo(hostPath).isFile())
        return StyleFile();
    QFile file(hostPath);
    if (!file.open(QIODevice::ReadOnly))
        return StyleFile();
    // Read, not mapped: a file cut short by someone else while mapped would bring the
    // program down.
    const qint64 size = file.size();
    if (size > kReadLimit)
        return StyleFile();
    // As much as the file held when it was opened: one that grows meanwhile is not
    // followed.
    return fromData(file.read(size));
}

QStringList StyleFile::parseNameList(QByteArrayView data, qsizetype limit) {
    QStringList names;
    qsizetype start = 0;
    const qsizetype units = data.size() / 2;
    for (qsizetype i = 0; i < units && names.size() < limit; ++i) {
        if (qFromLittleEndian<quint16>(data.data() + 2 * i) != 0)
            continue;
        if (i == start)
            return names;
        names.append(fromUtf16Le(data.data() + 2 * start, i - start));
        start = i + 1;
    }
    // A last name cut off by the end of the data still names something.
    if (start < units && names.size() < limit)
        names.append(fromUtf16Le(data.data() + 2 * start, units - start));
    return names;
}

std::optional<QStringList> StyleFile::nameList(const char* type) const {
    const auto data = m_resources.find(type, 1);
    if (!data)
        return std::nullopt;
    QStringList names = parseNameList(*data);
    if (names.isEmpty())
        return std::nullopt;
    return names;
}

std::optional<QString> StyleFile::string(int id) const {
    QHash<int, std::optional<QByteArrayView>> blocks;
    return string(id, blocks);
}

std::optional<QString> StyleFile::string(int id, QHash<int, std::optional<QByteArrayView>>& blocks) const {
    if (id < 0)
        return std::nullopt;
    const int number = StringTable::blockOf(id);
    auto block = blocks.find(number);
    if (block == blocks.end())
        block = blocks.insert(number, m_resources.findPreferred(StringTable::kType, number, m_language));
    if (!*block)
        return std::nullopt;
    return StringTable::entry(**block, StringTable::indexOf(id));
}

QList<StyleChoice> StyleFile::choices(const std::optional<QStringList>& names, int nameIds, int tipIds,
                                      const char* section) const {
    QList<StyleChoice> out;
    if (!names)
        return out;
    std::optional<StyleIni> themesIni;
    // Sixteen strings to a block: each block is looked up once.
    QHash<int, std::optional<QByteArrayView>> blocks;
    for (qsizetype i = 0; i < names->size(); ++i) {
        StyleChoice choice{names->at(i), QString(), QString()};
        choice.displayName = string(nameIds + int(i), blocks).value_or(QString());
        choice.toolTip = string(tipIds + int(i), blocks).value_or(QString());
        if (choice.displayName.isEmpty() || choice.toolTip.isEmpty()) {
            if (!themesIni)
                themesIni = StyleIni::parse(textFile("THEMES_INI").value_or(QString()));
            const QString sectionName = QLatin1String(section) + QLatin1Char('.') + choice.name;
            if (choice.displayName.isEmpty())
                choice.displayName = themesIni->value(sectionName, u"DisplayName").value_or(QString());
            if (choice.toolTip.isEmpty())
                choice.toolTip = themesIni->value(sectionName, u"ToolTip").value_or(QString());
        }
        if (choice.displayName.isEmpty())
            choice.displayName = choice.name;
        out.append(choice);
    }
    return out;
}

QList<StyleChoice> StyleFile::colorSchemes() const {
    return choices(m_colorNames, kColorDisplayNames, kColorToolTips, "ColorScheme");
}

QList<StyleChoice> StyleFile::sizes() const {
    return choices(m_sizeNames, kSizeDisplayNames, kSizeToolTips, "Size");
}

std::optional<int> StyleFile::indexOf(const QList<StyleChoice>& choices, const QString& text) {
    for (qsizetype i = 0; i < choices.size(); ++i)
        if (choices.at(i).name.compare(text, Qt::CaseInsensitive) == 0)
            return int(i);
    for (qsizetype i = 0; i < choices.size(); ++i)
        if (choices.at(i).displayName.compare(text, Qt::CaseInsensitive) == 0)
            return int(i);
    return std::nullopt;
}

std::optional<int> StyleFile::colorSchemeIndex(const QString& text) const {
    return indexOf(colorSchemes(), text);
}

std::optional<int> StyleFile::sizeIndex(const QString& text) const {
    return indexOf(sizes(), text);
}

StyleDetails StyleFile::details() const {
    QString values[std::size(kDocumentationNames)];
    std::optional<StyleIni> themesIni;
    QHash<int, std::optional<QByteArrayView>> blocks;
    for (size_t i = 0; i < std::size(kDocumentationNames); ++i) {
        values[i] = string(kDocumentation + int(i), blocks).value_or(QString());
        if (!values[i].isEmpty())
            continue;
        if (!themesIni)
            themesIni = StyleIni::parse(textFile("THEMES_INI").value_or(QString()));
        values[i] = themesIni->value(u"documentation", QString::fromLatin1(kDocumentationNames[i]))
                        .value_or(QString());
    }
    return {values[0], values[1], values[2], values[3], values[4], values[5], values[6], values[7]};
}

std::optional<QString> StyleFile::textFile(const ResourceName& name) const {
    const auto data = m_resources.findPreferred("TEXTFILE", name, m_language);
    if (!data || data->size() > kMaxTextBytes)
        return std::nullopt;
    qsizetype units = data->size() / 2;
    qsizetype start = 0;
    if (units > 0 && qFromLittleEndian<quint16>(data->data()) == 0xFEFF)
        start = 1;
    for (qsizetype i = start; i < units; ++i) {
        if (qFromLittleEndian<quint16>(data->data() + 2 * i) == 0) {
            units = i;
            break;
        }
    }
    return fromUtf16Le(data->data() + 2 * start, units - start);
}

QString StyleFile::iniFileName(int colorIndex, int sizeIndex) const {
    const qsizetype colors = m_colorNames ? m_colorNames->size() : 1;
    const qsizetype sizes = m_sizeNames ? m_sizeNames->size() : 1;
    if (colorIndex < 0 || sizeIndex < 0 || colorIndex >= colors || sizeIndex >= sizes)
        return QString();
    const auto files = m_resources.find("FILERESNAMES", 1);
    if (!files)
        return QString();
    const qint64 entry = qint64(colorIndex) * sizes + sizeIndex;
    const QStringList names = parseNameList(*files, entry + 1);
    return entry < names.size() ? names.at(entry) : QString();
}

std::optional<QString> StyleFile::iniText(int colorIndex, int sizeIndex) const {
    const QString name = iniFileName(colorIndex, sizeIndex);
    if (name.isEmpty())
        return std::nullopt;
    return textFile(name);
}

QString StyleFile::problem() const {
    if (!isReadable())
        return QStringLiteral("the file cannot be read");
    if (!m_colorNames)
        return QStringLiteral("the file lists no colour schemes");
    if (!m_sizeNames)
        return QStringLiteral("the file lists no sizes");
    if (m_colorNames->size() * m_sizeNames->size() > kMaxChoices)
        return QStringLiteral("the file lists more colour schemes and sizes than any style has");
    for (qsizetype color = 0; color < m_colorNames->size(); ++color) {
        for (qsizetype size = 0; size < m_sizeNames->size(); ++size) {
            // There, and of a size that can be read: the text itself is not decoded here.
            const QString name = iniFileName(int(color), int(size));
            const auto data =
                name.isEmpty() ? std::nullopt : m_resources.findPreferred("TEXTFILE", name, m_language);
            if (!data || data->size() > kMaxTextBytes)
                return QStringLiteral("the file holds no INI data for colour scheme ") +
                       m_colorNames->at(color) + QStringLiteral(" in size ") + m_sizeNames->at(size);
        }
    }
    // The theme service loads the styles of format 3 alone, and reads the style's own INI
    // data before any scheme's.
    const auto version = m_resources.find("PACKTHEM_VERSION", 1);
    if (!version || version->size() != 2 || m_packthemVersion != 3)
        return QStringLiteral("the file is no style of format 3");
    if (!m_resources.findPreferred("TEXTFILE", QStringLiteral("THEMES_INI"), m_language))
        return QStringLiteral("the file holds no INI data of the style itself");
    return QString();
}

QString StyleFile::bitmapResourceName(const QString& iniPath) {
    QString name = iniPath.trimmed();
    for (QChar& c : name) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('/') || c == QLatin1Char('.'))
            c = QLatin1Char('_');
        else
            c = c.toUpper();
    }
    return name;
}

std::optional<QByteArrayView> StyleFile::bitmapData(const QString& iniPath) const {
    const QString name = bitmapResourceName(iniPath);
    if (name.isEmpty())
        return std::nullopt;
    if (auto data = m_resources.findPreferred(kBitmap, name, m_language))
        return data;
    return m_resources.findPreferred("IMAGE", name, m_language);
}

std::optional<StyleBitmap> StyleFile::bitmap(const QString& iniPath, qint64 maxPixels) const {
    const auto data = bitmapData(iniPath);
    if (!data)
        return std::nullopt;
    return StyleBitmapReader::decode(*data, maxPixels);
}
