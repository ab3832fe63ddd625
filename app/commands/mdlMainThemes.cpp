#include "mdlMainThemes.h"

#include "mdlMainControl.h"
#include "common/UiServices.h"
#include "platform/DirectoryListing.h"
#include "platform/Paths.h"
#include "platform/WindowsRoot.h"

#include <QStringList>

#include <algorithm>

using quorlin::UiServices;

namespace mdlMain {

QString windowsDirectoryText() {
    char buffer[500];
    std::fill(std::begin(buffer), std::end(buffer), ' ');
    platform::GetWindowsDirectoryA(buffer, sizeof buffer);
    QString text = QString::fromLatin1(buffer, sizeof buffer).trimmed();
    if (!text.isEmpty())
        text.chop(1);
    // The buffer is cut at its terminating null like any text the platform writes.
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    return text;
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
    const QString themes = themesDirectory();
    QStringList counted;
    platform::DirectoryListing listing(themes.toStdString(), 16);
    while (auto name = listing.next()) {
        const QString entry = QString::fromStdString(*name);
        if (ChkPathExist(themes + entry + QLatin1Char('\\')) && entry != QLatin1String(".") &&
            entry != QLatin1String(".."))
            counted.append(entry);
        UiServices::doEvents();
    }
    return static_cast<int>(counted.size());
}

QString windowsPathOf(const QString& hostPath) {
    if (auto dos = platform::toDosPath(hostPath.toStdString()))
        return QString::fromStdString(*dos);
    return hostPath;
}

} // namespace mdlMain
