#include "PrefixJobs.h"

#include "HostText.h"
#include "platform/Codepage.h"
#include "platform/UniqueFd.h"
#include "platform/WriteAll.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PrefixJobs {
namespace {

QString g_program;
int g_parallelRuns = 0;
// In a prefix's run: the descriptors of the archives handed over (-1: none for that one).
std::vector<int> g_handed;

// An archive larger than this is left to each run to read: its copy would sit in memory.
constexpr off_t kReadOnceLimit = off_t(512) << 20;

// The archive's bytes in memory of their own, sealed so that no run can change them for
// the others; -1 when it cannot be read (or is too large to hold).
int readOnce(const QString& archive) {
    const platform::UniqueFd in(::open(HostText::toBytes(archive).c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (!in || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kReadOnceLimit)
        return -1;
    platform::UniqueFd copy(::memfd_create("kolvmgr-archive", MFD_CLOEXEC | MFD_ALLOW_SEALING));
    if (!copy)
        return -1;
    char block[256 * 1024];
    ssize_t got = 0;
    off_t total = 0;
    while ((got = ::read(in.get(), block, sizeof block)) > 0) {
        total += got;
        if (total > kReadOnceLimit || !platform::writeAll(copy.get(), std::string_view(block, size_t(got))))
            return -1;
    }
    if (got < 0 ||
        ::fcntl(copy.get(), F_ADD_SEALS, F_SEAL_SEAL | F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE) != 0)
        return -1;
    return copy.release();
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

bool takeJobMark() {
    static const bool marked = [] {
        const bool job = qEnvironmentVariable(kJobVariable) == QLatin1String("1");
        const QString handed = qEnvironmentVariable(kArchivesVariable);
        qunsetenv(kJobVariable);
        qunsetenv(kArchivesVariable);
        if (!job || handed.isEmpty())
            return job;
        for (const QString& field : handed.split(QLatin1Char(','))) {
            bool number = false;
            int fd = field.toInt(&number);
            struct stat st {};
            // Only a file the runner opened for it: kept from the programs this run starts.
            if (!number || fd <= STDERR_FILENO || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
                ::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0)
                fd = -1;
            g_handed.push_back(fd);
        }
        return job;
    }();
    return marked;
}

QString jobArgument(const QString& argument) {
    const std::string bytes = HostText::toBytes(argument);
    std::string out;
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = platform::utf8SequenceLength(std::string_view(bytes).substr(i));
        if (length > 0 && bytes[i] != '%') {
            out.append(bytes, i, length);
            i += length;
            continue;
        }
        char escaped[4];
        std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(bytes[i]));
        out += escaped;
        ++i;
    }
    return QString::fromStdString(out);
}

QString fromJobArgument(const QString& argument) {
    const std::string text = HostText::toBytes(argument);
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        const int high = i + 2 < text.size() ? hexDigit(text[i + 1]) : -1;
        const int low = high >= 0 ? hexDigit(text[i + 2]) : -1;
        if (text[i] == '%' && low >= 0) {
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    return HostText::fromBytes(bytes);
}

QString handedArchive(qsizetype index) {
    takeJobMark();
    if (index < 0 || size_t(index) >= g_handed.size() || g_handed[size_t(index)] < 0)
        return QString();
    // Without /proc the run reads the archive itself, as it would alone.
    const QString copy = QStringLiteral("/proc/self/fd/") + QString::number(g_handed[size_t(index)]);
    return ::access(HostText::toBytes(copy).c_str(), R_OK) == 0 ? copy : QString();
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
    return 2 * std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
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
    for (const int fd : m_archives)
        if (fd >= 0)
            ::close(fd);
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

void Runner::readArchivesOnce() {
    // The archives are the arguments after --install, in the order the runs take them.
    if (m_arguments.value(0) != QLatin1String("--install"))
        return;
    for (const QString& archive : m_arguments.mid(1))
        m_archives.push_back(readOnce(archive));
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
    if (!m_archives.empty()) {
        QStringList handed;
        for (const int fd : m_archives)
            handed.append(fd < 0 ? QStringLiteral("-") : QString::number(fd));
        environment.insert(QLatin1String(kArchivesVariable), handed.join(QLatin1Char(',')));
        // The copies are the run's own to read, not the other programs' this one starts.
        process->setChildProcessModifier([fds = m_archives] {
            for (const int fd : fds)
                if (fd >= 0)
                    ::fcntl(fd, F_SETFD, 0);
        });
    }
    process->setProcessEnvironment(environment);
    process->setProgram(program());
    QStringList arguments{QStringLiteral("--prefix"), m_prefixes.at(index)};
    arguments += m_arguments;
    for (QString& argument : arguments)
        argument = jobArgument(argument);
    process->setArguments(arguments);
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
