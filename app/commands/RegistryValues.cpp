#include "RegistryValues.h"

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

void writeText(const QString& key, const QString& valueName, const QString& text) {
    Functions::HKEYEnum root = Functions::HKEY_CURRENT_USER;
    QString subkey = key;
    QString name = valueName;
    Functions::RegKeyTypes type = Functions::REG_SZ;
    QString value = text;
    Functions::instance().WriteRegistry(root, subkey, name, type, value);
}

} // namespace RegistryValues
