#include "frmAbout.h"

#include "AppInfo.h"
#include "commands/mdlMainBrowser.h"
#include "common/AnsiText.h"
#include "common/UiServices.h"
#include "platform/DirectoryListing.h"
#include "platform/Registry.h"
#include "windows/LinkLabel.h"
#include "windows/ProgramReadme.h"
#include "windows/WindowControls.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <array>

using quorlin::UiServices;

namespace {

// The about window's buttons leave Enter to its OK button.
QPushButton* button(QWidget* parent, const QString& name, const QString& caption, const QString& tip,
                    const QRect& geometry) {
    QPushButton* b = WindowControls::button(parent, name, caption, tip, geometry);
    b->setAutoDefault(false);
    return b;
}

QPlainTextEdit* pane(QWidget* parent, const QString& name, const QString& text, bool horizontalBar,
                     const QRect& geometry) {
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setPlainText(text);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    if (horizontalBar) {
        box->setLineWrapMode(QPlainTextEdit::NoWrap);
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    box->setGeometry(geometry);
    box->hide();
    return box;
}

} // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    setFixedSize(480, 444);

    tmrFadeOut = new QTimer(this);
    tmrFadeOut->setObjectName(QStringLiteral("tmrFadeOut"));
    tmrFadeOut->setInterval(10);
    connect(tmrFadeOut, &QTimer::timeout, this, &frmAbout::tmrFadeOut_Timer);

    // The panes share the area below the labels, left of the buttons.
    const QRect paneArea(16, 216, 344, 212);
    txtFAQ = pane(this, QStringLiteral("txtFAQ"), faqText(), false, paneArea);
    cmdFAQ = button(this, QStringLiteral("cmdFAQ"), QStringLiteral("FAQ"),
                    QStringLiteral("Toggle view of Frequent Asked Questions."), QRect(372, 364, 92, 26));
    txtHist = pane(this, QStringLiteral("txtHist"), historyText(), true, paneArea);
    ToggleHist = button(this, QStringLiteral("ToggleHist"), QStringLiteral("Version History"),
                        QStringLiteral("Toggle view of Version History"), QRect(372, 396, 92, 26));
    Command1 = button(this, QStringLiteral("Command1"), QStringLiteral("&Readme"),
                      QStringLiteral("view readme for Kolvane"), QRect(372, 282, 92, 26));
    cmdOK = button(this, QStringLiteral("cmdOK"), QStringLiteral("&OK"), QStringLiteral("close dialog"),
                   QRect(372, 216, 92, 26));
    cmdOK->setDefault(true);
    cmdSysInfo = button(this, QStringLiteral("cmdSysInfo"), QStringLiteral("&System Info..."),
                        QStringLiteral("view system information"), QRect(372, 248, 92, 26));

    Label2 = new LinkLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setText(AppInfo::kForumName + QStringLiteral(" (") + AppInfo::kForumHost +
                    QStringLiteral(") is the official distributing and discussion site for Quorlin Zevra."));
    Label2->setTextFormat(Qt::PlainText);
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label2->setGeometry(16, 178, 448, 32);
    Label2->setToolTip(QStringLiteral("Click to open ") + AppInfo::kForumAddress);

    Label1 = WindowControls::textLabel(
        this,
        QStringLiteral("Please read the readme documentations for the last minute reminders and "
                       "other stuff. Quorlin Zevra's official download site is ") +
            AppInfo::kDownloadSite + QStringLiteral(". ") + AppInfo::kMakerName +
            QStringLiteral(" cannot assure that Zevra from other download sites are virus and "
                           "spyware free."),
        QRect(16, 114, 448, 60));
    Label1->setObjectName(QStringLiteral("Label1"));
    lblDescription = WindowControls::textLabel(
        this,
        QStringLiteral("Quorlin Visual Style Manager, created by ") + AppInfo::kMakerName +
            QStringLiteral(" (") + AppInfo::kMakerSite +
            QStringLiteral("), is programmed to resolve problems installing downloaded "
                           "zip packages of Visual styles. It also helps you to manage "
                           "your visual styles installed."),
        QRect(16, 62, 448, 48));
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblTitle = WindowControls::textLabel(this, QString(), QRect(16, 12, 448, 24));
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont(QStringLiteral("Verdana"));
    titleFont.setPixelSize(18);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = WindowControls::textLabel(this, QString(), QRect(16, 38, 448, 16));
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdFAQ, &QPushButton::clicked, this, &frmAbout::cmdFAQ_Click);
    connect(ToggleHist, &QPushButton::clicked, this, &frmAbout::ToggleHist_Click);
    connect(Command1, &QPushButton::clicked, this, &frmAbout::Command1_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    connect(Label2, &LinkLabel::clicked, this, &frmAbout::Label2_Click);

    Form_Load();
}

QString frmAbout::faqText() {
    const QStringList lines = {
        QStringLiteral("Quorlin Visual Style Manager"),
        QStringLiteral("v3.26 Frequent Asked Questions(FAQ)"),
        QString(),
        QStringLiteral("1. Where is the checkup tool?"),
        QStringLiteral("Open the Tools menu and choose Checkup, or press Ctrl+F2. It looks through every "
                       "installed visual style for missing parts and can save its report as a log file."),
        QString(),
        QStringLiteral("2. How much memory does the manager use?"),
        QStringLiteral("About 15 MB while it is open."),
        QString(),
        QStringLiteral("3. Where did the window go when I minimised it?"),
        QStringLiteral("It waits in the notification area next to the clock. Double-click its icon there "
                       "to bring the window back."),
        QString(),
        QStringLiteral("4. Where can I see the system statistics?"),
        QStringLiteral("In the Tools menu: choose System Stats."),
        QString(),
        QStringLiteral("5. The preview is cut off. How do I see the whole picture?"),
        QStringLiteral("Double-click the preview and it opens in your default browser."),
        QString(),
        QStringLiteral("6. Why is there no live preview of a style?"),
        QStringLiteral("A live preview is planned for a later major version."),
        QString(),
        QStringLiteral("Anything else? Write to ") + AppInfo::kContactAddress +
            QStringLiteral(" or ask at ") + AppInfo::kForumName + QStringLiteral(" (") +
            AppInfo::kForumAddress + QStringLiteral(")."),
    };
    return lines.join(QLatin1Char('\n'));
}

QString frmAbout::historyText() {
    const QStringList lines = {
        QStringLiteral("Quorlin Visual Style Manager - Version History"),
        QString(),
        QStringLiteral(
            "2.45  First public release: lists the installed visual styles, shows their preview and "
            "readme, applies a style for the next log-on."),
        QStringLiteral("2.50  Installs visual styles straight from downloaded zip packages."),
        QStringLiteral("2.60  Uninstall command, with a question before a style folder is removed."),
        QStringLiteral("2.70  Hides to the notification area when minimised."),
        QStringLiteral("2.80  Optional Visual Styles folder in My Computer."),
        QStringLiteral("3.00  Checkup tool: finds missing parts of every style and saves its report as a log "
                       "file."),
        QStringLiteral("3.10  System Stats window; Check for updates in the Help menu."),
        QStringLiteral(
            "3.20  Splash and welcome screens; this about box with the FAQ and the version history."),
        QStringLiteral(
            "3.26  A running checkup can be cancelled; quicker refresh of large style folders; the "
            "preview opens in the browser; small fixes."),
    };
    return lines.join(QLatin1Char('\n'));
}

void frmAbout::Form_Load() {
    setWindowTitle(QStringLiteral("About ") + AppInfo::kTitle);
    lblVersion->setText(AppInfo::versionText());
    lblTitle->setText(AppInfo::kTitle);
    FadeLevel = 255;
    setEnabled(true);
    txtFAQ->hide();
    txtHist->hide();
    applyOpacity(255);
}

void frmAbout::cmdOK_Click() {
    setEnabled(false);
    tmrFadeOut->start();
}

void frmAbout::tmrFadeOut_Timer() {
    FadeLevel -= 25;
    applyOpacity(FadeLevel < 0 ? 0 : FadeLevel);
    if (FadeLevel < 0) {
        tmrFadeOut->stop();
        close();
    }
}

void frmAbout::cmdFAQ_Click() {
    UiServices::setMousePointer(quorlin::PointerArrowHourglass);
    if (txtFAQ->isVisibleTo(this)) {
        txtFAQ->hide();
    } else {
        txtFAQ->show();
        txtHist->hide();
    }
    UiServices::setMousePointer(quorlin::PointerDefault);
}

void frmAbout::ToggleHist_Click() {
    UiServices::setMousePointer(quorlin::PointerArrowHourglass);
    if (txtHist->isVisibleTo(this)) {
        txtHist->hide();
    } else {
        txtHist->show();
        txtFAQ->hide();
    }
    UiServices::setMousePointer(quorlin::PointerDefault);
}

void frmAbout::Command1_Click() {
    ProgramReadme::show(this);
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

void frmAbout::Label2_Click() {
    mdlMain::OpenInBrowser(AppInfo::kForumAddress);
}

void frmAbout::StartSysInfo() {
    QString path;
    QString folder;
    if (GetKeyValue(platform::HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                    QStringLiteral("PATH"), path)) {
        // the program path as recorded
    } else if (GetKeyValue(platform::HKEY_LOCAL_MACHINE,
                           QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                           QStringLiteral("MSINFO"), folder) &&
               platform::DirectoryListing(quorlin::toPathText(folder + QStringLiteral("\\MSINFO32.EXE")), 0)
                   .next()) {
        path = folder + QStringLiteral("\\MSINFO32.EXE");
    } else {
        path.clear();
    }
    // The recorded path usually lies under "Program Files". Windows tries an unquoted
    // path with blanks whole; a split command line would stop at the first blank, so
    // such a path goes quoted.
    QString commandLine = path;
    if (commandLine.contains(QLatin1Char(' ')) && !commandLine.startsWith(QLatin1Char('"')))
        commandLine = QLatin1Char('"') + commandLine + QLatin1Char('"');
    if (path.isEmpty() || !UiServices::startProcess(commandLine, 1))
        UiServices::msgBox(QStringLiteral("System Information Is Unavailable At This Time"), quorlin::MsgOk,
                           AppInfo::kTitle);
}

bool frmAbout::GetKeyValue(uint32_t KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                           QString& KeyVal) {
    platform::Registry& registry = platform::Registry::current();
    platform::HKEY key = 0;
    if (registry.RegOpenKeyExA(KeyRoot, quorlin::toAnsi(KeyName), 0, 0x2003F, &key) !=
        platform::ERROR_SUCCESS) {
        KeyVal.clear();
        return false;
    }
    std::array<uint8_t, 1024> buffer{};
    uint32_t size = buffer.size();
    uint32_t type = 0;
    const int32_t result =
        registry.RegQueryValueExA(key, quorlin::toAnsi(SubKeyRef), nullptr, &type, buffer.data(), &size);
    registry.RegCloseKey(key);
    if (result != platform::ERROR_SUCCESS) {
        KeyVal.clear();
        return false;
    }
    std::string data(reinterpret_cast<const char*>(buffer.data()), std::min<size_t>(size, buffer.size()));
    switch (type) {
    case platform::REG_SZ:
        if (!data.empty() && data.back() == '\0')
            data.pop_back();
        KeyVal = quorlin::fromAnsi(data);
        break;
    case platform::REG_DWORD:
        // All four bytes, least significant first; a zero high byte is part of the number.
        if (data.size() >= 4) {
            uint32_t number = 0;
            for (int i = 3; i >= 0; --i)
                number = (number << 8) | static_cast<uint8_t>(data[static_cast<size_t>(i)]);
            KeyVal = QString::number(number);
        } else {
            KeyVal.clear();
        }
        break;
    default:
        break;
    }
    return true;
}

void frmAbout::applyOpacity(int alpha) {
    WindowControls::setOpacityNow(this, alpha);
    emit opacityApplied(alpha);
}

void frmAbout::keyPressEvent(QKeyEvent* event) {
    // OK is the cancel button too: Esc fades out like OK instead of closing at once.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (cmdOK->isEnabled())
            cmdOK->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmAbout::showEvent(QShowEvent* event) {
    if (m_unloaded) {
        m_unloaded = false;
        Form_Load();
    }
    QDialog::showEvent(event);
}

void frmAbout::done(int result) {
    tmrFadeOut->stop();
    m_unloaded = true;
    QDialog::done(result);
}
