#pragma once
// The progress of installing archives. Once a run has taken half a second, a dialog shows
// the archive, its entries and bytes done of the totals where the archive tells them, and
// a Cancel button that stops the extraction after the entry being written. While the run
// lasts the busy pointer shows, and the extraction lets the window's events through every
// few milliseconds, so the window stays live on the one thread the program has.

#include "archive/ArchiveTotals.h"
#include "commands/ZipUnzip.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class QDialog;
class QLabel;
class QProgressBar;
class QWidget;

class InstallProgress final : public ZipUnzip::UnzipObserver {
public:
    // count: the archives of the run; stopping: whether the program is ending, which
    // stops the run as Cancel does.
    InstallProgress(QWidget* parent, int count, std::function<bool()> stopping);
    ~InstallProgress() override;
    InstallProgress(const InstallProgress&) = delete;
    InstallProgress& operator=(const InstallProgress&) = delete;

    // The next archive (a host path) starts.
    void beginArchive(const QString& archive);
    // Whether the user cancelled the run.
    bool cancelled() const { return m_cancelled; }

    void blockWritten(std::uint64_t bytes) override;
    bool entryDone() override;

    // How long a run goes before the dialog shows.
    static constexpr int kShowAfterMs = 500;

private:
    // Shows the dialog once it is due and, at most every few milliseconds, brings it up
    // to date and lets the events through.
    void tick();
    void showDialog();
    void update();

    QPointer<QWidget> m_parent;
    const int m_count;
    std::function<bool()> m_stopping;
    QElapsedTimer m_run;
    QElapsedTimer m_sinceYield;
    bool m_cancelled = false;

    int m_index = 0;
    QString m_name;
    std::optional<ArchiveTotals::Totals> m_totals;
    std::uint64_t m_entries = 0;
    std::uint64_t m_bytes = 0;

    QPointer<QDialog> m_dialog;
    QLabel* m_archiveLabel = nullptr;
    QLabel* m_doneLabel = nullptr;
    QProgressBar* m_bar = nullptr;
};
