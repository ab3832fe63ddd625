#pragma once
// One command carried into other Wine prefixes: the prefixes found on this machine, each
// with its name (the game's, where its launcher gives it), its Wine and whether Wine runs
// in it, checked by the user; then the command runs in those checked, side by side, each
// row showing how its prefix fares, and the rows end as the table of outcomes. Cancel
// starts no more prefixes: those running finish, so each prefix is done or untouched.

#include "commands/PrefixJobs.h"

#include <QDialog>
#include <QList>

#include <filesystem>
#include <memory>

class QLabel;
class QPushButton;
class QTableWidget;

class frmPrefixes : public QDialog {
    Q_OBJECT
public:
    // What is carried over: the window's title, what it says it does, the arguments after
    // "--prefix P" that do it, and the word for a prefix where it was done ("applied").
    struct Command {
        QString title;
        QString what;
        QStringList arguments;
        QString doneWord;
    };
    // Lists every prefix found but the one managed (managed: the folder to leave out).
    frmPrefixes(const Command& command, const std::filesystem::path& managed, QWidget* parent = nullptr);
    ~frmPrefixes() override;

    enum Column { ColPrefix, ColWine, ColRunning, ColOutcome };

    QLabel* lblWhat;
    QTableWidget* lstPrefixes;
    QPushButton* cmdStart;
    QPushButton* cmdCancel;

    // The folder of each row.
    const QList<std::filesystem::path>& folders() const { return m_folders; }
    // Whether the runs started and have all ended.
    bool isFinished() const;

public slots:
    void cmdStart_Click();
    void cmdCancel_Click();

    // Cancel, Escape and the window's close button: while prefixes run, stops the others
    // from starting and keeps the window; afterwards closes it.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // While prefixes run: starts no more of them (true); false once they have ended.
    bool cancelRuns();
    void showOutcome(int run);
    void runsEnded();

    Command m_command;
    QList<std::filesystem::path> m_folders;
    // The row of each run started.
    QList<int> m_rows;
    std::unique_ptr<PrefixJobs::Runner> m_runner;
};
