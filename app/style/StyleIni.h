#pragma once
// The INI data of a style (its TEXTFILE resources): sections named [Class], [Class.Part]
// or [Class.Part(State)], plus [Globals], [SysMetrics] and [documentation]; each holds
// "Name = Value" lines. Section and property names are compared ignoring case (and the
// blanks of section names); the first of a property given twice counts, as the theme
// service takes it. Lines starting with ";" are comments.
//
// Whatever the length of the text, parsing takes one pass and keeps at most kMaxSections
// sections and kMaxProperties properties; a filter keeps only the sections a reader needs.

#include <QColor>
#include <QHash>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

class StyleIni {
public:
    static constexpr qsizetype kMaxSections = 10000;
    static constexpr qsizetype kMaxProperties = 50000;

    // Whether to keep a section, given its name lower-cased and without blanks.
    using SectionFilter = std::function<bool(const QString& section)>;

    static StyleIni parse(QStringView text, const SectionFilter& keep = {});

    bool hasSection(QStringView section) const;
    qsizetype sectionCount() const { return m_sections.size(); }
    // The value of a property of one section.
    std::optional<QString> value(QStringView section, QStringView name) const;
    // The value of a property of a part in a state, looked up in [Class.Part(State)], then
    // [Class.Part], then [Class], then [Globals]. An empty part or state skips its steps.
    std::optional<QString> lookup(QStringView className, QStringView part, QStringView state,
                                  QStringView name) const;

    // A section's name as it is compared: lower case, without blanks.
    static QString sectionKey(QStringView section);

private:
    // A value by the section's key and the property's name lower-cased.
    std::optional<QString> valueByKey(const QString& section, const QString& name) const;

    QHash<QString, QHash<QString, QString>> m_sections;
};

// The values of properties, read as the theme service reads them: numbers separated by
// commas or blanks, anything else between them ignored.
namespace StyleValue {

struct Margins {
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
    friend bool operator==(const Margins&, const Margins&) = default;
};

struct Font {
    QString face;
    int points = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

// Numbers are held within +-kMaxNumber, so that sums of them cannot overflow.
constexpr int kMaxNumber = 100000;

// Up to maxCount whole numbers.
QList<int> integers(QStringView text, int maxCount);
std::optional<int> integer(QStringView text);
// "r g b" (or "r, g, b"), each held within 0-255.
std::optional<QColor> color(QStringView text);
// "left, right, top, bottom".
std::optional<Margins> margins(QStringView text);
// "x, y".
std::optional<QSize> size(QStringView text);
// True for "true" (any case; only its first letter counts) and "1".
bool boolean(QStringView text);
// "Face, points[, bold][, italic][, underline]"; the face at most 64 characters, the size
// held within 1-72 points.
std::optional<Font> font(QStringView text);

} // namespace StyleValue
