#include "AboutWindowsBox.h"

#include "platform/SystemVersion.h"
#include "platform/WindowsRoot.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

AboutWindowsBox::AboutWindowsBox(const QString& appText, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutWindowsBox"));
    setWindowTitle(QStringLiteral("About ") + appText);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(QFont(QStringLiteral("Tahoma"), 8));

    lblApp = new QLabel(appText, this);
    lblApp->setObjectName(QStringLiteral("lblApp"));
    QFont big(QStringLiteral("Verdana"));
    big.setPixelSize(20);
    big.setBold(true);
    lblApp->setFont(big);
    lblSystem = new QLabel(systemText(), this);
    lblSystem->setObjectName(QStringLiteral("lblSystem"));
    lblSystem->setTextFormat(Qt::PlainText);
    lblSystem->setWordWrap(true);
    lblSystem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(10);
    layout->addWidget(lblApp);
    layout->addWidget(lblSystem);
    layout->addWidget(buttons);
    setFixedWidth(420);
    setFixedHeight(sizeHint().height());
}

QString AboutWindowsBox::systemText() {
    const platform::SystemVersion v = platform::systemVersion();
    QString text = QStringLiteral("This is not Microsoft Windows. Quorlin Visual Style Manager runs on ") +
                   QString::fromStdString(v.hostSystem) +
                   QStringLiteral(" and keeps its Windows folder in ") +
                   QString::fromStdString(platform::windowsRoot().string()) + QStringLiteral(".");
    if (v.platformId == 2) {
        const int major = static_cast<int>(v.version);
        const int minor = static_cast<int>(std::lround(v.version * 100.0f) % 100);
        text += QStringLiteral("\n\nThat folder records Windows version %1.%2, build %3, as a Wine prefix "
                               "does for the programs it runs.")
                    .arg(major)
                    .arg(minor)
                    .arg(v.build);
    } else {
        text += QStringLiteral("\n\nThat folder records no Windows version.");
    }
    return text;
}
