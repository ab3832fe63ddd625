// Install: a downloaded archive is extracted straight into the themes directory.

#include "frmMain.h"

#include "InstallArchive.h"
#include "ZipUnzip.h"
#include "common/UiServices.h"
#include "mdlMain.h"

using quorlin::UiServices;

void frmMain::cmdInst_Click() {
    // Cancel ends the command without a word.
    const QString archive =
        UiServices::openFileName(QStringLiteral("Install Visual Style from downloaded ZIP file"),
                                 QStringLiteral("Zip compressed files (*.zip)|*.zip|All files (*.*)|*.*"));
    if (archive.isEmpty())
        return;
    installArchives({archive});
}

void frmMain::installArchives(const QStringList& archives) {
    const QString windows = mdlMain::windowsDirectoryText();
    const QString target = windows + QStringLiteral("\\Resources\\Themes\\");
    if (!mdlMain::ChkPathExist(target))
        UiServices::msgBox(mdlMain::missingThemesMessage(windows), quorlin::MsgOk);
    for (const QString& archive : archives) {
        // Every entry, existing files replaced without a question. The list is not
        // refreshed: the new style shows after the next Refresh. An extraction library
        // that cannot be reached has nothing to tell.
        const InstallResult result = installArchive(archive, target);
        if (result.libraryReached)
            ZipUnzip::ReportUnzipResult(result.code);
    }
}

void frmMain::offerToInstall(const QStringList& archives) {
    QStringList chosen;
    for (const QString& archive : archives) {
        const int answer = UiServices::msgBox(QStringLiteral("Install the visual styles of the archive ") +
                                                  archive + QStringLiteral("?"),
                                              quorlin::MsgYesNoQuestion, QStringLiteral("Install VS"));
        if (answer == quorlin::AnswerYes)
            chosen.append(archive);
    }
    if (chosen.isEmpty())
        return;
    installArchives(chosen);
    // Archives handed over at start are installed for the user to see at once.
    cmdRefresh_Click();
}
