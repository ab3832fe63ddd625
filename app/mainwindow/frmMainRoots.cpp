// The Windows root: the roots found on this machine in the File menu, a folder of the
// user's choice, and the switch of the whole program to the one chosen.

#include "frmMain.h"

#include "commands/InstallArchive.h"
#include "commands/RootChoice.h"
#include "commands/mdlMainStartup.h"
#include "commands/mdlMainThemes.h"
#include "common/UiServices.h"
#include "platform/RootDiscovery.h"

#include <QAction>
#include <QMenu>

using quorlin::UiServices;
namespace fs = std::filesystem;

namespace {

// A menu caption shows "&" as itself only when doubled.
QString menuText(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

void frmMain::mnuRoots_AboutToShow() {
    mnuRoots->clear();
    for (const RootChoice::ListedRoot& root : RootChoice::listRoots()) {
        const QString folder = RootChoice::displayedFolder(root.folder);
        QAction* item = mnuRoots->addAction(menuText(
            root.name == folder ? root.name : root.name + QStringLiteral(" (") + folder + QLatin1Char(')')));
        item->setCheckable(true);
        item->setChecked(root.managed);
        const fs::path target = root.folder;
        connect(item, &QAction::triggered, this, [this, target] { switchRoot(target); });
    }
    mnuRoots->addSeparator();
    QAction* other = mnuRoots->addAction(QStringLiteral("&Other folder..."));
    other->setObjectName(QStringLiteral("mnuOtherRoot"));
    connect(other, &QAction::triggered, this, &frmMain::mnuOtherRoot_Click);
}

void frmMain::mnuOtherRoot_Click() {
    const QString folder = UiServices::folderName(QStringLiteral("Choose the folder of a Wine prefix"));
    if (folder.isEmpty())
        return;
    switchRoot(folder.toStdString());
}

bool frmMain::switchRoot(const fs::path& folder) {
    if (!platform::isWindowsRootFolder(folder)) {
        const QString why = RootChoice::refusal(folder);
        UiServices::msgBox(why.isEmpty() ? RootChoice::notAPrefixMessage(folder) : why,
                           quorlin::MsgExclamation, QStringLiteral("Windows Root"));
        return false;
    }
    RootChoice::choose(folder);
    // As at start-up, on the new root: what keeps the program from working there, the
    // folder class and the My Computer mark, the list.
    showNotes(mdlMain::ReportStartupProblems());
    removeInstallLeftovers(mdlMain::themesDirectory());
    registerFolderClass();
    synchroniseMyComputerEntry();
    cmdRefresh_Click();
    return true;
}
