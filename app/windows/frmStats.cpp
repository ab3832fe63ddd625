#include "frmStats.h"

#include "AppInfo.h"
#include "commands/RegistryValues.h"
#include "commands/mdlMainBrowser.h"
#include "commands/mdlMainThemes.h"
#include "common/UiServices.h"
#include "devlib/Functions.h"
#include "platform/Clock.h"
#include "platform/SystemVersion.h"
#include "windows/AboutWindowsBox.h"
#include "windows/LinkLabel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

using quorlin::UiServices;

namespace {

QLabel* captionLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

template <typename Label = QLabel>
Label* valueLabel(QWidget* parent, const QString& name, const QString& tip = QString()) {
    auto* label = new Label(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setMinimumWidth(260);
    if (!tip.isEmpty())
        label->setToolTip(tip);
    return label;
}

// A single-precision version number as the platform reports it: 5.01, 6.01, 10.
QString versionDigits(float version, const QLocale& locale) {
    return locale.toString(static_cast<double>(version), 'g', 7);
}

} // namespace

frmStats::frmStats(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmStats"));
    setWindowTitle(QStringLiteral("System Stats"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(QFont(QStringLiteral("Tahoma"), 8));

    Command2 = new QPushButton(QStringLiteral("&Refresh"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setAutoDefault(false);
    Command1 = new QPushButton(QStringLiteral("&Close"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    lblBrowser =
        valueLabel(this, QStringLiteral("lblBrowser"), QStringLiteral("Default Web Browser to be launch"));
    Label6 = captionLabel(this, QStringLiteral("Label6"), QStringLiteral("Default Web Browser:"));
    lblDateTime = valueLabel(this, QStringLiteral("lblDateTime"));
    lblTimeStarted = valueLabel(this, QStringLiteral("lblTimeStarted"),
                                QStringLiteral("The count starting from your OS started till now."));
    Label5 = captionLabel(this, QStringLiteral("Label5"), QStringLiteral("Time since OS started:"));
    lblLastChk = valueLabel(this, QStringLiteral("lblLastChk"),
                            QStringLiteral("Last check done by Quorlin Zevra on VS"));
    Label4 =
        captionLabel(this, QStringLiteral("Label4"), QStringLiteral("Last check of Visual Styles by Zevra:"));
    lblNumVSinstalled = valueLabel(this, QStringLiteral("lblNumVSinstalled"),
                                   QStringLiteral("Number of Visual Style installed on your computer."));
    Label2 =
        captionLabel(this, QStringLiteral("Label2"), QStringLiteral("Number of Visual Styles installed:"));
    lblzevraVer = valueLabel<LinkLabel>(this, QStringLiteral("lblzevraVer"),
                                        QStringLiteral("Click to check the latest version of QuorlinZevra"));
    Label3 = captionLabel(this, QStringLiteral("Label3"), QStringLiteral("Quorlin Zevra Version:"));
    lblSysVer = valueLabel<LinkLabel>(this, QStringLiteral("lblSysVer"),
                                      QStringLiteral("Version of your Operating System"));
    Label1 = captionLabel(this, QStringLiteral("Label1"), QStringLiteral("Operating System Version: "));

    // Captions left, values right, top to bottom as a reader asks: system, program,
    // styles, checkup, clock, browser.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(8);
    const std::pair<QLabel*, QLabel*> rows[] = {
        {Label1, lblSysVer},      {Label3, lblzevraVer},  {Label2, lblNumVSinstalled}, {Label4, lblLastChk},
        {Label5, lblTimeStarted}, {nullptr, lblDateTime}, {Label6, lblBrowser},
    };
    int row = 0;
    for (const auto& [caption, value] : rows) {
        if (caption)
            grid->addWidget(caption, row, 0, Qt::AlignLeft | Qt::AlignTop);
        grid->addWidget(value, row, 1, Qt::AlignLeft | Qt::AlignTop);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command2);
    buttons->addWidget(Command1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(16);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setFixedSize(520, 250);

    connect(Command1, &QPushButton::clicked, this, &frmStats::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmStats::Command2_Click);
    connect(lblzevraVer, &LinkLabel::clicked, this, &frmStats::lblzevraVer_Click);
    connect(lblSysVer, &LinkLabel::clicked, this, &frmStats::lblSysVer_Click);

    Form_Load();
}

QString frmStats::platformName(const platform::SystemVersion& version) {
    switch (version.platformId) {
    case 0:
        return QStringLiteral("Windows 32-bit");
    case 1:
        return QStringLiteral("Windows 95");
    case 2:
        if (versionDigits(version.version, QLocale::c()).trimmed() == QLatin1String("5.01"))
            return QStringLiteral("Windows XP");
        return QStringLiteral("Windows NT");
    default:
        return QStringLiteral("Unknown OS Platform");
    }
}

void frmStats::Form_Load() {
    Command2->setEnabled(false);
    UiServices::setMousePointer(quorlin::PointerHourglass);

    lblzevraVer->setText(AppInfo::versionText());

    const QString lastCheck =
        RegistryValues::readText(Functions::HKEY_CURRENT_USER, RegistryValues::kSettingsKey,
                                 QStringLiteral("LastChk"), QStringLiteral("%ERROR&"));
    if (lastCheck != QLatin1String("%ERROR&"))
        lblLastChk->setText(QStringLiteral("Last check process done at ") + lastCheck + QStringLiteral("."));
    else
        lblLastChk->setText(
            QStringLiteral("No previous check has been done. Goto [Tools > Cleanup] to start a check now."));

    lblNumVSinstalled->setText(QString::number(mdlMain::CountInstalledStyles()) +
                               QStringLiteral(" visual styles installed."));
    lblDateTime->setText(QString::fromStdString(platform::generalDateText()));
    lblTimeStarted->setText(QString::number(platform::GetTickCount() / 1000 / 60) + QStringLiteral(" mins"));
    lblBrowser->setText(mdlMain::GetDefaultBrowserName() + QStringLiteral("; ") +
                        mdlMain::GetDefaultBrowserCommand());

    const platform::SystemVersion version = platform::systemVersion();
    lblSysVer->setText(versionDigits(version.version, QLocale()) + QLatin1Char('.') +
                       QString::number(version.build) + QStringLiteral(" [Platform Name: ") +
                       platformName(version) + QLatin1Char(']'));

    UiServices::setMousePointer(quorlin::PointerDefault);
    Command2->setEnabled(true);
}

void frmStats::Command1_Click() {
    close();
}

void frmStats::Command2_Click() {
    Form_Load();
}

void frmStats::lblzevraVer_Click() {
    mdlMain::OpenInBrowser(AppInfo::updateAddress());
}

void frmStats::lblSysVer_Click() {
    AboutWindowsBox box(QStringLiteral("Windows"), this);
    UiServices::showModal(&box);
}
