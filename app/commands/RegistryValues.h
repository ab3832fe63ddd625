#pragma once
// The registry values the program reads and writes as text (REG_SZ), through its
// Functions object, and the keys it names more than once.

#include "devlib/Functions.h"
#include "platform/Registry.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>

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
// A value as stored: its type and data (strings in the ANSI code page, their terminating
// zeros kept).
struct StoredValue {
    uint32_t type = 0;
    std::string data;
    friend bool operator==(const StoredValue&, const StoredValue&) = default;
};
// Stores the value with its type and data as given under HKEY_CURRENT_USER (creating the
// key when needed); a refused write is lost.
void writeStored(const QString& key, const QString& valueName, const StoredValue& value);
// Deletes a value under HKEY_CURRENT_USER; one that is not there is no failure.
void deleteValue(const QString& key, const QString& valueName);
enum class ReadResult { Found, Missing, Failed };
// Reads the value name of an open key into value. Failed: the registry cannot say (a read
// that failed is never taken for a missing value).
ReadResult readStored(platform::HKEY key, const std::string& name, StoredValue& value);

} // namespace RegistryValues
