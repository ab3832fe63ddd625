#pragma once
// One command run in several Wine prefixes at once. The Windows root is the process's own
// (its registry, its paths, the Wine started in it), so each prefix's share of the work is
// the program itself started on that prefix alone (`kolvmgr --prefix P <command>`), with its
// own Wine and its own server; at most two run at once for each processor. Each
// such run leaves its prefix either done or untouched, as the command does for one prefix,
// so stopping means starting no more of them: those running finish.

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QProcess;

namespace PrefixJobs {

// The exit code of a prefix's run that did not try: the prefix cannot be driven as the
// command needs (its registry cannot be read, no Wine of its own may be started there).
// What it said is why.
inline constexpr int kSkippedExit = 3;
// The environment variable that marks a run as one prefix's share of a run on several;
// the program takes it out of its environment at once, so no Wine sees it.
inline constexpr char kJobVariable[] = "KOLVMGR_PREFIX_JOB";
// The one that hands such a run the archives read for it: a descriptor for each archive
// its --install names, in their order ("-" for one it is to read itself).
inline constexpr char kArchivesVariable[] = "KOLVMGR_PREFIX_JOB_ARCHIVES";
// Whether this process is one prefix's share of a run on several. The first call takes the
// marks out of the environment (and keeps the archives handed over from the programs it
// starts); later calls give the same answer.
bool takeJobMark();

// A run's arguments reach it as text, which QProcess writes as UTF-8: a byte of a name that
// is no UTF-8 (carried as HostText carries it) would not come through. Such a byte travels
// as %XX, and a % as %25; the run takes them back before it reads its arguments.
QString jobArgument(const QString& argument);
QString fromJobArgument(const QString& argument);

// In one prefix's run: the file to read the index-th archive of its --install from, when
// the run on several prefixes read that archive once and handed it over; empty when the
// run reads the archive itself.
QString handedArchive(qsizetype index);

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

// How many runs go at once: two for each processor, since a run spends much of its time
// waiting on its Wine's own processes (its server, services and desktop start one after
// another), unless a test sets another number (0: two a processor again).
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
    // For --install: reads each archive it names (host paths) once, now, into memory of its
    // own that every run is handed to install from: each prefix gets the same bytes, even
    // should the file change or go while the runs go, and no run reads it again. An archive
    // that cannot be read is left to each run, which then says why as it would alone. Any
    // other command reads nothing.
    void readArchivesOnce();
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
    // The archives read once: a descriptor each (-1: left to the runs), closed with the runner.
    std::vector<int> m_archives;
    QList<Outcome> m_outcomes;
    int m_running = 0;
    int m_next = 0;
    bool m_cancelled = false;
    bool m_started = false;
};

// What a run said on standard error, as Outcome::text words it.
QString errorText(const QByteArray& standardError);

} // namespace PrefixJobs
