// The shared routines on files, folders and names: text files, LZ expansion, clearing
// and listing folders, file names and extensions.

#include "prgmain.h"

#include "AnsiText.h"
#include "FileNumbers.h"
#include "RuntimeError.h"
#include "UiServices.h"

#include "platform/DirectoryListing.h"
#include "platform/FileAttributes.h"
#include "platform/Paths.h"
#include "platform/WriteAll.h"

#include <mspack.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using quorlin::fromAnsi;
using quorlin::RuntimeError;
using quorlin::toAnsi;
using quorlin::UiServices;

namespace prgmain {

namespace {

// The host file of a Windows file name, or the error opening it would give.
std::filesystem::path hostFileOrThrow(const QString& filename) {
    const std::string text = quorlin::toPathText(filename);
    if (auto host = platform::toHostPath(text))
        return *host;
    if (text.size() >= 2 && text[1] == ':' && !platform::driveExists(text))
        throw RuntimeError(quorlin::ErrPathNotFound);
    throw RuntimeError(quorlin::ErrBadFileName);
}

// A name ending in a separator names a folder: Windows opens no file by it, though the
// host would find the file without the separator.
bool endsInSeparator(const QString& filename) {
    return filename.endsWith(QLatin1Char('\\')) || filename.endsWith(QLatin1Char('/'));
}

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    // Closes and reports whether the close (which may flush) went well.
    bool close() {
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc == 0;
    }

private:
    int m_fd;
};

// Opens without blocking on a pipe or device and accepts only a plain file, as a
// Windows program can only open files by name.
int openRegular(const std::filesystem::path& host, int flags, int& err) {
    const int fd = ::open(host.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (fd < 0) {
        err = errno;
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        err = EACCES;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

void writeLine(const QString& filename, const QString& s, bool append) {
    const quorlin::FileNumberHold number;
    if (endsInSeparator(filename))
        throw RuntimeError::fromErrno(ENOENT, true);
    const auto host = hostFileOrThrow(filename);
    int err = 0;
    // A name that is missing on opening for output is a missing folder.
    Fd fd(openRegular(host, O_WRONLY | O_CREAT | (append ? O_APPEND : O_TRUNC), err));
    if (fd.get() < 0)
        throw RuntimeError::fromErrno(err, true);
    if (!platform::writeAll(fd.get(), toAnsi(s) + "\r\n")) {
        err = errno;
        throw RuntimeError::fromErrno(err);
    }
    if (!fd.close())
        throw RuntimeError::fromErrno(errno);
}

std::optional<std::string> readWhole(const std::filesystem::path& host) {
    int err = 0;
    Fd fd(openRegular(host, O_RDONLY, err));
    if (fd.get() < 0)
        return std::nullopt;
    std::string data;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (n == 0)
            break;
        data.append(chunk, static_cast<size_t>(n));
    }
    return data;
}

} // namespace

// ---- text files -------------------------------------------------------------------------

void WriteToFile(const QString& filename, const QString& s) {
    writeLine(filename, s, false);
}

void AppendToFile(const QString& filename, const QString& s) {
    writeLine(filename, s, true);
}

QString ReadFromFile(const QString& filename) {
    try {
        const quorlin::FileNumberHold number;
        if (endsInSeparator(filename))
            return {};
        const auto host = platform::toHostPath(quorlin::toPathText(filename));
        if (!host)
            return {};
        const auto data = readWhole(*host);
        if (!data)
            return {};
        // A line ends at CR or CR LF. A lone LF is not a line break in the callers' text
        // files and stays part of the line.
        std::string text;
        text.reserve(data->size() + 2);
        size_t pos = 0;
        while (pos < data->size()) {
            size_t cr = data->find('\r', pos);
            if (cr == std::string::npos)
                cr = data->size();
            text.append(*data, pos, cr - pos);
            text += "\r\n";
            pos = cr + 1;
            if (pos < data->size() && (*data)[pos] == '\n')
                ++pos;
        }
        return fromAnsi(text);
    } catch (const RuntimeError&) {
        return {};
    }
}

// ---- LZ expansion -----------------------------------------------------------------------

namespace {

bool copyPlain(const std::filesystem::path& from, const std::filesystem::path& to) {
    const auto data = readWhole(from);
    if (!data)
        return false;
    int err = 0;
    Fd fd(openRegular(to, O_WRONLY | O_CREAT | O_TRUNC, err));
    return fd.get() >= 0 && platform::writeAll(fd.get(), *data) && fd.close();
}

// Expands (or copies) src into the file at tmp; false when that failed.
bool expandInto(const std::filesystem::path& src, const std::filesystem::path& tmp) {
    msszdd_decompressor* lz = mspack_create_szdd_decompressor(nullptr);
    if (!lz)
        return false;
    const int rc = lz->decompress(lz, src.c_str(), tmp.c_str());
    mspack_destroy_szdd_decompressor(lz);
    if (rc == MSPACK_ERR_OK)
        return true;
    // Not in the compressed format (or too short to hold its header): copied unchanged.
    if (rc == MSPACK_ERR_SIGNATURE || rc == MSPACK_ERR_READ)
        return copyPlain(src, tmp);
    return false;
}

} // namespace

void DecompressLZFile(const QString& src, const QString& dest) {
    // The source is asked for until it is there or the user gives up.
    std::optional<std::filesystem::path> srcHost;
    for (;;) {
        srcHost = platform::toHostPath(quorlin::toPathText(src));
        std::error_code ec;
        if (srcHost && std::filesystem::exists(*srcHost, ec))
            break;
        const int answer = UiServices::msgBox(
            QStringLiteral("Cannot find the file %1.\r\nInsert the disk that holds it, or check "
                           "the name, and choose Retry.")
                .arg(src),
            5 + quorlin::MsgExclamation);
        if (answer != quorlin::AnswerRetry)
            return;
    }
    const auto destHost = platform::toHostPath(quorlin::toPathText(dest));
    if (!destHost || !platform::isReadableFile(quorlin::toPathText(src)))
        return;

    // Expanded next to the destination first: the destination is only replaced by a
    // complete result, and a source that is also the destination is read in full before
    // it is overwritten.
    std::string pattern = (destHost->parent_path() / ".lzexpand-XXXXXX").string();
    const int tmpFd = ::mkstemp(pattern.data());
    if (tmpFd < 0)
        return;
    ::close(tmpFd);
    const std::filesystem::path tmp(pattern);
    if (expandInto(*srcHost, tmp))
        copyPlain(tmp, *destHost);
    std::error_code ec;
    std::filesystem::remove(tmp, ec);
}

// ---- folders ------------------------------------------------------------------------------

namespace {
bool isDotEntry(const std::string& name) {
    return name == "." || name == "..";
}

std::optional<uint32_t> attributesOf(const QString& windowsPath) {
    const auto host = platform::toHostPath(quorlin::toPathText(windowsPath));
    if (!host)
        return std::nullopt;
    return platform::fileAttributes(*host);
}

bool removeEntry(const QString& windowsPath, bool folder) {
    const auto host = platform::toHostPath(quorlin::toPathText(windowsPath));
    if (!host)
        return false;
    return (folder ? ::rmdir(host->c_str()) : ::unlink(host->c_str())) == 0;
}
} // namespace

void ClearFolder(const QString& path, const QString& kept) {
    // Hidden entries and folders, not system ones.
    platform::DirectoryListing listing(quorlin::toPathText(path), 50);
    while (const auto name = listing.next()) {
        UiServices::doEvents();
        if (isDotEntry(*name))
            continue;
        const QString full = path + quorlin::fromPathText(*name);
        // Windows refuses to delete a file in use, a link to it included.
        if (!kept.isEmpty() && full.compare(kept, Qt::CaseInsensitive) == 0)
            continue;
        try {
            // Look at the entry itself now, not at what the listing saw: a link is only
            // ever removed, never entered, so clearing cannot reach outside the folder.
            const auto attrs = attributesOf(full);
            if (!attrs)
                continue;
            if (*attrs & platform::FILE_ATTRIBUTE_REPARSE_POINT) {
                removeEntry(full, false);
            } else if (ChkFileExist(full)) {
                // Windows refuses to delete a read-only file.
                if (!(*attrs & platform::FILE_ATTRIBUTE_READONLY))
                    removeEntry(full, false);
            } else if (ChkPathExist(full)) {
                ClearFolder(full + QLatin1Char('\\'), kept);
                removeEntry(full, true);
            }
        } catch (const RuntimeError&) {
            // A failing step is skipped; the listing goes on.
        }
    }
}

QStringList LookFolder(const QString& path) {
    QStringList files;
    // Hidden and system entries and folders.
    platform::DirectoryListing listing(quorlin::toPathText(path), 22);
    while (const auto name = listing.next()) {
        if (UiServices::inputWaiting())
            UiServices::doEvents();
        if (isDotEntry(*name))
            continue;
        const QString full = path + quorlin::fromPathText(*name);
        try {
            if (ChkFileExist(full)) {
                files.append(full);
            } else if (ChkPathExist(full)) {
                // A link to a folder is not descended into: one pointing at a folder
                // above it would make the tree endless.
                const auto attrs = attributesOf(full);
                if (attrs && !(*attrs & platform::FILE_ATTRIBUTE_REPARSE_POINT))
                    files.append(LookFolder(full + QLatin1Char('\\')));
            }
        } catch (const RuntimeError&) {
            // A failing step is skipped; the listing goes on.
        }
    }
    return files;
}

// ---- names ------------------------------------------------------------------------------

QString GetFilename(QString& path) {
    if (path.size() <= 3)
        return QString();
    if (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    const qsizetype n = path.size();
    qsizetype i = 1;
    for (;; ++i) {
        // Position n - i, counted from 1; position 0 does not exist.
        if (n - i < 1)
            throw RuntimeError(quorlin::ErrInvalidCall);
        if (path.at(n - i - 1) == QLatin1Char('\\'))
            break;
        UiServices::doEvents();
    }
    return path.right(i);
}

QString GetExtension(QString& filename) {
    if (filename.endsWith(QLatin1Char('.')))
        filename.chop(1);
    const qsizetype n = filename.size();
    qsizetype i = 1;
    for (; i <= n; ++i) {
        if (n - i < 1) // no dot: the whole text
            break;
        if (filename.at(n - i - 1) == QLatin1Char('.'))
            break;
        if (UiServices::inputWaiting())
            UiServices::doEvents();
    }
    return filename.right(i + 1);
}

} // namespace prgmain
