#pragma once
// One command run in several Wine prefixes at once. The Windows root is the process's own
// (its registry, its paths, the Wine started in it), so each prefix's share of the work is
// the program itself started on that prefix alone (`kolvmgr --prefix P <command>`), with its
// own Wine and its own server; at most as many run at once as there are processors. Each
// such run leaves its prefix either done or untouched, as the command does for one prefix,
// so stopping means starting no more of them: those running finish.

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QProcess;

namespace PrefixJobs {

// The exit code of a prefix's run that did not try: the prefix cannot be driven as the
// command needs (its registry cannot be read, no Wine of its own may be started there).
// What it said is why.
inline constexpr int kSkippedExit = 3;
// The environment variable that marks a run as one prefix's share of a run on several;
// the program takes it out of its environment at once, so no Wine sees it.
inline constexpr char kJobVariable[] = "KOLVMGR_PREFIX_JOB";
// Whether this process is one prefix's share of a run on several (and forgets the mark).
bool takeJobMark();

struct Outcome {
    enum Kind {
        Waiting,  // not started yet
        Running,  // started, not finished
        Done,     // the command succeeded in the prefix
        Failed,   // it failed there; text says why
        Skipped,  // it was not tried there; text says why
        Cancelled // stopped before it started: the prefix was not touched
    } kind = Waiting;
    // Why it failed or was skipped: what the run said on standard error, each line without
    // the program's "kolvmgr: ", joined by "; ". For Done, the notes it gave (the same form).
    QString text;
    // What the run printed on standard output.
    QString output;
};

// The program each prefix's run starts: this program's own file, unless a test names
// another.
QString program();
void setProgram(const QString& program);

// How many runs go at once: the processors there are, at least one, unless a test sets
// another number (0: the processors again).
int parallelRuns();
void setParallelRuns(int runs);

// The runs, one for each prefix, each with the arguments after "--prefix P".
class Runner : public QObject {
    Q_OBJECT
public:
    Runner(const QStringList& prefixes, const QStringList& arguments, QObject* parent = nullptr);
    ~Runner() override;
    Runner(const Runner&) = delete;
    Runner& operator=(const Runner&) = delete;

    // A prefix decided before anything starts (skipped with why).
    void skip(int index, const QString& why);
    // Starts the first runs; the others follow as runs end.
    void start();
    // Starts no more runs; those running finish. The ones not started are Cancelled.
    void cancel();
    bool finished() const;
    // Runs an event loop until every run has ended.
    void waitForAll();

    const QStringList& prefixes() const { return m_prefixes; }
    const Outcome& outcome(int index) const { return m_outcomes.at(index); }

signals:
    void changed(int index);
    void allFinished();

private:
    void startNext();
    void ended(int index, QProcess* process, bool crashed, int exitCode);

    QStringList m_prefixes;
    QStringList m_arguments;
    QList<Outcome> m_outcomes;
    int m_running = 0;
    int m_next = 0;
    bool m_cancelled = false;
    bool m_started = false;
};

// What a run said on standard error, as Outcome::text words it.
QString errorText(const QByteArray& standardError);

} // namespace PrefixJobs
