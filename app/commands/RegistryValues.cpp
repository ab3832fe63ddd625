#include "RegistryValues.h"

#include "platform/Codepage.h"
#include "platform/Registry.h"

#include <algorithm>
#include <string>

namespace RegistryValues {

QString readText(Functions::HKEYEnum root, const QString& key, const QString& valueName,
                 const QString& defaultValue) {
    // The early-bound members take their arguments by reference.
    Functions::HKEYEnum hKey = root;
    QString subkey = key;
    QString name = valueName;
    Functions::RegKeyTypes type = Functions::REG_SZ;
    QString fallback = defaultValue;
    return Functions::instance().ReadRegistry(hKey, subkey, name, type, fallback);
}

std::optional<ThemeRecord> readThemeRecord() {
    platform::Registry& registry = platform::Registry::current();
    platform::HKEY key = 0;
    const int32_t opened =
        registry.RegOpenKeyA(platform::HKEY_CURRENT_USER, kThemeManagerKey.toStdString(), &key);
    if (opened == platform::ERROR_FILE_NOT_FOUND)
        return ThemeRecord{};
    if (opened != platform::ERROR_SUCCESS)
        return std::nullopt;
    bool readable = true;
    const auto text = [&](const char* name) {
        StoredValue value;
        const ReadResult read = readStored(key, name, value);
        readable = readable && read != ReadResult::Failed;
        if (read != ReadResult::Found ||
            (value.type != platform::REG_SZ && value.type != platform::REG_EXPAND_SZ))
            return QString();
        std::string& data = value.data;
        while (!data.empty() && data.back() == '\0')
            data.pop_back();
        return QString::fromStdString(platform::ansiToUtf8(data));
    };
    ThemeRecord record;
    record.themeActive = text("ThemeActive");
    record.dllName = text("DllName");
    record.colorName = text("ColorName");
    record.sizeName = text("SizeName");
    registry.RegCloseKey(key);
    if (!readable)
        return std::nullopt;
    return record;
}

ReadResult readStored(platform::HKEY key, const std::string& name, StoredValue& value) {
    platform::Registry& registry = platform::Registry::current();
    uint32_t size = 0;
    int32_t rc = registry.RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size);
    value.data.assign(size, '\0');
    if (rc == platform::ERROR_SUCCESS && size > 0)
        rc = registry.RegQueryValueExA(key, name, nullptr, &value.type,
                                       reinterpret_cast<uint8_t*>(value.data.data()), &size);
    if (rc == platform::ERROR_FILE_NOT_FOUND)
        return ReadResult::Missing;
    if (rc != platform::ERROR_SUCCESS)
        return ReadResult::Failed;
    value.data.resize(std::min<size_t>(size, value.data.size()));
    return ReadResult::Found;
}

void writeText(const QString& key, const QString& valueName, const QString& text) {
    Functions::HKEYEnum root = Functions::HKEY_CURRENT_USER;
    QString subkey = key;
    QString name = valueName;
    Functions::RegKeyTypes type = Functions::REG_SZ;
    QString value = text;
    Functions::instance().WriteRegistry(root, subkey, name, type, value);
}

void writeStored(const QString& key, const QString& valueName, const StoredValue& value) {
    platform::Registry& registry = platform::Registry::current();
    platform::HKEY handle = 0;
    if (registry.RegCreateKeyA(platform::HKEY_CURRENT_USER, platform::utf8ToAnsi(key.toStdString()),
                               &handle) != platform::ERROR_SUCCESS)
        return;
    registry.RegSetValueExA(handle, platform::utf8ToAnsi(valueName.toStdString()), 0, value.type,
                            reinterpret_cast<const uint8_t*>(value.data.data()),
                            static_cast<uint32_t>(value.data.size()));
    registry.RegCloseKey(handle);
}

void deleteValue(const QString& key, const QString& valueName) {
    Functions::HKEYEnum root = Functions::HKEY_CURRENT_USER;
    QString subkey = key;
    QString name = valueName;
    Functions::instance().DeleteRegValue(root, subkey, name);
}

} // namespace RegistryValues
