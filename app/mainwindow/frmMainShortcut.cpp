// The "Visual Styles" folder in My Computer: its shell folder class, registered at every
// start, and the My Computer entry that the Tools menu's check mark mirrors.

#include "frmMain.h"

#include "commands/RegistryValues.h"
#include "devlib/Functions.h"
#include "platform/Registry.h"

#include <QAction>

namespace {

const QString kFolderClass = QStringLiteral("{B691D85E-1CA8-4DDD-ABDF-70630FFDAC6A}");
const QString kNameSpace =
    QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MyComputer\\NameSpace");
const QString kEntryText = QStringLiteral("Visual Style Folder Shortcut from My Computer");

// The Functions members take their arguments by reference, as their callers' language
// passes them; these give them variables.
void writeValue(const QString& subkey, const QString& valueName, Functions::RegKeyTypes type,
                const QString& text) {
    Functions::HKEYEnum root = Functions::HKEY_LOCAL_MACHINE;
    QString key = subkey;
    QString name = valueName;
    QString value = text;
    Functions::instance().WriteRegistry(root, key, name, type, value);
}

void writeNumber(const QString& subkey, const QString& valueName, int32_t number) {
    Functions::HKEYEnum root = Functions::HKEY_LOCAL_MACHINE;
    QString key = subkey;
    QString name = valueName;
    Functions::instance().WriteRegistryAsNumber(root, key, name, number);
}

void deleteEntryKey() {
    Functions::HKEYEnum root = Functions::HKEY_LOCAL_MACHINE;
    QString parent = kNameSpace;
    QString key = kFolderClass;
    Functions::instance().DeleteRegKey(root, parent, key);
}

void writeEntry() {
    writeValue(kNameSpace + QLatin1Char('\\') + kFolderClass, QString(), Functions::REG_SZ, kEntryText);
}

} // namespace

void frmMain::registerFolderClass() {
    // Stored already at every start but the first; when not, one change for a running Wine.
    platform::RegistryBatch batch;
    const QString classKey = QStringLiteral("Software\\Classes\\CLSID\\") + kFolderClass;
    writeValue(classKey, QString(), Functions::REG_SZ, QStringLiteral("Visual Styles"));
    writeValue(classKey + QStringLiteral("\\Shell\\Open\\Command"), QString(), Functions::REG_EXPAND_SZ,
               QStringLiteral("%SystemRoot%\\Explorer.exe /idlist,%I,%L %systemroot%\\resources\\themes"));
    writeValue(classKey + QStringLiteral("\\ShellFolder"), QString(), Functions::REG_SZ, QString());
    writeNumber(classKey + QStringLiteral("\\ShellFolder"), QStringLiteral("Attributes"), 0x08000000);
}

void frmMain::synchroniseMyComputerEntry() {
    if (RegistryValues::readText(Functions::HKEY_LOCAL_MACHINE, kNameSpace + QLatin1Char('\\') + kFolderClass,
                                 QString(), QStringLiteral("%ERR")) == QLatin1String("%ERR")) {
        // Also removes an entry that exists without its default text.
        mnuAddShortcut->setChecked(false);
        deleteEntryKey();
    } else {
        writeEntry();
        mnuAddShortcut->setChecked(true);
    }
}

void frmMain::mnuAddShortcut_Click() {
    if (mnuAddShortcut->isChecked()) {
        deleteEntryKey();
        mnuAddShortcut->setChecked(false);
    } else {
        writeEntry();
        mnuAddShortcut->setChecked(true);
    }
}
