#include "frmFirstRun.h"

#include "AppInfo.h"
#include "WindowPanes.h"
#include "commands/RegistryValues.h"
#include "commands/mdlMainBrowser.h"
#include "windows/ProgramReadme.h"
#include "windows/WindowControls.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>

namespace {

// The list of what the program helps with relies on its runs of blanks alone to put
// each item on a line of its own in a label this narrow. The text stays as written;
// only on screen a "-" that starts an item is a hyphen no line breaks after.
class ItemsLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {
        QString shown = text();
        shown.replace(QRegularExpression(QStringLiteral("-(?=\\w)")), QStringLiteral("\u2011"));
        QPainter p(this);
        style()->drawItemText(&p, contentsRect(), int(alignment()) | Qt::TextWordWrap, palette(), isEnabled(),
                              shown, foregroundRole());
    }
};

} // namespace

frmFirstRun::frmFirstRun(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmFirstRun"));
    setWindowTitle(QStringLiteral("Welcome to Quorlin Zevra"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    setFixedSize(540, 372);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 150, 372);
    Image1->setPixmap(WindowPanes::welcomePicture(Image1->size()));

    const int left = 166;
    const int width = 358;
    Label1 = WindowControls::textLabel(
        this,
        QStringLiteral("Welcome to Quorlin Visual Style Manager. This welcome screen will appear once only."),
        QRect(left, 12, width, 32));
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label2 = WindowControls::textLabel<ItemsLabel>(
        this,
        QStringLiteral("Quorlin Visual Style Manager helps you in: -managing your visual styles") +
            QString(24, QLatin1Char(' ')) + QStringLiteral("-installing and uninstalling of visual styles") +
            QString(5, QLatin1Char(' ')) + QStringLiteral("-clearing up of installed visual styles"),
        QRect(left, 50, 0, 64));
    Label3 = WindowControls::textLabel(
        this,
        QStringLiteral("It is also totally free of charge! Easy to use, lightweight! However, a donation "
                       "to us will keep this software's development running fine and smooth thus "
                       "enabling more new freewares to be published."),
        QRect(left, 124, width, 62));
    Label4 = WindowControls::textLabel(
        this,
        QStringLiteral("You can donate safely to us via Paypal which is recommended or clicking on our "
                       "sponsors' links on our site. Thank you for supporting us by downloading and "
                       "installing Quorlin Visual Style Manager."),
        QRect(left, 192, width, 62));
    Label5 = WindowControls::textLabel(
        this,
        QStringLiteral("Please do read the readme documentations before clicking continue. Visit ") +
            AppInfo::kMakerName + QStringLiteral(" - ") + AppInfo::kDownloadSite +
            QStringLiteral(" - for more updates on Quorlin Zevra"),
        QRect(left, 262, width, 48));
    // Wide enough for the longest item, too narrow for two of them on one line.
    const QFontMetrics fm(Label2->font());
    Label2->setFixedWidth(
        fm.horizontalAdvance(QStringLiteral("-installing and uninstalling of visual styles")) + 16);

    Command1 =
        WindowControls::button(this, QStringLiteral("Command1"), QStringLiteral("&Continue"),
                               QStringLiteral("Continue using Quorlin Zevra"), QRect(436, 334, 90, 26));
    Command2 =
        WindowControls::button(this, QStringLiteral("Command2"), QStringLiteral("&Readme"),
                               QStringLiteral("View the readme documentations"), QRect(340, 334, 90, 26));
    Command3 = WindowControls::button(this, QStringLiteral("Command3"), QStringLiteral("Donate"),
                                      QStringLiteral("Click to safely donate money to us via Paypal Secure."),
                                      QRect(left, 334, 90, 26));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &frmFirstRun::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmFirstRun::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmFirstRun::Command3_Click);
}

void frmFirstRun::Command1_Click() {
    RegistryValues::writeText(RegistryValues::kSettingsKey, QStringLiteral("firstrun"), QStringLiteral("1"));
    close();
}

void frmFirstRun::Command2_Click() {
    ProgramReadme::show(this);
}

void frmFirstRun::Command3_Click() {
    mdlMain::OpenDonationPage();
}
