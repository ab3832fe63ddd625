// Install: a downloaded archive is extracted straight into the themes directory.

#include "frmMain.h"

#include "ZipUnzip.h"
#include "common/RuntimeError.h"
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
    // From here on a failing step is passed over and the next one runs.
    try {
        const QString windows = mdlMain::windowsDirectoryText();
        const QString target = windows + QStringLiteral("\\Resources\\Themes\\");
        if (!mdlMain::ChkPathExist(target))
            UiServices::msgBox(mdlMain::missingThemesMessage(windows), quorlin::MsgOk);
        // Every entry, existing files replaced without a question. The list is not
        // refreshed: the new style shows after the next Refresh.
        ZipUnzip::UnzipArchive(archive, target, 0, 1, 0, 0, 0, 0);
    } catch (const quorlin::RuntimeError&) {
        // The extraction library could not be reached; nothing to tell.
    }
}
