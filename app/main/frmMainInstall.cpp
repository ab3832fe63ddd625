// Install: a downloaded archive is extracted straight into the themes directory.

#include "frmMain.h"

#include "InstallProgress.h"
#include "ZipUnzip.h"
#include "common/RuntimeError.h"
#include "common/UiServices.h"
#include "mdlMain.h"

using quorlin::UiServices;

void frmMain::cmdInst_Click() {
    // The extraction lets events through; an Install chosen meanwhile waits for none.
    if (m_installing)
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
    // From here on a failing step is passed over and the next one runs.
    try {
        const QString windows = mdlMain::windowsDirectoryText();
        const QString target = windows + QStringLiteral("\\Resources\\Themes\\");
        if (!mdlMain::ChkPathExist(target))
            UiServices::msgBox(mdlMain::missingThemesMessage(windows), quorlin::MsgOk);
        // Every entry, existing files replaced without a question.
        ZipUnzip::UnzipArchive(archive, target, 0, 1, 0, 0, 0, 0);
    } catch (const quorlin::RuntimeError&) {
        // The extraction library could not be reached; nothing to tell.
    }
}
