// The main window's layout, loading, tray behaviour, ending, the windows it opens and
// the handlers that only forward to another command.

#include "frmMain.h"

#include "AppInfo.h"
#include "MainBackground.h"
#include "PictureBox.h"
#include "ProgramIcon.h"
#include "checkup/frmCleanUp.h"
#include "commands/RegistryValues.h"
#include "commands/mdlMainControl.h"
#include "commands/mdlMainThemes.h"
#include "common/UiServices.h"
#include "control/QLFunctions.h"
#include "devlib/Functions.h"
#include "windows/frmAbout.h"
#include "windows/frmAppearance.h"
#include "windows/frmFirstRun.h"
#include "windows/frmStats.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QToolButton>

#include <algorithm>

using quorlin::UiServices;

namespace {

// The client area paints its background artwork itself each time it is painted.
class ClientArea : public QWidget {
public:
    using QWidget::QWidget;
    // Where the rule below the list and the preview lies.
    qreal lowerRule = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        MainBackground::paint(p, size(), lowerRule);
    }
};

// The client area without the note's line: the designed 600 x 399 and the row of the
// colour scheme and size below the preview.
constexpr int kClientWidth = 600;
constexpr int kChoicesRow = 30;
constexpr int kClientHeight = 399 + kChoicesRow;
// Below the header: the list and the preview start here, and everything below them moves
// down by the note's line while it is shown.
constexpr int kBelowHeader = 75;

QFont tahoma() {
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(8.25);
    return font;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, const QString& tip,
                        const QRect& geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(tip);
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
}

QAction* makeAction(QMenu* menu, const char* name, const QString& caption,
                    const QKeySequence& shortcut = QKeySequence()) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

QAction* makeSeparator(QMenu* menu, const char* name) {
    QAction* separator = menu->addSeparator();
    separator->setObjectName(QLatin1String(name));
    return separator;
}

} // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMain"));
    // Single fixed border: minimise and close, no maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("%title%"));
    setWindowIcon(programIcon());
    // Archives dropped anywhere on the window are installed (frmMainDrop.cpp).
    setAcceptDrops(true);

    buildControls();
    buildMenus();
    connectHandlers();

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

frmMain::~frmMain() {
    mdlMain::setFunctionsControl(nullptr);
}

void frmMain::buildControls() {
    client = new ClientArea(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(kClientWidth, kClientHeight);
    client->setFont(tahoma());
    // The controls took their colours from a palette whose window brush was the artwork
    // (a picture brush, whose colour is black): a one-pixel white picture brush keeps
    // them exactly as they were drawn.
    QPalette background = client->palette();
    QPixmap white(1, 1);
    white.fill(Qt::white);
    background.setBrush(QPalette::Window, QBrush(white));
    client->setPalette(background);
    setCentralWidget(client);

    // The utility control sits below the visible area: it is an object to call, not
    // something to look at.
    functions = new QLFunctions(client);
    functions->setObjectName(QStringLiteral("functions"));
    mdlMain::setFunctionsControl(functions);

    SysIcon = new QSystemTrayIcon(programIcon(), this);
    SysIcon->setObjectName(QStringLiteral("SysIcon"));
    SysIcon->setToolTip(AppInfo::kTitle);

    cmdOpen = makeButton(client, "cmdOpen", QStringLiteral("&Open"),
                         QStringLiteral("open in Desktop control panel"), QRect(357, 44, 73, 25));
    cmdApply = makeButton(client, "cmdApply", QStringLiteral("A&pply"),
                          QStringLiteral("apply the current selected Visual style"), QRect(277, 44, 73, 25));
    cmdAbout = makeButton(client, "cmdAbout", QStringLiteral("&About"),
                          QStringLiteral("about Quorlin Kolvane"), QRect(507, 369, 73, 25));
    cmdRefresh = makeButton(client, "cmdRefresh", QStringLiteral("&Refresh"),
                            QStringLiteral("refresh list view"), QRect(346, 368, 74, 26));
    cmdInfo = makeButton(
        client, "cmdInfo", QStringLiteral("&More Info"),
        QStringLiteral("more information on the selected visual style; the readme file of the visual style"),
        QRect(427, 369, 73, 25));
    cmdInst =
        makeButton(client, "cmdInst", QStringLiteral("&Install"),
                   QStringLiteral("install a new visual style from a zip file"), QRect(437, 44, 73, 25));
    cmdUninst = makeButton(client, "cmdUninst", QStringLiteral("&Uninstall"),
                           QStringLiteral("remove the selected visual style from your system"),
                           QRect(517, 44, 73, 25));

    picPreview = new PictureBox(client);
    picPreview->setObjectName(QStringLiteral("picPreview"));
    picPreview->setToolTip(QStringLiteral("preview of the selected visual style, if available"));
    picPreview->setGeometry(175, 75, 415, 285);

    Label1 = new QLabel(QStringLiteral("No preview available for the currently selected Visual Style."),
                        picPreview);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setToolTip(QStringLiteral("currently selected visual style does not have a preview"));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setAttribute(Qt::WA_TranslucentBackground);
    QPalette grey = Label1->palette();
    grey.setColor(QPalette::WindowText, QColor(128, 128, 128));
    Label1->setPalette(grey);
    Label1->setGeometry(-64, 132, 533, 13);

    lstVS = new QListWidget(client);
    lstVS->setObjectName(QStringLiteral("lstVS"));
    lstVS->setToolTip(
        QStringLiteral("list of Visual Styles installed on your computer. double click to view more info"));
    lstVS->setSelectionMode(QAbstractItemView::SingleSelection);
    lstVS->setSortingEnabled(false);
    // Every row has the same height: lets a long list be filled without measuring rows.
    lstVS->setUniformItemSizes(true);
    QPalette listColours = lstVS->palette();
    listColours.setColor(QPalette::Base, Qt::white);
    listColours.setColor(QPalette::Text, QColor(64, 64, 64));
    lstVS->setPalette(listColours);
    lstVS->setGeometry(30, 75, 140, 315);

    lblVersion = new QLabel(QStringLiteral("Version %.%.%"), client);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setToolTip(QStringLiteral("Kolvane Version information"));
    lblVersion->setAlignment(Qt::AlignRight | Qt::AlignTop);
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPointSizeF(8.25);
    lblVersion->setFont(verdana);
    lblVersion->setGeometry(502, 24, 91, 13);

    buildStyleChoices();

    // The note's line: text that wraps, a pale background that sets it apart from the
    // list, and a button to close it.
    fraNote = new QFrame(client);
    fraNote->setObjectName(QStringLiteral("fraNote"));
    fraNote->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
    fraNote->setAutoFillBackground(true);
    QPalette noteColours = fraNote->palette();
    noteColours.setColor(QPalette::Window, QColor(255, 248, 220));
    noteColours.setColor(QPalette::WindowText, QColor(64, 64, 64));
    fraNote->setPalette(noteColours);
    lblNote = new QLabel(fraNote);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    lblNote->setWordWrap(true);
    lblNote->setTextFormat(Qt::PlainText);
    lblNote->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cmdCloseNote = new QToolButton(fraNote);
    cmdCloseNote->setObjectName(QStringLiteral("cmdCloseNote"));
    cmdCloseNote->setText(QStringLiteral("\u00D7"));
    cmdCloseNote->setToolTip(QStringLiteral("close this note"));
    cmdCloseNote->setAutoRaise(true);
    fraNote->hide();

    placeControls();

    // Tab order: Refresh, More Info, About, the list, the preview, Apply, Open, Install,
    // Uninstall (the labels take no focus).
    setTabOrder(cmdRefresh, cmdInfo);
    setTabOrder(cmdInfo, cmdAbout);
    setTabOrder(cmdAbout, lstVS);
    setTabOrder(lstVS, picPreview);
    setTabOrder(picPreview, cboColor);
    setTabOrder(cboColor, cboSize);
    setTabOrder(cboSize, cmdApply);
    setTabOrder(cmdApply, cmdOpen);
    setTabOrder(cmdOpen, cmdInst);
    setTabOrder(cmdInst, cmdUninst);
}

void frmMain::buildMenus() {
    QMenuBar* bar = menuBar();

    mnuFile = bar->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuRefresh = makeAction(mnuFile, "mnuRefresh", QStringLiteral("&Refresh"), QKeySequence(Qt::Key_F5));
    mnuInstall =
        makeAction(mnuFile, "mnuInstall", QStringLiteral("&Install VS"), QKeySequence(Qt::CTRL | Qt::Key_I));
    mnuRoots = mnuFile->addMenu(QStringLiteral("&Windows Root"));
    mnuRoots->setObjectName(QStringLiteral("mnuRoots"));
    mnuSep1 = makeSeparator(mnuFile, "mnuSep1");
    mnuExit =
        makeAction(mnuFile, "mnuExit", QStringLiteral("E&xit Manager"), QKeySequence(Qt::CTRL | Qt::Key_Q));

    mnuTools = bar->addMenu(QStringLiteral("&Tools"));
    mnuTools->setObjectName(QStringLiteral("mnuTools"));
    mnuCleanup =
        makeAction(mnuTools, "mnuCleanup", QStringLiteral("&Checkup"), QKeySequence(Qt::CTRL | Qt::Key_F2));
    mnuAddShortcut = makeAction(mnuTools, "mnuAddShortcut", QStringLiteral("&Add Folder in My Computer"));
    mnuAddShortcut->setCheckable(true);
    mnuSystems = makeAction(mnuTools, "mnuSystems", QStringLiteral("System &Stats"),
                            QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuAppearance = makeAction(mnuTools, "mnuAppearance", QStringLiteral("A&ppearance..."));
    mnusep3 = makeSeparator(mnuTools, "mnusep3");
    mnuVS = mnuTools->addMenu(QStringLiteral("&Visual Style"));
    mnuVS->setObjectName(QStringLiteral("mnuVS"));
    mnuMoreInfo =
        makeAction(mnuVS, "mnuMoreInfo", QStringLiteral("More &info"), QKeySequence(Qt::CTRL | Qt::Key_M));
    mnuApply = makeAction(mnuVS, "mnuApply", QStringLiteral("&Apply VS"));
    mnuUninstall = makeAction(mnuVS, "mnuUninstall", QStringLiteral("&Uninstall VS"));
    mnuClassic = makeAction(mnuVS, "mnuClassic", QStringLiteral("&Classic Look"));

    mnuHelpMain = bar->addMenu(QStringLiteral("&Help"));
    mnuHelpMain->setObjectName(QStringLiteral("mnuHelpMain"));
    mnuHelp =
        makeAction(mnuHelpMain, "mnuHelp", QStringLiteral("&Forum Discussions"), QKeySequence(Qt::Key_F1));
    mnuReadme = makeAction(mnuHelpMain, "mnuReadme", QStringLiteral("&Readme Documentations"),
                           QKeySequence(Qt::Key_F2));
    mnuSep2 = makeSeparator(mnuHelpMain, "mnuSep2");
    mnuDonate = makeAction(mnuHelpMain, "mnuDonate", QStringLiteral("&Donate to us"));
    mnuUpdates = makeAction(mnuHelpMain, "mnuUpdates", QStringLiteral("Check for &updates"));
    mnuAbout = makeAction(mnuHelpMain, "mnuAbout", QStringLiteral("&About Quorlin Zevra"),
                          QKeySequence(Qt::CTRL | Qt::Key_A));

    // Menu shortcuts work wherever the focus is in the window.
    for (QAction* action : findChildren<QAction*>())
        action->setShortcutContext(Qt::WindowShortcut);
}

void frmMain::connectHandlers() {
    connect(cmdOpen, &QPushButton::clicked, this, &frmMain::cmdOpen_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmMain::cmdApply_Click);
    connect(cmdAbout, &QPushButton::clicked, this, &frmMain::cmdAbout_Click);
    connect(cmdRefresh, &QPushButton::clicked, this, &frmMain::cmdRefresh_Click);
    connect(cmdInfo, &QPushButton::clicked, this, &frmMain::cmdInfo_Click);
    connect(cmdInst, &QPushButton::clicked, this, &frmMain::cmdInst_Click);
    connect(cmdUninst, &QPushButton::clicked, this, &frmMain::cmdUninst_Click);
    connect(picPreview, &PictureBox::clicked, this, &frmMain::picPreview_Click);
    connect(lstVS, &QListWidget::itemSelectionChanged, this, [this] {
        // Clearing the list also clears the selection; that is no choice of a style.
        if (selectedIndex() >= 0)
            lstVS_Click();
    });
    connect(lstVS, &QListWidget::itemDoubleClicked, this, &frmMain::lstVS_DblClick);
    connect(cmdCloseNote, &QToolButton::clicked, this, [this] { showNotes({}); });
    connect(SysIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick)
            SysIcon_DblClick();
    });

    connect(mnuRefresh, &QAction::triggered, this, &frmMain::mnuRefresh_Click);
    connect(mnuInstall, &QAction::triggered, this, &frmMain::mnuInstall_Click);
    connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
    connect(mnuCleanup, &QAction::triggered, this, &frmMain::mnuCleanup_Click);
    connect(mnuAddShortcut, &QAction::triggered, this, [this] {
        // The menu has already flipped the mark; the handler decides from the mark as
        // it was and sets it itself.
        mnuAddShortcut->setChecked(!mnuAddShortcut->isChecked());
        mnuAddShortcut_Click();
    });
    connect(mnuSystems, &QAction::triggered, this, &frmMain::mnuSystems_Click);
    connect(mnuAppearance, &QAction::triggered, this, &frmMain::mnuAppearance_Click);
    connect(mnuMoreInfo, &QAction::triggered, this, &frmMain::mnuMoreInfo_Click);
    connect(mnuApply, &QAction::triggered, this, &frmMain::mnuApply_Click);
    connect(mnuUninstall, &QAction::triggered, this, &frmMain::mnuUninstall_Click);
    connect(mnuClassic, &QAction::triggered, this, &frmMain::mnuClassic_Click);
    connect(mnuHelp, &QAction::triggered, this, &frmMain::mnuHelp_Click);
    connect(mnuReadme, &QAction::triggered, this, &frmMain::mnuReadme_Click);
    connect(mnuDonate, &QAction::triggered, this, &frmMain::mnuDonate_Click);
    connect(mnuUpdates, &QAction::triggered, this, &frmMain::mnuUpdates_Click);
    connect(mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
    // The roots are looked for only when the user wants to see them, never at start-up.
    connect(mnuRoots, &QMenu::aboutToShow, this, &frmMain::mnuRoots_AboutToShow);
}

void frmMain::placeControls() {
    // The note's line, as high as its text needs at its width.
    int below = kBelowHeader;
    if (!fraNote->isHidden()) {
        constexpr int kNoteWidth = 560, kButton = 20, kPadding = 4;
        const int textWidth = kNoteWidth - kButton - 3 * kPadding;
        const int textHeight = std::max(lblNote->heightForWidth(textWidth), kButton - 2 * kPadding);
        const int height = textHeight + 2 * kPadding;
        fraNote->setGeometry(30, below, kNoteWidth, height);
        lblNote->setGeometry(kPadding, kPadding, textWidth, textHeight);
        cmdCloseNote->setGeometry(kNoteWidth - kButton - kPadding, kPadding - 2, kButton, kButton);
        below += height + 4;
    }
    const int shift = below - kBelowHeader;
    lstVS->setGeometry(30, below, 140, 315 + kChoicesRow);
    picPreview->setGeometry(175, below, 415, 285);

    // Under the preview: each label, then its box, as wide as its longest name as far as
    // the row has room (the box's list shows the names whole).
    const int row = below + 285 + 5;
    constexpr int kRowLeft = 175, kRowRight = 590, kLabelGap = 4, kPairGap = 14, kMinBox = 60,
                  kBoxHeight = 24;
    const int colorLabel = lblColor->sizeHint().width();
    const int sizeLabel = lblSize->sizeHint().width();
    int colorBox = std::max(kMinBox, cboColor->sizeHint().width());
    int sizeBox = std::max(kMinBox, cboSize->sizeHint().width());
    const int room = kRowRight - kRowLeft - colorLabel - sizeLabel - 2 * kLabelGap - kPairGap;
    if (colorBox + sizeBox > room) {
        colorBox = std::max(kMinBox, colorBox * room / (colorBox + sizeBox));
        sizeBox = std::max(kMinBox, room - colorBox);
    }
    int x = kRowLeft;
    lblColor->setGeometry(x, row, colorLabel, kBoxHeight);
    x += colorLabel + kLabelGap;
    cboColor->setGeometry(x, row, colorBox, kBoxHeight);
    x += colorBox + kPairGap;
    lblSize->setGeometry(x, row, sizeLabel, kBoxHeight);
    x += sizeLabel + kLabelGap;
    cboSize->setGeometry(x, row, sizeBox, kBoxHeight);
    for (QComboBox* box : {cboColor, cboSize})
        box->view()->setMinimumWidth(std::max(box->width(), box->sizeHint().width()));

    // The designed commands below, moved down by the row above them and the note's line.
    static_cast<ClientArea*>(client)->lowerRule = 364.5 + kChoicesRow + shift;
    cmdRefresh->setGeometry(346, 368 + kChoicesRow + shift, 74, 26);
    cmdInfo->setGeometry(427, 369 + kChoicesRow + shift, 73, 25);
    cmdAbout->setGeometry(507, 369 + kChoicesRow + shift, 73, 25);
    client->setFixedSize(kClientWidth, kClientHeight + shift);
    // The utility control stays below the visible area.
    functions->move(0, client->height() + 21);
    client->update();
}

void frmMain::showNotes(const QStringList& notes) {
    lblNote->setText(notes.join(QStringLiteral("\n\n")));
    fraNote->setVisible(!notes.isEmpty());
    placeControls();
}

QString frmMain::selectedStyle() const {
    const int index = selectedIndex();
    return index < 0 ? QString() : lstVS->item(index)->text();
}

int frmMain::selectedIndex() const {
    const QList<QListWidgetItem*> selected = lstVS->selectedItems();
    return selected.isEmpty() ? -1 : lstVS->row(selected.constFirst());
}

// ---- loading ------------------------------------------------------------------------

void frmMain::Form_Load() {
    lblVersion->setText(AppInfo::versionText());
    // Where Verdana is missing its substitute may run wider than the designed box; the
    // box then grows to the left, its right edge staying where it was designed, so the
    // version is never cut.
    const int needed = lblVersion->fontMetrics().horizontalAdvance(lblVersion->text());
    if (needed > lblVersion->width()) {
        QRect place = lblVersion->geometry();
        place.setLeft(place.right() + 1 - needed);
        lblVersion->setGeometry(place);
    }
    setWindowTitle(AppInfo::mainCaption());

    // First run: the welcome window, until its Continue button has recorded it.
    if (RegistryValues::readText(Functions::HKEY_CURRENT_USER, RegistryValues::kSettingsKey,
                                 QStringLiteral("firstrun"), QStringLiteral("0")) == QLatin1String("0")) {
        frmFirstRun firstRun(this);
        UiServices::showModal(&firstRun);
    }

    registerFolderClass();
    synchroniseMyComputerEntry();

    // The initial fill: the list is empty at load, so nothing is cleared and no waiting
    // text is shown.
    mdlMain::checkThemesDirectory();
    listStyles();
    markStyleInUse();
    handleEmptyCatalogue();

    if (selectedIndex() < 0)
        Label1->setText(QStringLiteral("No Visual Style selected for preview."));
    SysIcon->hide();
}

// ---- tray and ending ----------------------------------------------------------------

bool frmMain::trayAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void frmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void frmMain::Form_Resize() {
    if (!(windowState() & Qt::WindowMinimized))
        return;
    // Without a notification area a hidden window could never come back: it stays
    // minimised in the task bar instead.
    if (!trayAvailable())
        return;
    hide();
    SysIcon->show();
}

void frmMain::SysIcon_DblClick() {
    setWindowState(Qt::WindowNoState);
    show();
    raise();
    activateWindow();
    SysIcon->hide();
}

void frmMain::closeEvent(QCloseEvent* event) {
    // Wine's work is not cut short (a style half applied); the program ends after it.
    if (m_wineWork) {
        event->ignore();
        m_endAfterWineWork = true;
        return;
    }
    event->accept();
    if (!m_ending)
        Form_Unload();
}

void frmMain::Form_Unload() {
    endProgram();
}

void frmMain::mnuExit_Click() {
    if (m_wineWork) {
        m_endAfterWineWork = true;
        return;
    }
    endProgram();
}

void frmMain::endProgram() {
    if (m_ending)
        return;
    m_ending = true;
    SysIcon->hide();
    // Every window goes at once; exit() also ends any modal loop still running, and one
    // opened later returns immediately, so nothing more reaches the user.
    for (QWidget* window : QApplication::topLevelWidgets())
        window->hide();
    QCoreApplication::exit(0);
}

// ---- windows opened from here -------------------------------------------------------

void frmMain::cmdAbout_Click() {
    frmAbout about(this);
    UiServices::showModal(&about);
}

void frmMain::mnuAbout_Click() {
    frmAbout about(this);
    UiServices::showModal(&about);
}

void frmMain::mnuCleanup_Click() {
    frmCleanUp checkup(this);
    UiServices::showModal(&checkup);
}

void frmMain::mnuAppearance_Click() {
    frmAppearance appearance(this);
    UiServices::showModal(&appearance);
}

void frmMain::mnuSystems_Click() {
    frmStats stats(this);
    UiServices::showModal(&stats);
}

// ---- forwarding ---------------------------------------------------------------------

void frmMain::mnuRefresh_Click() {
    cmdRefresh_Click();
}
void frmMain::mnuInstall_Click() {
    cmdInst_Click();
}
void frmMain::mnuMoreInfo_Click() {
    cmdInfo_Click();
}
void frmMain::lstVS_DblClick() {
    cmdInfo_Click();
}
void frmMain::mnuApply_Click() {
    cmdApply_Click();
}
void frmMain::mnuUninstall_Click() {
    cmdUninst_Click();
}
