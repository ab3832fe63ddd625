// Apply (the style as the user's visual style, in the colour scheme and size chosen), the
// classic look, and Open (hand the style to the Display control panel).

#include "frmMain.h"

#include "PictureBox.h"
#include "commands/StyleApply.h"
#include "commands/StyleCommands.h"
#include "commands/mdlMainControl.h"
#include "commands/mdlMainThemes.h"
#include "common/UiServices.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>

using quorlin::UiServices;

namespace {

void showNoStyleFile() {
    UiServices::msgBox(StyleCommands::noStyleFileMessage(), quorlin::MsgExclamation, QStringLiteral("Error"));
}

} // namespace

bool frmMain::selectionReady(const QString& verb) const {
    if (selectedIndex() < 0) {
        UiServices::msgBox(QStringLiteral("QuorlinZevra cannot ") + verb +
                               QStringLiteral(" your visual style because you did not select "
                                              "any visual style on the list."),
                           quorlin::MsgInformation, QStringLiteral("Error"));
        return false;
    }
    UiServices::setMousePointer(quorlin::PointerArrowHourglass);
    mdlMain::checkThemesDirectory();
    return true;
}

QString frmMain::styleFileOfSelection(const QString& verb) const {
    if (!selectionReady(verb))
        return QString();
    const QString styleFile = StyleCommands::findStyleFile(mdlMain::themesDirectory(), selectedStyle());
    if (styleFile.isEmpty()) {
        UiServices::setMousePointer(quorlin::PointerDefault);
        showNoStyleFile();
    }
    return styleFile;
}

namespace {

// What a user looks for about a style beside its readme: its own name, who made it, its
// version and what it offers; a line for each the file gives.
QString detailsText(const QString& style, const StyleFile& file) {
    const StyleDetails details = file.details();
    QStringList lines;
    lines.append(details.displayName.isEmpty() || details.displayName == style
                     ? style
                     : details.displayName + QStringLiteral(" (") + style + QLatin1Char(')'));
    if (!details.toolTip.isEmpty() && details.toolTip != details.displayName)
        lines.append(details.toolTip);
    if (!details.author.isEmpty())
        lines.append(QStringLiteral("Author: ") + details.author);
    if (!details.version.isEmpty())
        lines.append(QStringLiteral("Version: ") + details.version);
    if (file.colorNames())
        lines.append(QStringLiteral("Colour schemes: ") + describeChoices(file.colorSchemes()));
    if (file.sizeNames())
        lines.append(QStringLiteral("Sizes: ") + describeChoices(file.sizes()));
    return lines.join(QLatin1Char('\n'));
}

// The style's choices in the box, the one chosen current; shown (with its label) whenever
// the style lists any, and open to a choice only when it lists more than one, as the Display
// control panel shows them.
void fillChoices(QComboBox* box, QLabel* label, const QList<StyleChoice>& choices, const QString& chosen) {
    if (choices.isEmpty())
        return;
    const QSignalBlocker quiet(box);
    for (const StyleChoice& choice : choices) {
        box->addItem(choice.displayName, choice.name);
        if (!choice.toolTip.isEmpty())
            box->setItemData(box->count() - 1, choice.toolTip, Qt::ToolTipRole);
    }
    box->setCurrentIndex(std::max(0, box->findData(chosen)));
    box->setEnabled(choices.size() > 1);
    box->show();
    label->show();
}

} // namespace

void frmMain::buildStyleChoices() {
    // Below the preview they change, labelled as the Display control panel labels them.
    lblColor = new QLabel(QStringLiteral("Color scheme:"), client);
    lblColor->setObjectName(QStringLiteral("lblColor"));
    cboColor = new QComboBox(client);
    cboColor->setObjectName(QStringLiteral("cboColor"));
    cboColor->setToolTip(QStringLiteral("colour scheme of the selected visual style, applied with it"));
    lblSize = new QLabel(QStringLiteral("Font size:"), client);
    lblSize->setObjectName(QStringLiteral("lblSize"));
    cboSize = new QComboBox(client);
    cboSize->setObjectName(QStringLiteral("cboSize"));
    cboSize->setToolTip(QStringLiteral("size of the selected visual style, applied with it"));
    for (QLabel* label : {lblColor, lblSize}) {
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->hide();
    }
    lblColor->setBuddy(cboColor);
    lblSize->setBuddy(cboSize);
    for (QComboBox* box : {cboColor, cboSize}) {
        // As wide as the longest display name of the style (placeControls keeps the row
        // within the window).
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        box->hide();
        // The drawn preview shows the choice before it is applied.
        connect(box, &QComboBox::currentIndexChanged, this, &frmMain::redrawPreview);
    }
}

void frmMain::showStyleChoices() {
    for (QComboBox* box : {cboColor, cboSize}) {
        const QSignalBlocker quiet(box);
        box->clear();
        box->hide();
    }
    lblColor->hide();
    lblSize->hide();
    m_selectedFile = StyleFile();
    m_selectedFileStyle.clear();
    picPreview->setToolTip(QString());
    if (selectedIndex() < 0)
        return;
    const QString themes = mdlMain::themesDirectory();
    const QString style = selectedStyle();
    const QString styleFile = StyleCommands::findStyleFile(themes, style);
    if (styleFile.isEmpty())
        return;
    m_selectedFile = StyleApply::readStyleFile(themes, style, styleFile);
    m_selectedFileStyle = style;
    if (!m_selectedFile.isReadable())
        return;
    fillChoices(cboColor, lblColor, m_selectedFile.colorSchemes(), StyleApply::defaultColor(m_selectedFile));
    fillChoices(cboSize, lblSize, m_selectedFile.sizes(), StyleApply::defaultSize(m_selectedFile));
    placeControls();
    picPreview->setToolTip(detailsText(style, m_selectedFile));
}

int frmMain::chosenColorIndex() const {
    return cboColor->isHidden() ? 0 : std::max(0, cboColor->currentIndex());
}

int frmMain::chosenSizeIndex() const {
    return cboSize->isHidden() ? 0 : std::max(0, cboSize->currentIndex());
}

void frmMain::cmdApply_Click() {
    if (!selectionReady(QStringLiteral("apply")))
        return;
    const QString themes = mdlMain::themesDirectory();
    // The choice shown belongs to the selected style; where there was none to make, its
    // defaults.
    const QString color = cboColor->count() > 1 ? cboColor->currentData().toString() : QString();
    const QString size = cboSize->count() > 1 ? cboSize->currentData().toString() : QString();
    const StyleApply::Plan plan = StyleApply::plan(themes, selectedStyle(), color, size);
    UiServices::setMousePointer(quorlin::PointerDefault);
    // What keeps the style from being applied is said before anything is asked.
    switch (plan.refusal.kind) {
    case StyleApply::Outcome::Applied:
        break;
    case StyleApply::Outcome::NotInstalled:
    case StyleApply::Outcome::NoStyleFile:
        showNoStyleFile();
        return;
    case StyleApply::Outcome::NameNotAnsi:
        UiServices::msgBox(StyleApply::failureMessage(themes, plan.refusal), quorlin::MsgExclamation,
                           QStringLiteral("Error"));
        return;
    default:
        UiServices::msgBox(StyleApply::failureMessage(themes, plan.refusal), quorlin::MsgCritical,
                           QStringLiteral("Error"));
        return;
    }
    const int answer = UiServices::msgBox(QStringLiteral("Are you sure to apply ") + plan.style +
                                              QStringLiteral(" as your visual style?"),
                                          quorlin::MsgYesNoQuestion, QStringLiteral("Comfirm Apply"));
    if (answer != quorlin::AnswerYes || !idle())
        return;
    const std::optional<StyleApply::Outcome> outcome =
        whileWineWorks([plan] { return StyleApply::apply(plan); });
    if (!outcome)
        return;
    // The list shows what Wine holds now, whatever came of it.
    markStyleInUse();
    // Whatever kept the style from being recorded is said, a write the registry refused
    // too: a confirmation then would report a failure as success.
    if (!outcome->succeeded())
        UiServices::msgBox(StyleApply::failureMessage(themes, *outcome), quorlin::MsgCritical,
                           QStringLiteral("Error"));
    else
        UiServices::msgBox(StyleApply::appliedMessage(), quorlin::MsgInformation,
                           QStringLiteral("Comfirmation"));
}

void frmMain::mnuClassic_Click() {
    const int answer = UiServices::msgBox(
        QStringLiteral("Are you sure to switch to the classic look, without a visual style?"),
        quorlin::MsgYesNoQuestion, QStringLiteral("Classic Look"));
    if (answer != quorlin::AnswerYes || !idle())
        return;
    const std::optional<StyleApply::Outcome> outcome =
        whileWineWorks([] { return StyleApply::applyClassic(); });
    if (!outcome)
        return;
    markStyleInUse();
    if (outcome->succeeded())
        UiServices::msgBox(StyleApply::classicMessage(*outcome), quorlin::MsgInformation,
                           QStringLiteral("Classic Look"));
    else
        UiServices::msgBox(StyleApply::classicFailureMessage(*outcome), quorlin::MsgCritical,
                           QStringLiteral("Error"));
}

void frmMain::beginWineWork() {
    m_wineWork = true;
    UiServices::setMousePointer(quorlin::PointerArrowHourglass);
    // Whatever changes the prefix, reads its registry or starts Wine in it waits; the list
    // and the preview stay to be looked at.
    const QList<QObject*> interfering{cmdApply,   cmdOpen,        cmdInst,    cmdUninst,
                                      cmdRefresh, mnuRefresh,     mnuInstall, mnuRoots->menuAction(),
                                      mnuCleanup, mnuAddShortcut, mnuSystems, mnuAppearance,
                                      mnuApply,   mnuUninstall,   mnuClassic};
    m_disabledForWine.clear();
    for (QObject* object : interfering) {
        if (auto* widget = qobject_cast<QWidget*>(object); widget && widget->isEnabled()) {
            widget->setEnabled(false);
            m_disabledForWine.append(widget);
        } else if (auto* action = qobject_cast<QAction*>(object); action && action->isEnabled()) {
            action->setEnabled(false);
            m_disabledForWine.append(action);
        }
    }
}

bool frmMain::endWineWork() {
    for (QObject* object : std::as_const(m_disabledForWine)) {
        if (auto* widget = qobject_cast<QWidget*>(object))
            widget->setEnabled(true);
        else if (auto* action = qobject_cast<QAction*>(object))
            action->setEnabled(true);
    }
    m_disabledForWine.clear();
    m_wineWork = false;
    UiServices::setMousePointer(quorlin::PointerDefault);
    if (m_endAfterWineWork || m_ending) {
        endProgram();
        return false;
    }
    return true;
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
            else
                showProgramStarting();
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
        QLatin1Char('"') + mdlMain::themesDirectoryOf(w) + style + QLatin1Char('\\') + styleFile +
        QLatin1Char('"');
    QString error;
    if (!UiServices::startProcess(commandLine, 2, &error)) {
        UiServices::setMousePointer(quorlin::PointerDefault);
        UiServices::msgBox(QStringLiteral("The Display control panel could not be started. ") + error,
                           quorlin::MsgCritical, QStringLiteral("Error"));
        return;
    }
    showProgramStarting();
}

void frmMain::showProgramStarting() {
    // Wine takes seconds to show the program it starts (winecfg 2-3 s): the pointer says it
    // is coming meanwhile, and Open waits so as not to start it twice. Nothing is waited on.
    UiServices::setMousePointer(quorlin::PointerArrowHourglass);
    cmdOpen->setEnabled(false);
    ++m_programsStarting;
    QTimer::singleShot(kProgramStartingTime, this, [this] {
        if (--m_programsStarting > 0)
            return;
        // Wine work begun meanwhile enables Open again itself when it ends.
        if (m_wineWork) {
            m_disabledForWine.append(cmdOpen);
            return;
        }
        cmdOpen->setEnabled(true);
        UiServices::setMousePointer(quorlin::PointerDefault);
    });
}
