// Uninstall: the selected style's folder and everything in it goes, after the user
// agreed; the list is rebuilt afterwards.

#include "frmMain.h"

#include "common/UiServices.h"
#include "common/prgmain.h"
#include "mdlMain.h"
#include "platform/FileAttributes.h"
#include "platform/Paths.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <unistd.h>

using quorlin::UiServices;

void frmMain::ClearFolder(const QString& path) {
    // The shared routine: ordinary, archive, hidden entries and folders (system ones are
    // not seen); every file and folder the platform lets go is deleted, deepest first;
    // a link is removed itself and never followed; failures are passed over.
    prgmain::ClearFolder(path);
}

frmMain::Removal frmMain::removeStyleFolder(const QString& folderPath) {
    // folderPath ends with a backslash; look at the folder entry itself.
    QString folder = folderPath;
    folder.chop(1);
    const auto host = platform::toHostPath(folder.toStdString());
    if (!host || !platform::fileAttributes(*host))
        return {Removal::Missing};
    const auto attributes = platform::fileAttributes(*host);
    if (*attributes & platform::FILE_ATTRIBUTE_REPARSE_POINT) {
        // A style that is a link to a folder elsewhere: clearing it would delete what
        // lies outside the themes directory. Only the link goes.
        if (::unlink(host->c_str()) != 0)
            return {Removal::KeptEntries, errno};
        return {Removal::Removed};
    }
    ClearFolder(folderPath);
    if (::rmdir(host->c_str()) == 0)
        return {Removal::Removed};
    const int error = errno;
    if (!platform::fileAttributes(*host))
        return {Removal::Removed}; // someone else took it meanwhile
    std::error_code ec;
    const bool empty = std::filesystem::is_empty(*host, ec) && !ec;
    return {empty ? Removal::KeptEmpty : Removal::KeptEntries, error};
}

void frmMain::cmdUninst_Click() {
    if (selectedIndex() < 0) {
        UiServices::msgBox(QStringLiteral("You did not select any visual style on the list to uninstall."),
                           quorlin::MsgInformation, QStringLiteral("Error"));
        return;
    }
    // The removal yields while it runs; a second Uninstall meanwhile would start on a
    // folder that is half gone. An install yields too, and may be writing into it.
    if (m_uninstalling || m_installing)
        return;
    const QString windows = mdlMain::windowsDirectoryText();
    const QString style = selectedStyle();
    const int answer =
        UiServices::msgBox(QStringLiteral("Are you sure to uninstall the selected visual style(") + style +
                               QStringLiteral(")? This action cannot be undone."),
                           quorlin::MsgYesNoQuestion, QStringLiteral("Uninstall VS"));
    if (answer != quorlin::AnswerYes) {
        cmdRefresh_Click();
        return;
    }

    m_uninstalling = true;
    UiServices::setMousePointer(quorlin::PointerArrowHourglass);
    const QString themes = windows + QStringLiteral("\\Resources\\Themes\\");
    const Removal removal = removeStyleFolder(themes + style + QLatin1Char('\\'));
    UiServices::setMousePointer(quorlin::PointerDefault);
    m_uninstalling = false;

    // The name is the one removed, even if the selection moved while the removal let
    // events through.
    cmdRefresh_Click();
    switch (removal.outcome) {
    case Removal::Removed:
        UiServices::msgBox(QStringLiteral("Visual Style ") + style +
                               QStringLiteral(" uninstalled from system."),
                           quorlin::MsgInformation, QStringLiteral("VS Uninstall"));
        break;
    case Removal::Missing:
        UiServices::msgBox(QStringLiteral("Visual Style ") + style +
                               QStringLiteral(" was not uninstalled: its folder is no longer in ") + themes +
                               QStringLiteral(". The refreshed list shows the styles that are there."),
                           quorlin::MsgExclamation, QStringLiteral("VS Uninstall"));
        break;
    case Removal::KeptEmpty:
        UiServices::msgBox(
            QStringLiteral("Every file of Visual Style ") + style +
                QStringLiteral(" was deleted, but its empty folder could not be removed from ") + themes +
                QStringLiteral(" (") + QString::fromLocal8Bit(std::strerror(removal.removalError)) +
                QStringLiteral("), so the refreshed list still shows it."),
            quorlin::MsgExclamation, QStringLiteral("VS Uninstall"));
        break;
    case Removal::KeptEntries:
        UiServices::msgBox(
            QStringLiteral("Visual Style ") + style +
                QStringLiteral(" could not be removed completely: some of its files could not be "
                               "deleted. What remains of it is shown in the refreshed list."),
            quorlin::MsgExclamation, QStringLiteral("VS Uninstall"));
        break;
    }
}
