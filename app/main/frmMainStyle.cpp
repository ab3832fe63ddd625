// Apply (record the style as the user's visual style for the next log-on) and Open (hand
// the style to the Display control panel).

#include "frmMain.h"

#include "StyleFile.h"
#include "common/AnsiText.h"
#include "common/UiServices.h"
#include "devlib/Functions.h"
#include "mdlMain.h"
#include "platform/DirectoryListing.h"
#include "platform/Paths.h"

using quorlin::UiServices;

namespace {

const QString kThemeManager = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager");
constexpr int kCurrentUser = static_cast<int>(0x80000001u);

QString readThemeManager(const QString& valueName) {
    Functions::HKEYEnum root = Functions::HKEY_CURRENT_USER;
    QString key = kThemeManager;
    QString name = valueName;
    Functions::RegKeyTypes type = Functions::REG_SZ;
    QString fallback;
    return Functions::instance().ReadRegistry(root, key, name, type, fallback);
}

bool offers(const QStringList& names, const QString& name) {
    return names.contains(name, Qt::CaseInsensitive);
}

void showNoStyleFile() {
    UiServices::msgBox(QStringLiteral("Unable to find MSStyles file in the folder."), quorlin::MsgExclamation,
                       QStringLiteral("Error"));
}

} // namespace

QString frmMain::findStyleFile(const QString& themes, const QString& style) const {
    // Plain files, read-only and archive ones included; hidden and system ones are not
    // seen. The first one the folder reports is the style's file.
    platform::DirectoryListing files((themes + style + QStringLiteral("\\*.msstyles")).toStdString(), 33);
    if (const auto name = files.next())
        return QString::fromStdString(*name);
    return QString();
}

QString frmMain::styleFileOfSelection(const QString& verb) const {
    if (selectedIndex() < 0) {
        UiServices::msgBox(QStringLiteral("QuorlinZevra cannot ") + verb +
                               QStringLiteral(" your visual style because you did not select "
                                              "any visual style on the list."),
                           quorlin::MsgInformation, QStringLiteral("Error"));
        return QString();
    }
    UiServices::setMousePointer(quorlin::PointerArrowHourglass);
    mdlMain::checkThemesDirectory();
    const QString styleFile = findStyleFile(mdlMain::themesDirectory(), selectedStyle());
    if (styleFile.isEmpty()) {
        UiServices::setMousePointer(quorlin::PointerDefault);
        showNoStyleFile();
    }
    return styleFile;
}

void frmMain::cmdApply_Click() {
    const QString styleFile = styleFileOfSelection(QStringLiteral("apply"));
    if (styleFile.isEmpty())
        return;
    const QString themes = mdlMain::themesDirectory();
    const QString style = selectedStyle();
    UiServices::setMousePointer(quorlin::PointerDefault);
    // The registry takes the path as ANSI text: a name the code page lacks would be
    // recorded as question marks, naming a style that does not exist.
    if (!quorlin::ansiCanCarry(style) || !quorlin::ansiCanCarry(styleFile)) {
        UiServices::msgBox(QStringLiteral("Visual Style ") + style +
                               QStringLiteral(" cannot be applied: the name of its folder or of its file ") +
                               styleFile +
                               QStringLiteral(" holds characters that the registry's ANSI text cannot carry. "
                                              "Rename them with Latin letters, refresh the list and apply it "
                                              "again."),
                           quorlin::MsgExclamation, QStringLiteral("Error"));
        return;
    }
    const int answer = UiServices::msgBox(QStringLiteral("Are you sure to apply ") + style +
                                              QStringLiteral(" as your visual style?"),
                                          quorlin::MsgYesNoQuestion, QStringLiteral("Comfirm Apply"));
    if (answer == quorlin::AnswerYes) {
        UiServices::setMousePointer(quorlin::PointerHourglass);

        // The text keeps %systemroot% literally; the type REG_EXPAND_SZ (the one Windows
        // gives this value) is what makes the theme service expand it.
        Functions::HKEYEnum root = Functions::HKEY_CURRENT_USER;
        QString key = kThemeManager;
        QString dllName = QStringLiteral("Dllname");
        Functions::RegKeyTypes expandSz = Functions::REG_EXPAND_SZ;
        QString dllText =
            QStringLiteral("%systemroot%\\Resources\\Themes\\") + style + QLatin1Char('\\') + styleFile;
        Functions::instance().WriteRegistry(root, key, dllName, expandSz, dllText);

        // A colour scheme or size the style does not offer leaves theming off, so take
        // what the style file lists; NormalColor when it offers it or cannot be read.
        const auto host =
            platform::toHostPath((themes + style + QLatin1Char('\\') + styleFile).toStdString());
        const StyleFile file =
            host ? StyleFile::fromHostPath(QString::fromStdString(host->string())) : StyleFile();
        QString colorName = QStringLiteral("NormalColor");
        if (file.colorNames() && !offers(*file.colorNames(), colorName))
            colorName = file.colorNames()->constFirst();
        mdlMain::WriteRegStr(kCurrentUser, kThemeManager, QStringLiteral("ColorName"), colorName);

        const QString storedSize = readThemeManager(QStringLiteral("SizeName"));
        if (!storedSize.isEmpty() && file.sizeNames() && !offers(*file.sizeNames(), storedSize))
            mdlMain::WriteRegStr(kCurrentUser, kThemeManager, QStringLiteral("SizeName"),
                                 file.sizeNames()->constFirst());

        // Theming switched off would keep the style from ever loading.
        const QString themeActive = readThemeManager(QStringLiteral("ThemeActive"));
        if (themeActive.isEmpty() || themeActive.startsWith(QLatin1Char('0')))
            mdlMain::WriteRegStr(kCurrentUser, kThemeManager, QStringLiteral("ThemeActive"),
                                 QStringLiteral("1"));

        UiServices::msgBox(
            QStringLiteral("Selected visual style applied. You will need to logoff and login again to "
                           "apply the settings"),
            quorlin::MsgInformation, QStringLiteral("Comfirmation"));
    }
    UiServices::setMousePointer(quorlin::PointerDefault);
}

void frmMain::cmdOpen_Click() {
    const QString styleFile = styleFileOfSelection(QStringLiteral("open"));
    if (styleFile.isEmpty())
        return;
    const QString style = selectedStyle();

    const QString w = mdlMain::windowsDirectoryText();
    // Without the Display control panel the line could only fail inside rundll32,
    // silently; say what is missing instead.
    const QString panel = w + QStringLiteral("\\system32\\desk.cpl");
    if (!mdlMain::ChkFileExist(panel)) {
        UiServices::setMousePointer(quorlin::PointerDefault);
        UiServices::msgBox(
            QStringLiteral("The Display control panel (") + panel +
                QStringLiteral(") is not installed, so the visual style cannot be opened in it. "
                               "Use Apply to make it your visual style instead."),
            quorlin::MsgCritical, QStringLiteral("Error"));
        return;
    }
    const QString commandLine =
        w + QStringLiteral("\\system32\\rundll32.exe ") + w +
        QStringLiteral("\\system32\\shell32.dll,Control_RunDLL ") + w +
        QStringLiteral("\\system32\\desk.cpl desk,@Appearance /Action:OpenMSTheme /file:") +
        QLatin1Char('"') + w + QStringLiteral("\\Resources\\Themes\\") + style + QLatin1Char('\\') +
        styleFile + QLatin1Char('"');
    QString error;
    if (!UiServices::startProcess(commandLine, 2, &error)) {
        UiServices::setMousePointer(quorlin::PointerDefault);
        UiServices::msgBox(QStringLiteral("The Display control panel could not be started. ") + error,
                           quorlin::MsgCritical, QStringLiteral("Error"));
        return;
    }
    UiServices::setMousePointer(quorlin::PointerDefault);
}
