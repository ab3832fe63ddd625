#include "InstallProgress.h"

#include "AppInfo.h"
#include "commands/HostText.h"
#include "common/UiServices.h"

#include <QDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

using quorlin::UiServices;

namespace {

// Often enough that a click or a repaint waits no longer than a frame or two, seldom
// enough that the yields cost nothing next to the extraction.
constexpr int kYieldEveryMs = 25;

QString size(std::uint64_t bytes) {
    return QLocale().formattedDataSize(static_cast<qint64>(std::min<std::uint64_t>(bytes, INT64_MAX)));
}

} // namespace

InstallProgress::InstallProgress(QWidget* parent, int count, std::function<bool()> stopping)
    : m_parent(parent), m_count(count), m_stopping(std::move(stopping)) {
    m_run.start();
    UiServices::setMousePointer(quorlin::PointerArrowHourglass);
    ZipUnzip::setObserver(this);
}

InstallProgress::~InstallProgress() {
    ZipUnzip::setObserver(nullptr);
    delete m_dialog;
    UiServices::setMousePointer(quorlin::PointerDefault);
}

void InstallProgress::beginArchive(const QString& archive) {
    ++m_index;
    m_name = QFileInfo(archive).fileName();
    m_entries = 0;
    m_bytes = 0;
    m_totals = ArchiveTotals::announced(HostText::toBytes(archive), [this] { tick(); });
    m_sinceYield.invalidate(); // the new name shows at once
    tick();
}

void InstallProgress::blockWritten(std::uint64_t bytes) {
    m_bytes += bytes;
    tick();
}

bool InstallProgress::entryDone() {
    ++m_entries;
    tick();
    return !m_cancelled && !(m_stopping && m_stopping());
}

void InstallProgress::tick() {
    if (m_sinceYield.isValid() && m_sinceYield.elapsed() < kYieldEveryMs)
        return;
    if (!m_dialog && !m_cancelled && m_run.elapsed() >= kShowAfterMs)
        showDialog();
    if (m_dialog)
        update();
    UiServices::doEvents();
    m_sinceYield.start();
}

void InstallProgress::showDialog() {
    auto* dialog = new QDialog(m_parent);
    dialog->setObjectName(QStringLiteral("InstallProgress"));
    dialog->setWindowTitle(AppInfo::kTitle);
    // The main window waits under it: no second install can start, nothing is uninstalled
    // under the extraction.
    dialog->setWindowModality(Qt::WindowModal);
    m_archiveLabel = new QLabel(dialog);
    m_archiveLabel->setObjectName(QStringLiteral("lblArchive"));
    m_doneLabel = new QLabel(dialog);
    m_doneLabel->setObjectName(QStringLiteral("lblDone"));
    m_bar = new QProgressBar(dialog);
    m_bar->setObjectName(QStringLiteral("barDone"));
    m_bar->setTextVisible(false);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(m_archiveLabel);
    layout->addWidget(m_bar);
    layout->addWidget(m_doneLabel);
    layout->addLayout(buttons);
    dialog->setMinimumWidth(380);
    // Cancel, Escape and the close box alike stop the run after the entry being written.
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    QObject::connect(dialog, &QDialog::rejected, dialog, [this] { m_cancelled = true; });
    m_dialog = dialog;
    update();
    dialog->show();
}

void InstallProgress::update() {
    QString archive = QStringLiteral("Installing ") + m_name;
    if (m_count > 1)
        archive += QStringLiteral(" (%1 of %2)").arg(m_index).arg(m_count);
    m_archiveLabel->setText(archive);
    QString done;
    if (m_totals) {
        done = QStringLiteral("%1 of %2 entries, %3 of %4")
                   .arg(m_entries)
                   .arg(m_totals->entries)
                   .arg(size(m_bytes), size(m_totals->bytes));
        m_bar->setRange(0, 1000);
        const std::uint64_t part =
            m_totals->bytes > 0     ? std::min(m_bytes, m_totals->bytes) * 1000 / m_totals->bytes
            : m_totals->entries > 0 ? std::min(m_entries, m_totals->entries) * 1000 / m_totals->entries
                                    : 1000;
        m_bar->setValue(static_cast<int>(part));
    } else {
        done = QStringLiteral("%1 entries, %2").arg(m_entries).arg(size(m_bytes));
        m_bar->setRange(0, 0); // the archive does not say how much is to come
    }
    m_doneLabel->setText(done);
}
