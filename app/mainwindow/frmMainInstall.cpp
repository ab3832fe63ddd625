// Install: a downloaded archive is extracted straight into the themes directory.

#include "frmMain.h"

#include "InstallProgress.h"
#include "commands/InstallArchive.h"
#include "commands/ZipUnzip.h"
#include "commands/mdlMainControl.h"
#include "commands/mdlMainThemes.h"
#include "common/UiServices.h"

using quorlin::UiServices;

void frmMain::cmdInst_Click() {
    // The extraction lets events through; an Install chosen meanwhile waits for none.
    if (!idle())
        return;
    // Cancel ends the command without a word.
    const QString archive =
        UiServices::openFileName(QStringLiteral("Install Visual Style from downloaded ZIP file"),
                                 QStringLiteral("Zip compressed files (*.zip)|*.zip|All files (*.*)|*.*"));
    if (archive.isEmpty())
        return;
    // The list is not refreshed: the new style shows after the next Refresh.
    installArchives({archive});
}

void frmMain::installArchives(const QStringList& archives) {
    m_installing = true;
    {
        InstallProgress progress(this, int(archives.size()), [this] { return m_ending; });
        for (const QString& archive : archives) {
            if (progress.cancelled() || m_ending)
                break;
            progress.beginArchive(archive);
            installArchive(archive);
        }
    }
    m_installing = false;
}

void frmMain::installArchive(const QString& archive) {
    const QString target = mdlMain::themesDirectory();
    mdlMain::checkThemesDirectory();
    // Every entry, existing files replaced without a question. An extraction library that
    // cannot be reached has nothing to tell.
    const InstallResult result = ::installArchive(archive, target);
    if (!result.refusal.isEmpty())
        UiServices::msgBox(result.refusal, quorlin::MsgExclamation, QStringLiteral("Install VS"));
    else if (result.libraryReached)
        ZipUnzip::ReportUnzipResult(result.code);
}

void frmMain::offerToInstall(const QStringList& archives) {
    QStringList chosen;
    for (const QString& archive : archives) {
        const int answer = UiServices::msgBox(
            (isStyleFile(archive) ? QStringLiteral("Install the visual style file ")
                                  : QStringLiteral("Install the visual styles of the archive ")) +
                archive + QStringLiteral("?"),
            quorlin::MsgYesNoQuestion, QStringLiteral("Install VS"));
        if (answer == quorlin::AnswerYes)
            chosen.append(archive);
    }
    // Then as if the user had dropped them: refused unless each is an archive, installed
    // with the progress of the run, and shown in the refreshed list.
    installArchiveFiles(chosen);
}
