#include "frmAbout.h"

#include "Twips.h"
#include "frmReadme.h"

#include "common/UiServices.h"

#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace QuorlinDLL {

using quorlin::twipsRect;
using quorlin::twipsToPixels;

namespace {
QFont tahoma(double points, bool bold = false) {
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}
} // namespace

QString frmAbout::makerAddress() {
    return QStringLiteral("http://www.quorlin.example/");
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Quorlin Functions DLL"));
    setFixedSize(twipsToPixels(5070), twipsToPixels(1950));

    Label1 = new QLabel(QStringLiteral("Quorlin Functions DLL"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(tahoma(15.75, true));
    Label1->setGeometry(twipsRect(120, 120, 4815, 435));

    Label2 = new QLabel(QStringLiteral("Made by Quorlin. All rights reserved."), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(tahoma(8.25));
    Label2->setGeometry(twipsRect(120, 600, 4815, 255));

    Label3 = new QLabel(
        QStringLiteral("Free to use. Programs that use this library must give credit to Quorlin."), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setFont(tahoma(8.25));
    Label3->setWordWrap(true);
    Label3->setGeometry(twipsRect(120, 900, 4815, 435));

    Label4 = new QLabel(makerAddress(), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setFont(tahoma(8.25));
    Label4->setCursor(Qt::PointingHandCursor);
    Label4->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    Label4->setGeometry(twipsRect(120, 1620, 3135, 255));
    Label4->installEventFilter(this);

    Command2 = new QPushButton(QStringLiteral("Readme"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(twipsRect(3360, 1560, 855, 375));
    connect(Command2, &QPushButton::clicked, this, &frmAbout::Command2_Click);

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(4320, 1560, 735, 375));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &frmAbout::Command1_Click);
}

void frmAbout::Command1_Click() {
    // Unloads the window: it is made anew by the next About.
    setAttribute(Qt::WA_DeleteOnClose);
    close();
}

void frmAbout::Command2_Click() {
    auto* readme = new frmReadme(this);
    readme->setAttribute(Qt::WA_DeleteOnClose);
    quorlin::UiServices::showModal(readme);
}

void frmAbout::Label4_Click() {
    // Show state 2: minimised, with focus; the address opens in the default browser.
    quorlin::UiServices::startProcess(QStringLiteral("explorer ") + makerAddress(), 2);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label4 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label4_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace QuorlinDLL
