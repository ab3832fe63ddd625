// The Save button: the list as a checkup log file.

#include "frmCleanUp.h"

#include "AppInfo.h"
#include "ProgressPicture.h"
#include "commands/CheckupScan.h"
#include "commands/LogFileWriter.h"

#include "common/RuntimeError.h"
#include "common/UiServices.h"

#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>

using quorlin::UiServices;

namespace {

const QString kDataText = QStringLiteral("Saving log file ... (writing data to file)");

} // namespace

void frmCleanUp::cmdSave_Click() {
    if (Checking || Saving)
        return;

    // 1. Nothing to save.
    if (lstErrors->count() == 0) {
        UiServices::msgBox(QStringLiteral("There is nothing in the mesage box to save in the log file."),
                           quorlin::MsgInformation, QStringLiteral("Error"));
        return;
    }

    // 2, 3. The file; a cancelled dialog ends the command silently.
    QPointer<frmCleanUp> self(this);
    const QString path = UiServices::saveFileName(
        QStringLiteral("Save Checkup Log File"),
        QStringLiteral("Log files (*.log)|*.log|Plain Text Documents (*.txt)|*.txt|All files (*.*)|*.*"),
        QStringLiteral("checkup.log"));
    if (!self || path.isEmpty())
        return;

    // 4. Saving.
    CancelSave = false;
    Saving = true;
    cmdChk->setEnabled(false);
    cmdCancel->setEnabled(false);
    cmdSave->setEnabled(false);
    const QString remembered = lblStatus->text();
    picProgress->show();

    LogFileWriter file;
    auto enableButtons = [this] {
        Saving = false;
        cmdChk->setEnabled(true);
        cmdCancel->setEnabled(true);
        cmdSave->setEnabled(true);
    };
    auto errorEnding = [&](int number) {
        file.close();
        UpdateStatus(0, remembered);
        picProgress->hide();
        bool alive = true;
        messageBox(QStringLiteral("An error occurred when saving the log file. ") + QStringLiteral("\r\n") +
                       QStringLiteral("Error details: ") + QString::number(number) + QStringLiteral(" - ") +
                       quorlin::RuntimeError::descriptionOf(number),
                   quorlin::MsgOk, AppInfo::kTitle, &alive);
        if (!alive)
            return;
        enableButtons();
        completePendingClose();
    };

    // 5 to 7. Header, date line, separator.
    if (const int err = file.open(path)) {
        errorEnding(err);
        return;
    }
    static const QString steps[] = {QStringLiteral("Saving log file ... (writing file header)"),
                                    QStringLiteral("Saving log file ... (writing file date time)"),
                                    QStringLiteral("Saving log file ... (writing file seperator)")};
    if (const int err = writeCheckupLogHead(
            file, [&](int line) { UpdateStatus(static_cast<uint8_t>(line), steps[line - 1]); })) {
        errorEnding(err);
        return;
    }

    // 8. The list lines, each after a look at the stop request.
    const int count = lstErrors->count();
    for (int k = 0; k < count; ++k) {
        if (CancelSave) {
            // Abandon ending: no partial file is left behind.
            file.discard();
            bool alive = true;
            messageBox(QStringLiteral("Log saving process cancelled by user."), quorlin::MsgInformation,
                       QStringLiteral("Log save"), &alive);
            if (!alive)
                return;
            CancelSave = false;
            picProgress->hide();
            UpdateStatus(0, remembered);
            enableButtons();
            completePendingClose();
            return;
        }
        if (const int err = file.writeLine(lstErrors->item(k)->text())) {
            errorEnding(err);
            return;
        }
        const int n = lstErrors->count();
        UpdateStatus(checkup::roundPercent(static_cast<double>(k) / (n + 4.0) * 100.0), kDataText);
        if (!yieldOnce()) {
            // The window went away under the save: the file would be incomplete.
            file.discard();
            return;
        }
    }

    // 9, 10. Separator, end line, close.
    const int n = lstErrors->count();
    if (const int err = writeCheckupLogTail(file)) {
        errorEnding(err);
        return;
    }
    UpdateStatus(checkup::roundPercent((n + 1.0) / (n + 4.0) * 100.0),
                 QStringLiteral("Saving log file ... (writing file signature)"));
    if (const int err = file.close()) {
        errorEnding(err);
        return;
    }
    UpdateStatus(checkup::roundPercent((n + 2.0) / (n + 4.0) * 100.0), QStringLiteral("Log file saved."));

    // 11. Successful ending.
    if (!pauseOneSecond())
        return;
    picProgress->hide();
    UpdateStatus(0, remembered);
    bool alive = true;
    messageBox(QStringLiteral("Log file saved successfully."), quorlin::MsgInformation, AppInfo::kTitle,
               &alive);
    if (!alive)
        return;
    enableButtons();
    completePendingClose();
}
