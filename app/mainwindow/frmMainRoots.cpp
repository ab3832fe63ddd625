// The Windows root: the roots found on this machine in the File menu, each with its Wine, a
// folder of the user's choice, the switch of the whole program to the one chosen, and the
// Wine chosen for the managed prefix.

#include "frmMain.h"

#include "commands/HostText.h"
#include "commands/InstallArchive.h"
#include "commands/RootChoice.h"
#include "commands/RootWine.h"
#include "commands/mdlMainStartup.h"
#include "commands/mdlMainThemes.h"
#include "common/UiServices.h"
#include "platform/RootDiscovery.h"
#include "platform/WindowsRoot.h"
#include "windows/frmPrefixes.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>

using quorlin::UiServices;
namespace fs = std::filesystem;

namespace {

// A menu caption shows "&" as itself only when doubled.
QString menuText(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// What follows a root's name: its Wine as --prefixes says it.
QString wineText(const std::filesystem::path& root) {
    const RootWine::Shown wine = RootWine::shown(root);
    return QStringLiteral(" \u2014 wine=") + wine.wine +
           (wine.cannotDrive.isEmpty() ? QString() : QStringLiteral(", cannot drive: ") + wine.cannotDrive);
}

} // namespace

void frmMain::mnuRoots_AboutToShow() {
    mnuRoots->clear();
    for (const RootChoice::ListedRoot& root : RootChoice::listRoots()) {
        const QString folder = RootChoice::displayedFolder(root.folder);
        QAction* item = mnuRoots->addAction(menuText(
            (root.name == folder ? root.name : root.name + QStringLiteral(" (") + folder + QLatin1Char(')')) +
            wineText(root.folder)));
        item->setCheckable(true);
        item->setChecked(root.managed);
        const fs::path target = root.folder;
        connect(item, &QAction::triggered, this, [this, target] { switchRoot(target); });
    }
    mnuRoots->addSeparator();
    QAction* other = mnuRoots->addAction(QStringLiteral("&Other folder..."));
    other->setObjectName(QStringLiteral("mnuOtherRoot"));
    connect(other, &QAction::triggered, this, &frmMain::mnuOtherRoot_Click);
    mnuRoots->addSeparator();
    QAction* wine = mnuRoots->addAction(QStringLiteral("&Wine of This Prefix..."));
    wine->setObjectName(QStringLiteral("mnuRootWine"));
    connect(wine, &QAction::triggered, this, &frmMain::mnuRootWine_Click);
    QAction* ownWine = mnuRoots->addAction(QStringLiteral("Forget the Chosen W&ine"));
    ownWine->setObjectName(QStringLiteral("mnuRootOwnWine"));
    ownWine->setEnabled(!RootWine::chosen(platform::windowsRoot()).empty());
    connect(ownWine, &QAction::triggered, this, &frmMain::mnuRootOwnWine_Click);
    mnuRoots->addSeparator();
    QAction* applyOthers = mnuRoots->addAction(QStringLiteral("Apply to other prefixes..."));
    applyOthers->setObjectName(QStringLiteral("mnuApplyToPrefixes"));
    applyOthers->setEnabled(!selectedStyle().isEmpty());
    connect(applyOthers, &QAction::triggered, this, &frmMain::mnuApplyToPrefixes_Click);
    QAction* installOthers = mnuRoots->addAction(QStringLiteral("Install to other prefixes..."));
    installOthers->setObjectName(QStringLiteral("mnuInstallToPrefixes"));
    connect(installOthers, &QAction::triggered, this, &frmMain::mnuInstallToPrefixes_Click);
}

void frmMain::mnuApplyToPrefixes_Click() {
    const QString style = selectedStyle();
    if (style.isEmpty())
        return;
    // As Apply applies it here: the scheme and size chosen where the style offers a choice.
    QStringList arguments{QStringLiteral("--apply"), style};
    QString what = QStringLiteral("Apply the visual style ") + style;
    if (cboColor->count() > 1) {
        arguments << QStringLiteral("--color") << cboColor->currentData().toString();
        what += QStringLiteral(", colour scheme ") + cboColor->currentText();
    }
    if (cboSize->count() > 1) {
        arguments << QStringLiteral("--size") << cboSize->currentData().toString();
        what += QStringLiteral(", size ") + cboSize->currentText();
    }
    frmPrefixes window({QStringLiteral("Apply to other prefixes"),
                        what + QStringLiteral(", in each prefix checked (it must be installed there):"),
                        arguments, QStringLiteral("applied")},
                       platform::windowsRoot(), this);
    UiServices::showModal(&window);
}

void frmMain::mnuInstallToPrefixes_Click() {
    const QString archive =
        UiServices::openFileName(QStringLiteral("Install Visual Style from downloaded ZIP file"),
                                 QStringLiteral("Zip compressed files (*.zip)|*.zip|All files (*.*)|*.*"));
    if (archive.isEmpty())
        return;
    frmPrefixes window({QStringLiteral("Install to other prefixes"),
                        QStringLiteral("Install the visual styles of ") + archive +
                            QStringLiteral(" in each prefix checked:"),
                        {QStringLiteral("--install"), archive},
                        QStringLiteral("installed")},
                       platform::windowsRoot(), this);
    UiServices::showModal(&window);
}

void frmMain::mnuRootWine_Click() {
    const QString wine = UiServices::openFileName(
        QStringLiteral("Choose the wine program of this Wine prefix"), QStringLiteral("All files (*.*)|*.*"));
    if (wine.isEmpty())
        return;
    const fs::path root = platform::windowsRoot();
    RootWine::choose(root, HostText::toBytes(wine));
    // Said at once where it cannot be started there: the choice stays, to be forgotten.
    const RootWine::Shown shown = RootWine::shown(root);
    if (!shown.cannotDrive.isEmpty())
        UiServices::msgBox(QStringLiteral("The Wine ") + shown.wine +
                               QStringLiteral(" cannot be started in ") + HostText::fromBytes(root.native()) +
                               QStringLiteral(": ") + shown.cannotDrive + QLatin1Char('.'),
                           quorlin::MsgExclamation, QStringLiteral("Windows Root"));
}

void frmMain::mnuRootOwnWine_Click() {
    RootWine::choose(platform::windowsRoot(), {});
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
