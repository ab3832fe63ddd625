#pragma once
// A style file: a .msstyles file is a Windows resource DLL, and its resources say what the
// style offers and how it looks.
//
// - COLORNAMES and SIZENAMES (name 1): its colour schemes and sizes, UTF-16 names each
//   ended by a NUL, the list ended by an empty name; the first is the default.
// - The string table: the display name and tooltip of colour scheme i (ids 1000+i and
//   2000+i) and of size j (3000+j, 4000+j); the style's own display name, tooltip,
//   company, author, copyright, URL, version and description (5000-5007), which the
//   [documentation] section of TEXTFILE THEMES_INI gives where the table does not.
// - FILERESNAMES (name 1): entry i * (number of sizes) + j names the TEXTFILE resource
//   (UTF-16LE) holding the INI data of colour scheme i in size j.
// - The bitmaps that INI data names, as RT_BITMAP (or IMAGE, for PNG) resources named
//   after the file name with "\", "/" and "." turned into "_" and upper-cased.
// - PACKTHEM_VERSION (name 1): the 2-byte format number (3 for the styles we manage).
//
// The file is read once and kept in memory; everything else is read from it on demand.
// A file that is not a PE image, is cut short or lies about its sizes "cannot be read":
// the lists are nullopt, the rest empty.

#include "PeResources.h"
#include "StyleBitmap.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A colour scheme or size: its name (what the registry records), and what the user reads.
struct StyleChoice {
    QString name;
    QString displayName; // the name itself where the style gives none
    QString toolTip;     // empty where the style gives none
};

// The choices as a user reads them in a message: "Blue, NormalColor (Blue), ...", each
// name with its display name where that differs; "none" for none.
QString describeChoices(const QList<StyleChoice>& choices);

struct StyleDetails {
    QString displayName;
    QString toolTip;
    QString company;
    QString author;
    QString copyright;
    QString url;
    QString version;
    QString description;
};

class StyleFile {
public:
    // Files beyond this are no style; reading one would only fill the memory.
    static constexpr qint64 kReadLimit = 256ll * 1024 * 1024;
    // INI data beyond this (in bytes of UTF-16) is not read.
    static constexpr qsizetype kMaxTextBytes = qsizetype(16) * 1024 * 1024;
    // A style offers a handful of colour schemes and sizes; the string table names up to
    // a thousand. More names than this are not read.
    static constexpr qsizetype kMaxNames = 256;
    // The pairs of colour scheme and size problem() looks through.
    static constexpr qsizetype kMaxChoices = 256;

    StyleFile() = default;
    // Reads the style file at a host path: a plain file of at most kReadLimit bytes.
    static StyleFile fromHostPath(const QString& hostPath);
    // Reads a style file held in memory (shared, not copied).
    static StyleFile fromData(const QByteArray& data);

    // Whether the data is a PE image with resources.
    bool isReadable() const { return m_resources.isValid(); }
    // Why the file is not a style to hand to the theme service, empty when it is one: it
    // cannot be read, lists no colour schemes or no sizes (or more than kMaxChoices
    // pairs of them), lacks the INI data of a colour scheme in a size or of the style
    // itself (THEMES_INI), or is of another format than 3. The service walks FILERESNAMES
    // without looking for its end, so a file short of any of it is never handed over.
    QString problem() const;
    const PeResources& resources() const { return m_resources; }

    // The colour schemes the style offers, in the file's order; nullopt when the file or
    // the list cannot be read or the list is empty.
    const std::optional<QStringList>& colorNames() const { return m_colorNames; }
    // The sizes the style offers, likewise.
    const std::optional<QStringList>& sizeNames() const { return m_sizeNames; }
    // The format number; nullopt when it cannot be read.
    std::optional<int> packthemVersion() const { return m_packthemVersion; }

    // The language the string table is read in (ResourceLanguage::pick chooses among those
    // the file has); the user's unless set.
    quint16 language() const { return m_language; }
    void setLanguage(quint16 language) { m_language = language; }
    // A string of the string table; nullopt when the file has none of that id.
    std::optional<QString> string(int id) const;

    // The colour schemes and sizes with their display names and tooltips; empty when the
    // file does not list them.
    QList<StyleChoice> colorSchemes() const;
    QList<StyleChoice> sizes() const;
    // The index of the colour scheme or size a user named: by its name, else by its
    // display name, ignoring case; nullopt when the style offers none of that name.
    std::optional<int> colorSchemeIndex(const QString& text) const;
    std::optional<int> sizeIndex(const QString& text) const;

    StyleDetails details() const;

    // The INI data of colour scheme colorIndex in size sizeIndex; nullopt when the file
    // does not hold it. A file that lists no sizes (or no colours) has the one of index 0.
    std::optional<QString> iniText(int colorIndex, int sizeIndex) const;
    // A TEXTFILE resource as text (UTF-16LE, up to its first NUL, a byte-order mark left
    // out); nullopt when there is none or it is larger than kMaxTextBytes.
    std::optional<QString> textFile(const ResourceName& name) const;
    // The name of the TEXTFILE that holds the INI data of colorIndex in sizeIndex, as
    // FILERESNAMES gives it; empty where it gives none.
    QString iniFileName(int colorIndex, int sizeIndex) const;

    // The resource name of a bitmap the INI data names ("blue\window_caption.bmp" ->
    // "BLUE_WINDOW_CAPTION_BMP").
    static QString bitmapResourceName(const QString& iniPath);
    // The data of the bitmap the INI data names: RT_BITMAP, else IMAGE.
    std::optional<QByteArrayView> bitmapData(const QString& iniPath) const;
    // That bitmap decoded, when it has at most maxPixels pixels.
    std::optional<StyleBitmap> bitmap(const QString& iniPath, qint64 maxPixels) const;

    // A resource name list: UTF-16 names ended by NUL, the list ended by an empty name
    // (or by the end of the data); at most limit names, the rest not read.
    static QStringList parseNameList(QByteArrayView data, qsizetype limit = kMaxNames);

private:
    std::optional<QStringList> nameList(const char* type) const;
    // A string, its block looked up once in blocks.
    std::optional<QString> string(int id, QHash<int, std::optional<QByteArrayView>>& blocks) const;
    QList<StyleChoice> choices(const std::optional<QStringList>& names, int nameIds, int tipIds,
                               const char* section) const;
    static std::optional<int> indexOf(const QList<StyleChoice>& choices, const QString& text);

    PeResources m_resources;
    std::optional<QStringList> m_colorNames;
    std::optional<QStringList> m_sizeNames;
    std::optional<int> m_packthemVersion;
    quint16 m_language = 0;
};
