#include "mdlMainThemes.h"

#include "StyleCommands.h"
#include "common/UiServices.h"
#include "mdlMainControl.h"
#include "platform/Paths.h"
#include "platform/WindowsDirectoryText.h"

using quorlin::UiServices;

namespace mdlMain {

QString windowsDirectoryText() {
    return QString::fromStdString(platform::windowsDirectoryText());
}

QString themesDirectoryOf(const QString& windowsDirectory) {
    return windowsDirectory + QStringLiteral("\\Resources\\Themes\\");
}

QString themesDirectory() {
    return themesDirectoryOf(windowsDirectoryText());
}

QString missingThemesMessage(const QString& windowsDirectory) {
    return QStringLiteral("Error: unable to find folder ") + windowsDirectory +
           QStringLiteral("\\Resources\\Themes which contains all the visual styles.");
}

QString missingThemes() {
    const QString windows = windowsDirectoryText();
    return ChkPathExist(themesDirectoryOf(windows)) ? QString() : missingThemesMessage(windows);
}

bool checkThemesDirectory() {
    const QString missing = missingThemes();
    if (missing.isEmpty())
        return true;
    UiServices::msgBox(missing, quorlin::MsgOk);
    return false;
}

int CountInstalledStyles() {
    int count = 0;
    StyleCommands::listInstalledStyles(
        themesDirectory(), [&](const QString&) { ++count; }, [] { UiServices::doEvents(); });
    return count;
}

QString windowsPathOf(const QString& hostPath) {
    if (auto dos = platform::toDosPath(hostPath.toStdString()))
        return QString::fromStdString(*dos);
    return hostPath;
}

} // namespace mdlMain
