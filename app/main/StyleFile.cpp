#include "StyleFile.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <vector>

namespace {

// Little-endian reads that answer nullopt instead of reading past the data.
class Bytes {
public:
    explicit Bytes(QByteArrayView data) : m_data(data) {}

    std::optional<quint16> u16(qint64 offset) const {
        if (!fits(offset, 2))
            return std::nullopt;
        return qFromLittleEndian<quint16>(m_data.data() + offset);
    }
    std::optional<quint32> u32(qint64 offset) const {
        if (!fits(offset, 4))
            return std::nullopt;
        return qFromLittleEndian<quint32>(m_data.data() + offset);
    }
    bool fits(qint64 offset, qint64 length) const {
        return offset >= 0 && length >= 0 && offset <= m_data.size() && length <= m_data.size() - offset;
    }
    QByteArrayView slice(qint64 offset, qint64 length) const { return m_data.sliced(offset, length); }

private:
    QByteArrayView m_data;
};

struct Section {
    quint32 virtualAddress = 0;
    quint32 virtualSize = 0;
    quint32 rawSize = 0;
    quint32 rawPointer = 0;
};

constexpr quint32 kHighBit = 0x80000000u;
constexpr int kResourceDirectory = 2;
// Windows XP's loader refuses an image of more than 96 sections, and a style has a
// handful. More is no style, and every read would look through them all.
constexpr int kMaxSections = 96;

class PeImage {
public:
    explicit PeImage(QByteArrayView data) : m_bytes(data) { m_valid = parse(); }

    bool hasResources() const { return m_valid && m_resourceRva != 0; }

    // The file offset of length bytes at rva, when they lie in one section's raw data.
    std::optional<qint64> offsetOf(quint32 rva, quint32 length) const {
        for (const Section& s : m_sections) {
            if (rva < s.virtualAddress)
                continue;
            const quint64 into = quint64(rva) - s.virtualAddress;
            const quint64 extent = qMax(s.virtualSize, s.rawSize);
            if (into >= extent)
                continue;
            if (into + length > s.rawSize)
                return std::nullopt;
            const qint64 offset = qint64(s.rawPointer) + qint64(into);
            if (!m_bytes.fits(offset, length))
                return std::nullopt;
            return offset;
        }
        return std::nullopt;
    }

    std::optional<quint16> u16At(quint32 rva) const {
        const auto offset = offsetOf(rva, 2);
        return offset ? m_bytes.u16(*offset) : std::nullopt;
    }
    std::optional<quint32> u32At(quint32 rva) const {
        const auto offset = offsetOf(rva, 4);
        return offset ? m_bytes.u32(*offset) : std::nullopt;
    }

    // The subdirectory or data entry (relative to the resource section) that the
    // directory at dirOffset holds for the name, or for its first entry when neither a
    // name nor an id is asked for.
    std::optional<quint32> lookup(quint32 dirOffset, const QString* name, std::optional<int> id) const {
        const auto named = u16At(m_resourceRva + dirOffset + 12);
        const auto ids = u16At(m_resourceRva + dirOffset + 14);
        if (!named || !ids)
            return std::nullopt;
        const int count = int(*named) + int(*ids);
        for (int i = 0; i < count; ++i) {
            const quint32 entry = m_resourceRva + dirOffset + 16 + quint32(i) * 8;
            const auto nameField = u32At(entry);
            const auto dataField = u32At(entry + 4);
            if (!nameField || !dataField)
                return std::nullopt;
            if (!name && !id)
                return *dataField;
            if (name && (*nameField & kHighBit)) {
                // Only a name of the same length can match: entries by the thousand may
                // all point at one name of 65,535 characters.
                const auto length = u16At(m_resourceRva + (*nameField & ~kHighBit));
                if (!length || *length != name->size())
                    continue;
                const auto text = nameAt(*nameField & ~kHighBit);
                if (text && text->compare(*name, Qt::CaseInsensitive) == 0)
                    return *dataField;
            } else if (id && !(*nameField & kHighBit) && *nameField == quint32(*id)) {
                return *dataField;
            }
        }
        return std::nullopt;
    }

    std::optional<QByteArrayView> resource(const QString& type, int id) const {
        return resource(type, nullptr, id);
    }
    std::optional<QByteArrayView> resource(const QString& type, const QString& name) const {
        return resource(type, &name, std::nullopt);
    }

private:
    std::optional<QByteArrayView> resource(const QString& type, const QString* name,
                                           std::optional<int> id) const {
        if (!hasResources())
            return std::nullopt;
        // Three levels: type, name, language. The first two must lead to directories,
        // the last to a data entry.
        const auto typeDir = lookup(0, &type, std::nullopt);
        if (!typeDir || !(*typeDir & kHighBit))
            return std::nullopt;
        const auto nameDir = lookup(*typeDir & ~kHighBit, name, id);
        if (!nameDir || !(*nameDir & kHighBit))
            return std::nullopt;
        const auto dataEntry = lookup(*nameDir & ~kHighBit, nullptr, std::nullopt);
        if (!dataEntry || (*dataEntry & kHighBit))
            return std::nullopt;
        const auto dataRva = u32At(m_resourceRva + *dataEntry);
        const auto size = u32At(m_resourceRva + *dataEntry + 4);
        if (!dataRva || !size)
            return std::nullopt;
        const auto offset = offsetOf(*dataRva, *size);
        if (!offset)
            return std::nullopt;
        return m_bytes.slice(*offset, *size);
    }

    bool parse() {
        if (m_bytes.u16(0) != quint16(0x5A4D)) // "MZ"
            return false;
        const auto peOffset = m_bytes.u32(0x3C);
        if (!peOffset || m_bytes.u32(*peOffset) != quint32(0x00004550)) // "PE\0\0"
            return false;
        const qint64 coff = qint64(*peOffset) + 4;
        const auto sectionCount = m_bytes.u16(coff + 2);
        const auto optionalSize = m_bytes.u16(coff + 16);
        if (!sectionCount || !optionalSize || *sectionCount > kMaxSections)
            return false;
        const qint64 optional = coff + 20;
        const auto magic = m_bytes.u16(optional);
        qint64 rvaCountAt = 0;
        if (magic == quint16(0x10B))
            rvaCountAt = optional + 92;
        else if (magic == quint16(0x20B))
            rvaCountAt = optional + 108;
        else
            return false;
        const qint64 directories = rvaCountAt + 4;
        const auto rvaCount = m_bytes.u32(rvaCountAt);
        const qint64 resourceEntry = directories + kResourceDirectory * 8;
        if (!rvaCount || *rvaCount <= quint32(kResourceDirectory) ||
            resourceEntry + 8 > optional + *optionalSize)
            return false;
        const auto resourceRva = m_bytes.u32(resourceEntry);
        if (!resourceRva)
            return false;

        const qint64 sectionTable = optional + *optionalSize;
        for (int i = 0; i < *sectionCount; ++i) {
            const qint64 at = sectionTable + qint64(i) * 40;
            const auto virtualSize = m_bytes.u32(at + 8);
            const auto virtualAddress = m_bytes.u32(at + 12);
            const auto rawSize = m_bytes.u32(at + 16);
            const auto rawPointer = m_bytes.u32(at + 20);
            if (!virtualSize || !virtualAddress || !rawSize || !rawPointer)
                return false;
            m_sections.push_back({*virtualAddress, *virtualSize, *rawSize, *rawPointer});
        }
        m_resourceRva = *resourceRva;
        return true;
    }

    std::optional<QString> nameAt(quint32 offset) const {
        const auto length = u16At(m_resourceRva + offset);
        if (!length)
            return std::nullopt;
        const quint32 bytes = quint32(*length) * 2;
        const auto at = offsetOf(m_resourceRva + offset + 2, bytes);
        if (!at)
            return std::nullopt;
        const QByteArrayView text = m_bytes.slice(*at, bytes);
        QString name(*length, Qt::Uninitialized);
        for (int i = 0; i < *length; ++i)
            name[i] = QChar(qFromLittleEndian<quint16>(text.data() + 2 * i));
        return name;
    }

    Bytes m_bytes;
    bool m_valid = false;
    quint32 m_resourceRva = 0;
    std::vector<Section> m_sections;
};

std::optional<QStringList> nameList(const PeImage& image, const QString& type) {
    const auto data = image.resource(type, 1);
    if (!data)
        return std::nullopt;
    QStringList names = StyleFile::parseNameList(*data);
    if (names.isEmpty())
        return std::nullopt;
    return names;
}

// The format number of the styles Windows XP and Wine's theme service load.
constexpr int kThemeFormat = 3;

bool hasTextFile(const PeImage& image, const QString& name) {
    return image.resource(QStringLiteral("TEXTFILE"), name).has_value();
}

// Whether the file holds the INI data the theme service reads for every colour scheme
// and size: FILERESNAMES names one TEXTFILE per pair (scheme-major), and THEMES_INI is
// the style's own. The service walks FILERESNAMES without looking for its end, so a
// short list is a damaged file.
bool hasEveryIni(const PeImage& image, const StyleFile& file) {
    const auto map = image.resource(QStringLiteral("FILERESNAMES"), 1);
    if (!map || !hasTextFile(image, QStringLiteral("THEMES_INI")))
        return false;
    const QStringList iniNames = StyleFile::parseNameList(*map);
    // Styles offer a few schemes in a few sizes; thousands of pairs, each looked up among
    // thousands of entries, are a file made to keep the reader busy.
    constexpr qsizetype kMostPairs = 256;
    const qsizetype needed = file.colorNames()->size() * file.sizeNames()->size();
    if (needed > kMostPairs || iniNames.size() < needed)
        return false;
    for (qsizetype i = 0; i < needed; ++i)
        if (!hasTextFile(image, iniNames.at(i)))
            return false;
    return true;
}

} // namespace

std::optional<QByteArrayView> StyleFile::findResource(QByteArrayView image, const QString& type, int id) {
    return PeImage(image).resource(type, id);
}

QStringList StyleFile::parseNameList(QByteArrayView data) {
    QStringList names;
    QString current;
    const qsizetype units = data.size() / 2;
    for (qsizetype i = 0; i < units; ++i) {
        const quint16 unit = qFromLittleEndian<quint16>(data.data() + 2 * i);
        if (unit != 0) {
            current.append(QChar(unit));
            continue;
        }
        if (current.isEmpty())
            return names;
        names.append(current);
        current.clear();
    }
    // A last name cut off by the end of the data still names something.
    if (!current.isEmpty())
        names.append(current);
    return names;
}

StyleFile StyleFile::fromData(QByteArrayView data) {
    StyleFile file;
    const PeImage image(data);
    if (!image.hasResources())
        return file;
    file.m_colorNames = nameList(image, QStringLiteral("COLORNAMES"));
    file.m_sizeNames = nameList(image, QStringLiteral("SIZENAMES"));
    const auto version = image.resource(QStringLiteral("PACKTHEM_VERSION"), 1);
    if (version && version->size() >= 2)
        file.m_packthemVersion = qFromLittleEndian<quint16>(version->data());
    file.m_themeServiceCanOpen = version && version->size() == 2 && file.m_packthemVersion == kThemeFormat &&
                                 file.m_colorNames && file.m_sizeNames && hasEveryIni(image, file);
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
    // program down. Style files are a few megabytes; nothing far beyond is one.
    constexpr qint64 kReadLimit = 256ll * 1024 * 1024;
    if (file.size() > kReadLimit)
        return StyleFile();
    const QByteArray data = file.readAll();
    return fromData(data);
}
