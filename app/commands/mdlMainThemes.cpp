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

QString themesDirectory() {
    return windowsDirectoryText() + QStringLiteral("\\Resources\\Themes\\");
}

QString missingThemesMessage(const QString& windowsDirectory) {
    return QStringLiteral("Error: unable to find folder ") + windowsDirectory +
           QStringLiteral("\\Resources\\Themes which contains all the visual styles.");
}

bool checkThemesDirectory() {
    const QString windows = windowsDirectoryText();
    if (ChkPathExist(windows + QStringLiteral("\\Resources\\Themes\\")))
        return true;
    UiServices::msgBox(missingThemesMessage(windows), quorlin::MsgOk);
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
