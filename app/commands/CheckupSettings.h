#pragma once
// The registry values the checkup tool reads and writes, through the program's
// Functions object (HKEY_CURRENT_USER, REG_SZ).

#include <QString>

namespace checkup {

inline const QString kSettingsKey = QStringLiteral("Software\\Quorlin\\Zevra");
inline const QString kThemeManagerKey =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager");

// The stored text, or defaultValue when the value is missing or empty.
QString readSetting(const QString& key, const QString& valueName, const QString& defaultValue);
// Stores text (creating the key when needed); a refused write is lost.
void writeSetting(const QString& key, const QString& valueName, const QString& text);

} // namespace checkup
