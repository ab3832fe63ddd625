#include "RegistryValues.h"

#include "platform/Codepage.h"
#include "platform/Registry.h"

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
        uint32_t type = 0;
        uint32_t size = 0;
        int32_t rc = registry.RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
        std::string data(size, '\0');
        if (rc == platform::ERROR_SUCCESS && size > 0)
            rc = registry.RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<uint8_t*>(data.data()),
                                           &size);
        if (rc == platform::ERROR_FILE_NOT_FOUND)
            return QString();
        if (rc != platform::ERROR_SUCCESS) {
            readable = false;
            return QString();
        }
        if (type != platform::REG_SZ && type != platform::REG_EXPAND_SZ)
            return QString();
        data.resize(std::min<size_t>(size, data.size()));
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

void writeText(const QString& key, const QString& valueName, const QString& text) {
    Functions::HKEYEnum root = Functions::HKEY_CURRENT_USER;
    QString subkey = key;
    QString name = valueName;
    Functions::RegKeyTypes type = Functions::REG_SZ;
    QString value = text;
    Functions::instance().WriteRegistry(root, subkey, name, type, value);
}

} // namespace RegistryValues
