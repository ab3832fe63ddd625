#pragma once
// The registry values the program reads and writes as text (REG_SZ), through its
// Functions object, and the keys it names more than once.

#include "devlib/Functions.h"

#include <QString>

#include <optional>

namespace RegistryValues {

// The program's own values, the checkup's among them, under HKEY_CURRENT_USER.
inline const QString kSettingsKey = QStringLiteral("Software\\Quorlin\\Zevra");
// The user's visual style, under HKEY_CURRENT_USER.
inline const QString kThemeManagerKey =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager");

// The stored text of valueName (empty: the key's default value) under key, or
// defaultValue when the value is missing or empty.
QString readText(Functions::HKEYEnum root, const QString& key, const QString& valueName,
                 const QString& defaultValue = QString());
// A value of the user's visual style (ThemeManager), empty when missing.
inline QString readThemeManager(const QString& valueName) {
    return readText(Functions::HKEY_CURRENT_USER, kThemeManagerKey, valueName);
}
// ThemeManager's values as they are stored (what a running Wine holds, else the hive file),
// each empty when missing; nullopt when the registry cannot say (a read that failed is
// never taken for a missing value).
struct ThemeRecord {
    QString themeActive;
    QString dllName;
    QString colorName;
    QString sizeName;
    friend bool operator==(const ThemeRecord&, const ThemeRecord&) = default;
};
std::optional<ThemeRecord> readThemeRecord();

// Stores text under HKEY_CURRENT_USER (creating the key when needed); a refused write is
// lost.
void writeText(const QString& key, const QString& valueName, const QString& text);

} // namespace RegistryValues
