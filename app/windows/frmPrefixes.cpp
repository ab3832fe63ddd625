#include "frmPrefixes.h"

#include "WorkAside.h"
#include "commands/HostText.h"
#include "commands/RootChoice.h"
#include "commands/RootWine.h"
#include "platform/WineChoice.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QTableWidgetItem* cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setToolTip(text);
    return item;
}

} // namespace

frmPrefixes::frmPrefixes(const Command& command, const std::filesystem::path& managed, QWidget* parent)
    : QDialog(parent), m_command(command) {
    setObjectName(QStringLiteral("frmPrefixes"));
    setWindowTitle(command.title);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(QFont(QStringLiteral("Tahoma"), 8));

    lblWhat = new QLabel(command.what, this);
    lblWhat->setObjectName(QStringLiteral("lblWhat"));
    lblWhat->setTextFormat(Qt::PlainText);
    lblWhat->setWordWrap(true);
    lstPrefixes = new QTableWidget(0, 4, this);
    lstPrefixes->setObjectName(QStringLiteral("lstPrefixes"));
    lstPrefixes->setHorizontalHeaderLabels({QStringLiteral("Prefix"), QStringLiteral("Wine"),
                                            QStringLiteral("Wine running"), QStringLiteral("Outcome")});
    lstPrefixes->verticalHeader()->hide();
    lstPrefixes->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstPrefixes->horizontalHeader()->setStretchLastSection(true);
    cmdStart = new QPushButton(QStringLiteral("&Start"), this);
    cmdStart->setObjectName(QStringLiteral("cmdStart"));
    cmdStart->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);

    for (const RootChoice::ListedRoot& root : RootChoice::listRoots()) {
        if (root.managed || RootChoice::sameFolder(root.folder, managed))
            continue;
        const int row = lstPrefixes->rowCount();
        lstPrefixes->insertRow(row);
        m_folders.append(root.folder);
        QTableWidgetItem* name = cell(root.name);
        name->setToolTip(HostText::fromBytes(root.folder.native()));
        name->setFlags(name->flags() | Qt::ItemIsUserCheckable);
        name->setCheckState(Qt::Unchecked);
        lstPrefixes->setItem(row, ColPrefix, name);
        const RootWine::Shown wine = RootWine::shown(root.folder);
        lstPrefixes->setItem(
            row, ColWine,
            cell(wine.cannotDrive.isEmpty()
                     ? wine.wine
                     : wine.wine + QStringLiteral(" (cannot drive: ") + wine.cannotDrive + QLatin1Char(')')));
        lstPrefixes->setItem(row, ColRunning,
                             cell(platform::wine::chooseWine(root.folder).serverRunning
                                      ? QStringLiteral("yes")
                                      : QStringLiteral("no")));
        lstPrefixes->setItem(row, ColOutcome, cell(QString()));
    }
    lstPrefixes->resizeColumnsToContents();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdStart);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblWhat);
    layout->addWidget(lstPrefixes);
    layout->addLayout(buttons);
    resize(640, 360);

    connect(cmdStart, &QPushButton::clicked, this, &frmPrefixes::cmdStart_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPrefixes::cmdCancel_Click);
}

frmPrefixes::~frmPrefixes() = default;

bool frmPrefixes::isFinished() const {
    return m_runner && m_runner->finished();
}

void frmPrefixes::cmdStart_Click() {
    if (m_runner)
        return;
    QStringList folders;
    for (int row = 0; row < lstPrefixes->rowCount(); ++row) {
        if (lstPrefixes->item(row, ColPrefix)->checkState() != Qt::Checked)
            continue;
        m_rows.append(row);
        folders.append(HostText::fromBytes(m_folders.at(row).native()));
    }
    if (folders.isEmpty())
        return;
    // The choice is made: the rows now show how each prefix fares.
    for (int row = 0; row < lstPrefixes->rowCount(); ++row)
        lstPrefixes->item(row, ColPrefix)->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    cmdStart->setEnabled(false);
    m_runner = std::make_unique<PrefixJobs::Runner>(folders, m_command.arguments);
    // A large archive takes a moment to read: the window answers meanwhile, and a Cancel
    // then starts no prefix at all.
    kolv::runAside([this] {
        m_runner->readArchivesOnce();
        return true;
    });
    connect(m_runner.get(), &PrefixJobs::Runner::changed, this, &frmPrefixes::showOutcome);
    connect(m_runner.get(), &PrefixJobs::Runner::allFinished, this, &frmPrefixes::runsEnded);
    for (int run = 0; run < m_rows.size(); ++run)
        showOutcome(run);
    m_runner->start();
}

void frmPrefixes::cmdCancel_Click() {
    reject();
}

bool frmPrefixes::cancelRuns() {
    if (!m_runner || m_runner->finished())
        return false;
    m_runner->cancel();
    return true;
}

void frmPrefixes::reject() {
    // Cancel, Escape or closing the window while prefixes run stops the others from
    // starting; the window stays, to show how those running end, until they have.
    if (!cancelRuns())
        QDialog::reject();
}

void frmPrefixes::closeEvent(QCloseEvent* event) {
    // As reject does: QDialog asks reject only of a window that is shown.
    if (cancelRuns())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void frmPrefixes::showOutcome(int run) {
    const PrefixJobs::Outcome& outcome = m_runner->outcome(run);
    QString text;
    switch (outcome.kind) {
    case PrefixJobs::Outcome::Waiting:
        text = QStringLiteral("waiting");
        break;
    case PrefixJobs::Outcome::Running:
        text = QStringLiteral("running...");
        break;
    case PrefixJobs::Outcome::Done:
        text = m_command.doneWord;
        break;
    case PrefixJobs::Outcome::Failed:
        text = QStringLiteral("failed: ") + outcome.text;
        break;
    case PrefixJobs::Outcome::Skipped:
        text = QStringLiteral("skipped: ") + outcome.text;
        break;
    case PrefixJobs::Outcome::Cancelled:
        text = QStringLiteral("not started: cancelled");
        break;
    }
    QTableWidgetItem* item = lstPrefixes->item(m_rows.at(run), ColOutcome);
    item->setText(text);
    item->setToolTip(text);
}

void frmPrefixes::runsEnded() {
    int done = 0;
    for (int run = 0; run < m_rows.size(); ++run)
        done += m_runner->outcome(run).kind == PrefixJobs::Outcome::Done;
    lblWhat->setText(m_command.what + QStringLiteral("\nFinished: ") + QString::number(done) +
                     QStringLiteral(" of ") + QString::number(m_rows.size()) + QLatin1Char(' ') +
                     m_command.doneWord + QLatin1Char('.'));
    lstPrefixes->resizeColumnToContents(ColOutcome);
    cmdCancel->setText(QStringLiteral("&Close"));
}
