// Uninstall: the selected style's folder and everything in it goes, after the user
// agreed; the list is rebuilt afterwards.

#include "frmMain.h"

#include "commands/StyleCommands.h"
#include "commands/mdlMainThemes.h"
#include "common/UiServices.h"
#include "common/prgmain.h"

using quorlin::UiServices;

void frmMain::ClearFolder(const QString& path, const QString& inUse) {
    // The shared routine: ordinary, archive, hidden entries and folders (system ones are
    // not seen); every file and folder the platform lets go is deleted, deepest first;
    // a link is removed itself and never followed; failures are passed over. The file of
    // the style in use stays, as Windows refuses to delete it.
    prgmain::ClearFolder(path, inUse);
}

void frmMain::cmdUninst_Click() {
    if (selectedIndex() < 0) {
        UiServices::msgBox(QStringLiteral("You did not select any visual style on the list to uninstall."),
                           quorlin::MsgInformation, QStringLiteral("Error"));
        return;
    }
    // The removal yields while it runs; a second Uninstall meanwhile would start on a
    // folder that is half gone. An install yields too, and may be writing into it.
    if (!idle())
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
    const QString themes = mdlMain::themesDirectoryOf(windows);
    // In a Wine prefix nothing holds the file of the style in use open: it is kept as
    // Windows keeps it, so the registry never names a file that is gone.
    const StyleCommands::Removal removal = StyleCommands::removeStyleFolder(
        themes + style + QLatin1Char('\\'), StyleCommands::fileInUse(themes, style),
        [this](const QString& folder, const QString& kept) { ClearFolder(folder, kept); });
    UiServices::setMousePointer(quorlin::PointerDefault);
    m_uninstalling = false;

    // The name is the one removed, even if the selection moved while the removal let
    // events through.
    cmdRefresh_Click();
    const bool removed = removal.outcome == StyleCommands::Removal::Removed;
    UiServices::msgBox(StyleCommands::removalMessage(style, themes, removal),
                       removed ? quorlin::MsgInformation : quorlin::MsgExclamation,
                       QStringLiteral("VS Uninstall"));
}
