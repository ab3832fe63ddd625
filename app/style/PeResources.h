#pragma once
// The resources of a PE image: a .msstyles file is a Windows resource DLL, and everything
// a style holds (its colour schemes and sizes, its INI data, its bitmaps, its string
// table) is a resource of it. The resource directory has three levels (type, name,
// language); an entry of the first two is named by a number or by a UTF-16 name, and
// names are compared upper-cased, as Windows' FindResource compares them.
//
// Every offset is checked against the data. A file that is not a PE image, is cut short
// or lies about its sizes has no resources, or only those that lie wholly inside it; no
// lookup reads outside the data or takes more steps than its directory has entries.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

// A resource type or name: a number (RT_BITMAP is 2, RT_STRING 6) or a name
// ("COLORNAMES", "BLUE_WINDOW_CAPTION_BMP").
class ResourceName {
public:
    ResourceName(int id) : m_id(id) {} // NOLINT(google-explicit-constructor): as Windows' MAKEINTRESOURCE
    ResourceName(const QString& name); // NOLINT(google-explicit-constructor)
    ResourceName(const char* name);    // NOLINT(google-explicit-constructor)

    bool isId() const { return m_id >= 0; }
    int id() const { return m_id; }
    // The name upper-cased (each UTF-16 unit on its own, as Windows does); empty for a number.
    const QString& name() const { return m_name; }

    // The text a user reads: the name, or "#" and the number.
    QString toString() const;

private:
    int m_id = -1;
    QString m_name;
};

class PeResources {
public:
    PeResources() = default;
    // The image is shared, not copied (QByteArray::fromRawData data must outlive this).
    explicit PeResources(const QByteArray& image);

    // Whether the data is a PE image with a resource directory.
    bool isValid() const { return m_valid; }
    const QByteArray& data() const { return m_data; }

    // The languages the resource type/name exists in, in the directory's order.
    QList<quint16> languages(const ResourceName& type, const ResourceName& name) const;
    // The data of the resource type/name: in the given language, or in its first one.
    std::optional<QByteArrayView> find(const ResourceName& type, const ResourceName& name) const;
    std::optional<QByteArrayView> find(const ResourceName& type, const ResourceName& name,
                                       quint16 language) const;
    // The data in the language pickLanguage chooses for preferred among those it exists in.
    std::optional<QByteArrayView> findPreferred(const ResourceName& type, const ResourceName& name,
                                                quint16 preferred) const;
    // The names under a type, in the directory's order, at most limit of them (an empty
    // name left out).
    QList<ResourceName> names(const ResourceName& type, int limit = 4096) const;

private:
    struct Section {
        quint32 virtualAddress = 0;
        quint32 virtualSize = 0;
        quint32 rawSize = 0;
        quint32 rawPointer = 0;
    };
    // One entry of a directory: its name (a number, or the offset of a name) and what it
    // points at (a subdirectory when the high bit is set, else a data entry).
    struct Entry {
        quint32 nameField = 0;
        quint32 dataField = 0;
    };

    bool parse();
    std::optional<qint64> fileOffset(quint32 rva, quint32 length) const;
    // Reads of the resource directory, relative to its root, inside its section.
    std::optional<quint16> dirU16(quint32 offset) const;
    std::optional<quint32> dirU32(quint32 offset) const;
    // The entries of the directory at offset, as many as lie inside the section.
    qsizetype entryCount(quint32 directory) const;
    std::optional<Entry> entryAt(quint32 directory, qsizetype index) const;
    bool entryMatches(const Entry& entry, const ResourceName& name) const;
    // The subdirectory the directory at offset holds for name.
    std::optional<quint32> subdirectory(quint32 directory, const ResourceName& name) const;
    std::optional<QByteArrayView> dataOf(const Entry& entry) const;
    // The directory of a resource's languages, and its entries that name languages.
    std::optional<quint32> languageDirectory(const ResourceName& type, const ResourceName& name) const;
    QList<Entry> languageEntries(quint32 directory) const;
    std::optional<QString> nameAt(quint32 offset) const;

    QByteArray m_data;
    bool m_valid = false;
    std::vector<Section> m_sections;
    // The resource directory's root: its file offset and the bytes of its section from there.
    qint64 m_rootOffset = 0;
    qint64 m_rootAvailable = 0;
};
