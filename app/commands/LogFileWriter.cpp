#include "LogFileWriter.h"

#include "common/RuntimeError.h"
#include "platform/Clock.h"
#include "platform/Codepage.h"
#include "platform/WriteAll.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace {
const QString kHeader = QStringLiteral("[Quorlin Visual Style Manager] Checkup Tool Log File");
const QString kEndLine =
    QStringLiteral("[Quorlin Visual Style Manager] Checkup Tool Log File [End of log file]");

QString logSeparator() {
    return QString(68, QLatin1Char('-'));
}

// Large enough that a long log costs a handful of system calls.
constexpr size_t kBufferSize = 64 * 1024;

int errorNumber(int err) {
    // A name that cannot be created because a folder on its way is missing is a
    // missing path.
    return quorlin::RuntimeError::numberFromErrno(err, true);
}
} // namespace

LogFileWriter::~LogFileWriter() {
    if (isOpen())
        close();
}

int LogFileWriter::open(const QString& hostPath) {
    if (isOpen())
        close();
    m_path = QFile::encodeName(hostPath).toStdString();
    m_buffer.clear();
    if (m_path.empty())
        return errorNumber(ENOENT);
    int fd;
    do {
        fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errorNumber(errno);
    m_fd = fd;
    m_buffer.reserve(kBufferSize + 1024);
    return 0;
}

int LogFileWriter::writeLine(const QString& text) {
    if (!isOpen())
        return quorlin::ErrBadFileName;
    // Most lines are plain ASCII and go in as they are, the test and the copy each in
    // one pass the compiler can widen; anything else takes the code page conversion.
    const QStringView view(text);
    const auto length = static_cast<size_t>(view.size());
    if (QtPrivate::isAscii(view)) {
        const size_t at = m_buffer.size();
        m_buffer.resize(at + length + 2);
        char* __restrict out = m_buffer.data() + at;
        const char16_t* __restrict units = view.utf16();
        for (size_t i = 0; i < length; ++i)
            out[i] = static_cast<char>(units[i]);
        out[length] = '\r';
        out[length + 1] = '\n';
    } else {
        m_buffer += platform::utf16ToAnsi(std::u16string_view(view.utf16(), length));
        m_buffer += "\r\n";
    }
    return m_buffer.size() >= kBufferSize ? flush() : 0;
}

int LogFileWriter::flush() {
    size_t done = 0;
    if (!platform::writeAll(m_fd, m_buffer, &done)) {
        const int err = errno;
        m_buffer.erase(0, done);
        return errorNumber(err);
    }
    m_buffer.clear();
    return 0;
}

int LogFileWriter::close() {
    if (!isOpen())
        return 0;
    int result = flush();
    m_buffer.clear();
    if (::close(m_fd) != 0 && result == 0 && errno != EINTR)
        result = errorNumber(errno);
    m_fd = -1;
    return result;
}

void LogFileWriter::discard() {
    if (isOpen()) {
        m_buffer.clear();
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_path.empty())
        ::unlink(m_path.c_str());
}

int writeCheckupLogHead(LogFileWriter& file, const std::function<void(int)>& afterLine) {
    const QString lines[] = {
        kHeader, QStringLiteral("[DateTime] ") + QString::fromStdString(platform::generalDateText()),
        logSeparator()};
    for (int k = 0; k < 3; ++k) {
        if (const int err = file.writeLine(lines[k]))
            return err;
        if (afterLine)
            afterLine(k + 1);
    }
    return 0;
}

int writeCheckupLogTail(LogFileWriter& file) {
    if (const int err = file.writeLine(logSeparator()))
        return err;
    return file.writeLine(kEndLine);
}
