#include "CheckupSettings.h"

#include "devlib/Functions.h"

namespace checkup {

QString readSetting(const QString& key, const QString& valueName, const QString& defaultValue) {
    // The early-bound members take their arguments by reference.
    Functions::HKEYEnum root = Functions::HKEY_CURRENT_USER;
    QString subkey = key;
    QString name = valueName;
    Functions::RegKeyTypes type = Functions::REG_SZ;
    QString fallback = defaultValue;
    return Functions::instance().ReadRegistry(root, subkey, name, type, fallback);
}

void writeSetting(const QString& key, const QString& valueName, const QString& text) {
    Functions::HKEYEnum root = Functions::HKEY_CURRENT_USER;
    QString subkey = key;
    QString name = valueName;
    Functions::RegKeyTypes type = Functions::REG_SZ;
    QString value = text;
    Functions::instance().WriteRegistry(root, subkey, name, type, value);
}

} // namespace checkup
