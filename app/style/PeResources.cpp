#include "PeResources.h"

#include "ResourceLanguage.h"
#include "Utf16Le.h"

#include <QtEndian>

namespace {

constexpr quint32 kHighBit = 0x80000000u;
constexpr int kResourceDirectory = 2;
// Windows XP's loader refuses an image of more than 96 sections, and a style has a
// handful. More is no style, and every data lookup would look through them all.
constexpr int kMaxSections = 96;
constexpr quint32 kDirectoryHeader = 16;
constexpr quint32 kEntrySize = 8;

QChar upper(QChar c) {
    return c.toUpper();
}

QString upperUnits(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        c = upper(c);
    return out;
}

} // namespace

ResourceName::ResourceName(const QString& name) : m_name(upperUnits(name)) {}

ResourceName::ResourceName(const char* name) : m_name(upperUnits(QString::fromLatin1(name))) {}

QString ResourceName::toString() const {
    return isId() ? QStringLiteral("#") + QString::number(m_id) : m_name;
}

PeResources::PeResources(const QByteArray& image) : m_data(image) {
    m_valid = parse();
}

bool PeResources::parse() {
    const auto u16 = [&](qint64 at) -> std::optional<quint16> {
        if (at < 0 || at > m_data.size() - 2)
            return std::nullopt;
        return qFromLittleEndian<quint16>(m_data.constData() + at);
    };
    const auto u32 = [&](qint64 at) -> std::optional<quint32> {
        if (at < 0 || at > m_data.size() - 4)
            return std::nullopt;
        return qFromLittleEndian<quint32>(m_data.constData() + at);
    };
    if (u16(0) != quint16(0x5A4D)) // "MZ"
        return false;
    const auto peOffset = u32(0x3C);
    if (!peOffset || u32(*peOffset) != quint32(0x00004550)) // "PE\0\0"
        return false;
    const qint64 coff = qint64(*peOffset) + 4;
    const auto sectionCount = u16(coff + 2);
    const auto optionalSize = u16(coff + 16);
    if (!sectionCount || !optionalSize || *sectionCount > kMaxSections)
        return false;
    const qint64 optional = coff + 20;
    const auto magic = u16(optional);
    qint64 rvaCountAt = 0;
    if (magic == quint16(0x10B))
        rvaCountAt = optional + 92;
    else if (magic == quint16(0x20B))
        rvaCountAt = optional + 108;
    else
        return false;
    const auto rvaCount = u32(rvaCountAt);
    const qint64 resourceEntry = rvaCountAt + 4 + qint64(kResourceDirectory) * 8;
    if (!rvaCount || *rvaCount <= quint32(kResourceDirectory) || resourceEntry + 8 > optional + *optionalSize)
        return false;
    const auto resourceRva = u32(resourceEntry);
    if (!resourceRva || *resourceRva == 0)
        return false;

    const qint64 sectionTable = optional + *optionalSize;
    for (int i = 0; i < *sectionCount; ++i) {
        const qint64 at = sectionTable + qint64(i) * 40;
        const auto virtualSize = u32(at + 8);
        const auto virtualAddress = u32(at + 12);
        const auto rawSize = u32(at + 16);
        const auto rawPointer = u32(at + 20);
        if (!virtualSize || !virtualAddress || !rawSize || !rawPointer)
            return false;
        m_sections.push_back({*virtualAddress, *virtualSize, *rawSize, *rawPointer});
    }
    // The whole directory lies in the section that holds its root.
    for (const Section& s : m_sections) {
        if (*resourceRva < s.virtualAddress)
            continue;
        const quint64 into = quint64(*resourceRva) - s.virtualAddress;
        if (into >= qMax(s.virtualSize, s.rawSize))
            continue;
        if (into >= s.rawSize)
            return false;
        m_rootOffset = qint64(s.rawPointer) + qint64(into);
        if (m_rootOffset >= m_data.size())
            return false;
        m_rootAvailable = qMin<qint64>(qint64(s.rawSize) - qint64(into), m_data.size() - m_rootOffset);
        return m_rootAvailable >= kDirectoryHeader;
    }
    return false;
}

std::optional<qint64> PeResources::fileOffset(quint32 rva, quint32 length) const {
    for (const Section& s : m_sections) {
        if (rva < s.virtualAddress)
            continue;
        const quint64 into = quint64(rva) - s.virtualAddress;
        if (into >= qMax(s.virtualSize, s.rawSize))
            continue;
        if (into + length > s.rawSize)
            return std::nullopt;
        const qint64 offset = qint64(s.rawPointer) + qint64(into);
        if (offset > m_data.size() || qint64(length) > m_data.size() - offset)
            return std::nullopt;
        return offset;
    }
    return std::nullopt;
}

std::optional<quint16> PeResources::dirU16(quint32 offset) const {
    if (qint64(offset) + 2 > m_rootAvailable)
        return std::nullopt;
    return qFromLittleEndian<quint16>(m_data.constData() + m_rootOffset + offset);
}

std::optional<quint32> PeResources::dirU32(quint32 offset) const {
    if (qint64(offset) + 4 > m_rootAvailable)
        return std::nullopt;
    return qFromLittleEndian<quint32>(m_data.constData() + m_rootOffset + offset);
}

qsizetype PeResources::entryCount(quint32 directory) const {
    const auto named = dirU16(directory + 12);
    const auto ids = dirU16(directory + 14);
    if (!named || !ids)
        return 0;
    // A count beyond the section is read as far as the section goes.
    const qint64 room = (m_rootAvailable - qint64(directory) - kDirectoryHeader) / kEntrySize;
    return qsizetype(qMax<qint64>(0, qMin<qint64>(qint64(*named) + *ids, room)));
}

std::optional<PeResources::Entry> PeResources::entryAt(quint32 directory, qsizetype index) const {
    const quint32 at = directory + kDirectoryHeader + quint32(index) * kEntrySize;
    const auto nameField = dirU32(at);
    const auto dataField = dirU32(at + 4);
    if (!nameField || !dataField)
        return std::nullopt;
    return Entry{*nameField, *dataField};
}

bool PeResources::entryMatches(const Entry& entry, const ResourceName& name) const {
    if (name.isId())
        return !(entry.nameField & kHighBit) && entry.nameField == quint32(name.id());
    if (!(entry.nameField & kHighBit) || name.name().isEmpty())
        return false;
    // Only a name of the same length can match: entries by the thousand may all point at
    // one name of 65,535 units.
    const quint32 offset = entry.nameField & ~kHighBit;
    const auto length = dirU16(offset);
    if (!length || *length != name.name().size())
        return false;
    if (qint64(offset) + 2 + qint64(*length) * 2 > m_rootAvailable)
        return false;
    const char* units = m_data.constData() + m_rootOffset + offset + 2;
    for (int i = 0; i < *length; ++i)
        if (upper(QChar(qFromLittleEndian<quint16>(units + 2 * qsizetype(i)))) != name.name().at(i))
            return false;
    return true;
}

std::optional<quint32> PeResources::subdirectory(quint32 directory, const ResourceName& name) const {
    const qsizetype count = entryCount(directory);
    for (qsizetype i = 0; i < count; ++i) {
        const auto entry = entryAt(directory, i);
        if (!entry)
            return std::nullopt;
        if (!entryMatches(*entry, name))
            continue;
        // The type and name levels lead to directories; anything else is no resource.
        if (!(entry->dataField & kHighBit))
            return std::nullopt;
        return entry->dataField & ~kHighBit;
    }
    return std::nullopt;
}

std::optional<QByteArrayView> PeResources::dataOf(const Entry& entry) const {
    if (entry.dataField & kHighBit)
        return std::nullopt;
    const auto dataRva = dirU32(entry.dataField);
    const auto size = dirU32(entry.dataField + 4);
    if (!dataRva || !size)
        return std::nullopt;
    const auto offset = fileOffset(*dataRva, *size);
    if (!offset)
        return std::nullopt;
    return QByteArrayView(m_data.constData() + *offset, qsizetype(*size));
}

std::optional<QString> PeResources::nameAt(quint32 offset) const {
    const auto length = dirU16(offset);
    if (!length || qint64(offset) + 2 + qint64(*length) * 2 > m_rootAvailable)
        return std::nullopt;
    return fromUtf16Le(m_data.constData() + m_rootOffset + offset + 2, *length);
}

std::optional<quint32> PeResources::languageDirectory(const ResourceName& type,
                                                      const ResourceName& name) const {
    if (!m_valid)
        return std::nullopt;
    const auto names = subdirectory(0, type);
    return names ? subdirectory(*names, name) : std::nullopt;
}

QList<PeResources::Entry> PeResources::languageEntries(quint32 directory) const {
    QList<Entry> found;
    const qsizetype count = entryCount(directory);
    for (qsizetype i = 0; i < count; ++i) {
        const auto entry = entryAt(directory, i);
        if (!entry)
            break;
        // Languages are numbers below 65,536 naming data entries.
        if ((entry->nameField & kHighBit) || entry->nameField > 0xFFFF || (entry->dataField & kHighBit))
            continue;
        found.append(*entry);
    }
    return found;
}

QList<quint16> PeResources::languages(const ResourceName& type, const ResourceName& name) const {
    QList<quint16> found;
    if (const auto directory = languageDirectory(type, name))
        for (const Entry& entry : languageEntries(*directory))
            found.append(quint16(entry.nameField));
    return found;
}

std::optional<QByteArrayView> PeResources::find(const ResourceName& type, const ResourceName& name) const {
    const auto directory = languageDirectory(type, name);
    const QList<Entry> entries = directory ? languageEntries(*directory) : QList<Entry>();
    if (entries.isEmpty())
        return std::nullopt;
    return dataOf(entries.constFirst());
}

std::optional<QByteArrayView> PeResources::find(const ResourceName& type, const ResourceName& name,
                                                quint16 language) const {
    const auto directory = languageDirectory(type, name);
    if (!directory)
        return std::nullopt;
    for (const Entry& entry : languageEntries(*directory))
        if (entry.nameField == language)
            return dataOf(entry);
    return std::nullopt;
}

std::optional<QByteArrayView> PeResources::findPreferred(const ResourceName& type, const ResourceName& name,
                                                         quint16 preferred) const {
    const auto directory = languageDirectory(type, name);
    const QList<Entry> entries = directory ? languageEntries(*directory) : QList<Entry>();
    if (entries.isEmpty())
        return std::nullopt;
    QList<quint16> available;
    for (const Entry& entry : entries)
        available.append(quint16(entry.nameField));
    return dataOf(entries.at(available.indexOf(ResourceLanguage::pick(available, preferred))));
}

QList<ResourceName> PeResources::names(const ResourceName& type, int limit) const {
    QList<ResourceName> found;
    if (!m_valid)
        return found;
    const auto names = subdirectory(0, type);
    if (!names)
        return found;
    const qsizetype count = qMin<qsizetype>(entryCount(*names), limit);
    for (qsizetype i = 0; i < count; ++i) {
        const auto entry = entryAt(*names, i);
        if (!entry)
            break;
        if (!(entry->nameField & kHighBit)) {
            if (entry->nameField <= 0xFFFF)
                found.append(ResourceName(int(entry->nameField)));
        } else if (const auto text = nameAt(entry->nameField & ~kHighBit); text && !text->isEmpty()) {
            // An empty name could never be asked for.
            found.append(ResourceName(*text));
        }
    }
    return found;
}
