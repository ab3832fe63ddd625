#include "ProgramReadme.h"

#include "AppInfo.h"
#include "commands/mdlMainControl.h"
#include "commands/mdlMainThemes.h"
#include "common/UiServices.h"
#include "windows/frmInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>

using quorlin::UiServices;

namespace ProgramReadme {
namespace {

QString& folderOverride() {
    static QString folder;
    return folder;
}

} // namespace

QString path() {
    if (!folderOverride().isEmpty())
        return folderOverride() + QStringLiteral("\\readme.txt");
    return mdlMain::windowsPathOf(readmeBeside(QCoreApplication::applicationDirPath()));
}

QString readmeBeside(const QString& programFolder) {
    QString installed = QDir::cleanPath(programFolder + QStringLiteral("/../share/kolvmgr/readme.txt"));
    if (QFileInfo::exists(installed))
        return installed;
    return programFolder + QStringLiteral("/readme.txt");
}

QString missingMessage() {
    return QStringLiteral("Kolvane is unable to locate the readme file. Please download the latest version "
                          "from Zevra's official Download site(") +
           AppInfo::kDownloadSite + QStringLiteral(").");
}

void show(QWidget* parent) {
    const QString readme = path();
    if (mdlMain::ChkFileExist(readme)) {
        frmInfo info(parent);
        info.Text1->setPlainText(mdlMain::ReadTextFile(readme));
        info.setWindowTitle(QStringLiteral("Quorlin Visual Style Manager Readme"));
        UiServices::showModal(&info);
    } else {
        UiServices::msgBox(missingMessage(), quorlin::MsgExclamation,
                           QStringLiteral("Unable to locate readme.txt"));
    }
}

void setProgramFolderForTests(const QString& folder) {
    folderOverride() = folder;
}

} // namespace ProgramReadme
