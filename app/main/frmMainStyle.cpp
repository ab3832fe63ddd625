// Apply (record the style as the user's visual style for the next log-on) and Open (hand
// the style to the Display control panel).

#include "frmMain.h"

#include "StyleCommands.h"
#include "common/UiServices.h"
#include "mdlMain.h"

using quorlin::UiServices;

namespace {

void showNoStyleFile() {
    UiServices::msgBox(StyleCommands::noStyleFileMessage(), quorlin::MsgExclamation, QStringLiteral("Error"));
}

} // namespace

QString frmMain::styleFileOfSelection(const QString& verb) const {
    if (selectedIndex() < 0) {
        UiServices::msgBox(QStringLiteral("QuorlinZevra cannot ") + verb +
                               QStringLiteral(" your visual style because you did not select "
                                              "any visual style on the list."),
                           quorlin::MsgInformation, QStringLiteral("Error"));
        return QString();
    }
    UiServices::setMousePointer(quorlin::PointerArrowHourglass);
    mdlMain::checkThemesDirectory();
    const QString styleFile = StyleCommands::findStyleFile(mdlMain::themesDirectory(), selectedStyle());
    if (styleFile.isEmpty()) {
        UiServices::setMousePointer(quorlin::PointerDefault);
        showNoStyleFile();
    }
    return styleFile;
}

void frmMain::cmdApply_Click() {
    const QString styleFile = styleFileOfSelection(QStringLiteral("apply"));
    if (styleFile.isEmpty())
        return;
    const QString themes = mdlMain::themesDirectory();
    const QString style = selectedStyle();
    UiServices::setMousePointer(quorlin::PointerDefault);
    if (!StyleCommands::canApply(style, styleFile)) {
        UiServices::msgBox(StyleCommands::cannotApplyMessage(style, styleFile), quorlin::MsgExclamation,
                           QStringLiteral("Error"));
        return;
    }
    const int answer = UiServices::msgBox(QStringLiteral("Are you sure to apply ") + style +
                                              QStringLiteral(" as your visual style?"),
                                          quorlin::MsgYesNoQuestion, QStringLiteral("Comfirm Apply"));
    if (answer == quorlin::AnswerYes) {
        UiServices::setMousePointer(quorlin::PointerHourglass);
        // A write the registry refuses is not reported: the confirmation follows all the same.
        StyleCommands::applyStyle(themes, style, styleFile);
        UiServices::msgBox(StyleCommands::appliedMessage(), quorlin::MsgInformation,
                           QStringLiteral("Comfirmation"));
    }
    UiServices::setMousePointer(quorlin::PointerDefault);
}

void frmMain::cmdOpen_Click() {
    const QString styleFile = styleFileOfSelection(QStringLiteral("open"));
    if (styleFile.isEmpty())
        return;
    const QString style = selectedStyle();

    const QString w = mdlMain::windowsDirectoryText();
    // Without the Display control panel the line could only fail inside rundll32,
    // silently; say what is missing instead.
    const QString panel = w + QStringLiteral("\\system32\\desk.cpl");
    if (!mdlMain::ChkFileExist(panel)) {
        // Wine has no Display control panel. Its configuration program does the same
        // job: its Desktop Integration page lists the styles of Resources\Themes and
        // applies one at once. It runs in this prefix, shown normally to be used.
        const QString winecfg = w + QStringLiteral("\\system32\\winecfg.exe");
        if (mdlMain::ChkFileExist(winecfg)) {
            QString error;
            const bool started = UiServices::startProcess(winecfg, 1, &error);
            UiServices::setMousePointer(quorlin::PointerDefault);
            if (!started)
                UiServices::msgBox(QStringLiteral("Wine's configuration program (") + winecfg +
                                       QStringLiteral(") could not be started. ") + error,
                                   quorlin::MsgCritical, QStringLiteral("Error"));
            return;
        }
        UiServices::setMousePointer(quorlin::PointerDefault);
        UiServices::msgBox(
            QStringLiteral("The Display control panel (") + panel +
                QStringLiteral(") is not installed, so the visual style cannot be opened in it. "
                               "Use Apply to make it your visual style instead."),
            quorlin::MsgCritical, QStringLiteral("Error"));
        return;
    }
    const QString commandLine =
        w + QStringLiteral("\\system32\\rundll32.exe ") + w +
        QStringLiteral("\\system32\\shell32.dll,Control_RunDLL ") + w +
        QStringLiteral("\\system32\\desk.cpl desk,@Appearance /Action:OpenMSTheme /file:") +
        QLatin1Char('"') + w + QStringLiteral("\\Resources\\Themes\\") + style + QLatin1Char('\\') +
        styleFile + QLatin1Char('"');
    QString error;
    if (!UiServices::startProcess(commandLine, 2, &error)) {
        UiServices::setMousePointer(quorlin::PointerDefault);
        UiServices::msgBox(QStringLiteral("The Display control panel could not be started. ") + error,
                           quorlin::MsgCritical, QStringLiteral("Error"));
        return;
    }
    UiServices::setMousePointer(quorlin::PointerDefault);
}
