#include "PrefixJobs.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <thread>

namespace PrefixJobs {
namespace {

QString g_program;
int g_parallelRuns = 0;

} // namespace

bool takeJobMark() {
    const bool marked = qEnvironmentVariable(kJobVariable) == QLatin1String("1");
    qunsetenv(kJobVariable);
    return marked;
}

QString program() {
    return g_program.isEmpty() ? QCoreApplication::applicationFilePath() : g_program;
}

void setProgram(const QString& program) {
    g_program = program;
}

void setParallelRuns(int runs) {
    g_parallelRuns = runs;
}

int parallelRuns() {
    if (g_parallelRuns > 0)
        return g_parallelRuns;
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

QString errorText(const QByteArray& standardError) {
    QStringList lines;
    for (QString line : QString::fromUtf8(standardError).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("kolvmgr: ")))
            line = line.mid(9);
        line = line.trimmed();
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines.join(QStringLiteral("; "));
}

Runner::Runner(const QStringList& prefixes, const QStringList& arguments, QObject* parent)
    : QObject(parent), m_prefixes(prefixes), m_arguments(arguments), m_outcomes(prefixes.size()) {}

Runner::~Runner() {
    // A window closed meanwhile: the runs still going finish on their own, each leaving its
    // prefix done or untouched; nobody is left to hear how.
    for (QProcess* process : findChildren<QProcess*>()) {
        process->disconnect(this);
        process->setParent(nullptr);
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    }
}

void Runner::skip(int index, const QString& why) {
    m_outcomes[index] = {Outcome::Skipped, why, QString()};
}

void Runner::start() {
    m_started = true;
    const int limit = parallelRuns();
    while (m_running < limit && m_next < m_prefixes.size())
        startNext();
    if (finished())
        emit allFinished();
}

void Runner::cancel() {
    m_cancelled = true;
    for (int i = m_next; i < m_prefixes.size(); ++i) {
        if (m_outcomes[i].kind == Outcome::Waiting) {
            m_outcomes[i].kind = Outcome::Cancelled;
            emit changed(i);
        }
    }
    m_next = static_cast<int>(m_prefixes.size());
    if (finished())
        emit allFinished();
}

bool Runner::finished() const {
    return m_started && m_running == 0 && m_next >= m_prefixes.size();
}

void Runner::waitForAll() {
    if (!m_started)
        start();
    if (finished())
        return;
    QEventLoop loop;
    connect(this, &Runner::allFinished, &loop, &QEventLoop::quit);
    loop.exec();
}

void Runner::startNext() {
    const int index = m_next++;
    if (m_outcomes[index].kind != Outcome::Waiting)
        return;
    auto* process = new QProcess(this);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QLatin1String(kJobVariable), QStringLiteral("1"));
    process->setProcessEnvironment(environment);
    process->setProgram(program());
    process->setArguments(QStringList{QStringLiteral("--prefix"), m_prefixes.at(index)} + m_arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    connect(process, &QProcess::finished, this,
            [this, index, process](int exitCode, QProcess::ExitStatus status) {
                ended(index, process, status == QProcess::CrashExit, exitCode);
            });
    connect(process, &QProcess::errorOccurred, this, [this, index, process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            ended(index, process, true, -1);
    });
    ++m_running;
    m_outcomes[index].kind = Outcome::Running;
    emit changed(index);
    process->start();
}

void Runner::ended(int index, QProcess* process, bool crashed, int exitCode) {
    Outcome& outcome = m_outcomes[index];
    outcome.output = QString::fromUtf8(process->readAllStandardOutput());
    outcome.text = errorText(process->readAllStandardError());
    if (process->error() == QProcess::FailedToStart) {
        outcome.kind = Outcome::Failed;
        outcome.text = program() + QStringLiteral(" could not be started: ") + process->errorString();
    } else if (crashed) {
        outcome.kind = Outcome::Failed;
        if (outcome.text.isEmpty())
            outcome.text = QStringLiteral("the run for the prefix ended unexpectedly");
    } else {
        outcome.kind = exitCode == 0              ? Outcome::Done
                       : exitCode == kSkippedExit ? Outcome::Skipped
                                                  : Outcome::Failed;
    }
    process->disconnect(this);
    process->deleteLater();
    --m_running;
    emit changed(index);
    while (!m_cancelled && m_running < parallelRuns() && m_next < m_prefixes.size())
        startNext();
    if (finished())
        emit allFinished();
}

} // namespace PrefixJobs
