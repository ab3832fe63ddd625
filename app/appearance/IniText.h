#pragma once
// The desktop's settings files as the readers see them: a file read with care (a missing,
// unreadable, empty, binary or oversized file is told, not parsed), and the key files of
// KDE (kdeglobals) and GTK (settings.ini) parsed into groups of keys. Both formats are
// "[Group]" headers and "key=value" lines; KDE writes nested groups as
// "[Colors:Header][Inactive]" and marks keys and groups with "[$i]"-style flags, which
// are dropped. A later value of the same key wins, as in both desktops' own readers.

#include <QHash>
#include <QString>

#include <optional>

namespace appearance {

struct SettingsFile {
    enum Status { Read, Missing, Unreadable, Empty, NotText, TooLarge };
    Status status = Missing;
    QString text;    // when Read
    QString problem; // when Unreadable: the system's reason
};
SettingsFile readSettingsFile(const QString& path);

// The sentence for a file that could not be used ("~/.config/kdeglobals is empty"), or an
// empty string when it was read. shownPath is the path as the notes show it.
QString settingsFileProblem(const SettingsFile& file, const QString& shownPath);

class IniText {
public:
    static IniText parse(const QString& text);
    // Adds other's groups and keys, its values winning.
    void overlay(const IniText& other);
    bool hasGroup(const QString& group) const { return m_groups.contains(group); }
    std::optional<QString> value(const QString& group, const QString& key) const;

private:
    QHash<QString, QHash<QString, QString>> m_groups;
};

} // namespace appearance
