#include "platform/linux/hive/HiveFile.h"

#include "platform/WriteAll.h"
#include "platform/linux/hive/HiveDocument.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform::hive {
namespace {

std::atomic<SaveHook> g_saveHook{nullptr};

Problem fileProblem(Problem::Cause cause, const std::filesystem::path& file) {
    return {cause, file.string(), {}, errno};
}

// The file a rename must replace: the target when the hive is a symbolic link.
std::filesystem::path realTarget(const std::filesystem::path& file) {
    std::error_code ec;
    if (std::filesystem::is_symlink(file, ec)) {
        auto target = std::filesystem::canonical(file, ec);
        if (!ec)
            return target;
    }
    return file;
}

} // namespace

FileIdentity FileIdentity::of(const struct stat& st) {
    FileIdentity id;
    id.exists = true;
    id.dev = st.st_dev;
    id.ino = st.st_ino;
    id.size = st.st_size;
    id.mtime = st.st_mtim;
    id.ctime = st.st_ctim;
    return id;
}

bool FileIdentity::operator==(const FileIdentity& o) const {
    if (exists != o.exists)
        return false;
    if (!exists)
        return true;
    return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
           mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec &&
           ctime.tv_nsec == o.ctime.tv_nsec;
}

FileIdentity statIdentity(const std::filesystem::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return {};
    return FileIdentity::of(st);
}

// ---- the text, read as needed -------------------------------------------------------------

SourceText::SourceText(std::string text) : m_text(std::move(text)) {
    m_unterminated = !m_text.empty() && m_text.back() != '\n';
    if (m_unterminated)
        m_text += '\n';
    m_size = m_text.size();
}

SourceText::SourceText(UniqueFd fd, const FileIdentity& identity)
    : m_fd(std::move(fd)), m_identity(identity), m_fileSize(static_cast<uint64_t>(identity.size)) {
    m_size = m_fileSize;
    char last = '\n';
    if (m_fileSize > 0 && ::pread(m_fd.get(), &last, 1, static_cast<off_t>(m_fileSize - 1)) == 1 &&
        last != '\n') {
        m_unterminated = true;
        ++m_size;
    }
}

SourceText::SourceText(SourceText&& other) noexcept {
    *this = std::move(other);
}

SourceText& SourceText::operator=(SourceText&& other) noexcept {
    if (this != &other) {
        m_text = std::move(other.m_text);
        m_fd = std::move(other.m_fd);
        m_identity = other.m_identity;
        m_fileSize = std::exchange(other.m_fileSize, 0);
        m_size = std::exchange(other.m_size, 0);
        m_unterminated = std::exchange(other.m_unterminated, false);
        m_buffer = std::move(other.m_buffer);
        m_bufferOff = other.m_bufferOff;
        other.m_text.clear();
        other.m_buffer.clear();
    }
    return *this;
}

std::string_view SourceText::at(uint64_t off, size_t want, size_t readAhead) const {
    if (off >= m_size)
        return {};
    if (!m_fd)
        return std::string_view(m_text).substr(off);
    const uint64_t need = std::min<uint64_t>(want, m_size - off);
    if (off >= m_bufferOff && off + need <= m_bufferOff + m_buffer.size())
        return std::string_view(m_buffer).substr(off - m_bufferOff);
    // Whole pages, and at least as much as the caller will go on to read.
    const uint64_t start = off & ~uint64_t(4095);
    const uint64_t length =
        std::min<uint64_t>(std::max<uint64_t>(need + (off - start), readAhead), m_size - start);
    // A buffer grown for one long value is not kept for the many short reads after it.
    if (m_buffer.capacity() > (size_t(1) << 20) && length < m_buffer.capacity() / 4)
        std::string().swap(m_buffer);
    m_buffer.resize(length);
    const uint64_t fromFile = std::min(start + length, m_fileSize) - start;
    uint64_t got = 0;
    while (got < fromFile) {
        const ssize_t n =
            ::pread(m_fd.get(), m_buffer.data() + got, fromFile - got, static_cast<off_t>(start + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<uint64_t>(n);
    }
    if (got < fromFile)
        m_buffer.resize(got); // shrank, or cannot be read: nothing beyond what was read
    else if (got < length)
        m_buffer[got] = '\n'; // the line feed an unterminated last line reads with
    m_bufferOff = start;
    if (off - start >= m_buffer.size())
        return {};
    return std::string_view(m_buffer).substr(off - start);
}

bool SourceText::appendTo(std::string& out, uint64_t off, uint64_t len) const {
    if (off > m_size || len > m_size - off)
        return false;
    if (!m_fd) {
        out.append(m_text, off, len);
        return true;
    }
    const size_t old = out.size();
    out.resize(old + len);
    const uint64_t fromFile = off >= m_fileSize ? 0 : std::min(off + len, m_fileSize) - off;
    uint64_t got = 0;
    while (got < fromFile) {
        const ssize_t n =
            ::pread(m_fd.get(), out.data() + old + got, fromFile - got, static_cast<off_t>(off + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            out.resize(old);
            return false;
        }
        got += static_cast<uint64_t>(n);
    }
    if (fromFile < len)
        out[old + fromFile] = '\n';
    return true;
}

bool SourceText::copyTo(int fd, uint64_t off, uint64_t len) const {
    if (off > m_size || len > m_size - off) {
        errno = EINVAL;
        return false;
    }
    if (!m_fd)
        return writeAll(fd, std::string_view(m_text).substr(off, len));
    const uint64_t fromFile = off >= m_fileSize ? 0 : std::min(off + len, m_fileSize) - off;
    auto position = static_cast<off_t>(off);
    uint64_t left = fromFile;
    // The system copies within the file system, without the bytes passing through here.
    bool byKernel = true;
    while (left > 0 && byKernel) {
        const ssize_t n = ::copy_file_range(m_fd.get(), &position, fd, nullptr, left, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
            byKernel = false;
            break;
        }
        if (n < 0)
            return false;
        if (n == 0) {
            errno = EIO; // the file is shorter than it was
            return false;
        }
        left -= static_cast<uint64_t>(n);
    }
    char block[65536];
    while (left > 0) {
        const ssize_t n = ::pread(m_fd.get(), block, std::min<uint64_t>(left, sizeof block), position);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        if (!writeAll(fd, std::string_view(block, static_cast<size_t>(n))))
            return false;
        position += n;
        left -= static_cast<uint64_t>(n);
    }
    return fromFile == len || writeAll(fd, "\n");
}

bool SourceText::unchangedOnDisk() const {
    if (!m_fd)
        return true;
    struct stat st {};
    return ::fstat(m_fd.get(), &st) == 0 && FileIdentity::of(st) == m_identity;
}

// ---- what a whole reading of a large file found, kept for the next start -------------------
//
// Reading a hive of tens of megabytes through costs more than the rest of a start. Its
// result depends on nothing but the file's bytes, so it is kept beside the user's other
// caches, named by the hive's path, with the file's identity: device, inode, size and both
// times (the system sets the change time itself on every write). A file that differs in
// any of them is read through again.

namespace {

constexpr uint64_t kSummaryMinSize = 1 << 20;
// Its version changes whenever the order the document reads a hive in changes: a hive in the
// order of one version may not be in the order of the next.
constexpr std::string_view kSummaryHead = "kolvmgr hive summary 2\n";

std::filesystem::path summaryFolder() {
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && cache[0] == '/')
        return std::filesystem::path(cache) / "kolvmgr";
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        return std::filesystem::path(home) / ".cache" / "kolvmgr";
    return {};
}

std::string absoluteText(const std::filesystem::path& file) {
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(file, ec);
    return (ec ? file : absolute).lexically_normal().string();
}

std::filesystem::path summaryFile(const std::filesystem::path& folder, const std::string& hive) {
    uint64_t hash = 0xcbf29ce484222325ull; // FNV-1a
    for (const char c : hive)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
    char name[40];
    std::snprintf(name, sizeof name, "hive-%016llx", static_cast<unsigned long long>(hash));
    return folder / name;
}

std::string identityText(const FileIdentity& id, uint64_t headerLen) {
    char text[200];
    std::snprintf(text, sizeof text, "%llu %llu %lld %lld %ld %lld %ld %llu ",
                  static_cast<unsigned long long>(id.dev), static_cast<unsigned long long>(id.ino),
                  static_cast<long long>(id.size), static_cast<long long>(id.mtime.tv_sec), id.mtime.tv_nsec,
                  static_cast<long long>(id.ctime.tv_sec), id.ctime.tv_nsec,
                  static_cast<unsigned long long>(headerLen));
    return text;
}

// A summary file: the identity and the header's length, then the hive's path.
struct StoredSummary {
    std::string fields;
    std::string hive;
};

std::optional<StoredSummary> readSummary(const std::filesystem::path& path) {
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd)
        return std::nullopt;
    char text[8192];
    const ssize_t n = ::read(fd.get(), text, sizeof text);
    const std::string_view content(text, n > 0 ? static_cast<size_t>(n) : 0);
    if (!content.starts_with(kSummaryHead) || !content.ends_with('\n'))
        return std::nullopt;
    const std::string_view rest = content.substr(kSummaryHead.size());
    size_t spaces = 0, at = 0;
    for (; at < rest.size() && spaces < 8; ++at)
        spaces += rest[at] == ' ';
    if (spaces < 8)
        return std::nullopt;
    return StoredSummary{std::string(rest.substr(0, at)), std::string(rest.substr(at, rest.size() - at - 1))};
}

std::optional<Document::Summary> recalledSummary(const std::filesystem::path& file, const FileIdentity& id) {
    const std::filesystem::path folder = summaryFolder();
    if (folder.empty() || static_cast<uint64_t>(id.size) < kSummaryMinSize)
        return std::nullopt;
    const std::string hive = absoluteText(file);
    const auto stored = readSummary(summaryFile(folder, hive));
    if (!stored || stored->hive != hive)
        return std::nullopt;
    // The same file, as it was: every field as this file's identity writes it.
    unsigned long long headerLen = 0;
    const size_t last = stored->fields.rfind(' ', stored->fields.size() - 2);
    if (last == std::string::npos || std::sscanf(stored->fields.c_str() + last, "%llu", &headerLen) != 1 ||
        stored->fields != identityText(id, headerLen) || headerLen > static_cast<uint64_t>(id.size) + 1)
        return std::nullopt;
    Document::Summary summary;
    summary.headerLen = headerLen;
    summary.sorted = true;
    return summary;
}

// Removes the summaries of hives that are gone: test and benchmark roots come and go.
void removeOrphanSummaries(const std::filesystem::path& folder) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with("hive-"))
            continue;
        if (name.find(".tmp") != std::string::npos) {
            struct stat st {};
            // A temporary file older than a minute belongs to a writer that died.
            if (::lstat(entry.path().c_str(), &st) == 0 && st.st_mtime < ::time(nullptr) - 60)
                ::unlink(entry.path().c_str());
            continue;
        }
        const auto stored = readSummary(entry.path());
        struct stat st {};
        if (stored && !stored->hive.empty() && ::stat(stored->hive.c_str(), &st) != 0 && errno == ENOENT)
            ::unlink(entry.path().c_str());
    }
}

void recordSummary(const std::filesystem::path& file, const FileIdentity& id,
                   const Document::Summary& summary) {
    const std::filesystem::path folder = summaryFolder();
    if (folder.empty() || !summary.sorted || static_cast<uint64_t>(id.size) < kSummaryMinSize)
        return;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    removeOrphanSummaries(folder);
    const std::string hive = absoluteText(file);
    const std::filesystem::path target = summaryFile(folder, hive);
    std::string pattern = target.string() + ".tmpXXXXXX";
    UniqueFd fd(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!fd)
        return;
    const std::string text = std::string(kSummaryHead) + identityText(id, summary.headerLen) + hive + "\n";
    const bool written = writeAll(fd.get(), text);
    if (!fd.close() || !written || ::rename(pattern.c_str(), target.c_str()) != 0)
        ::unlink(pattern.c_str());
}

} // namespace

ReadStatus loadFile(const std::filesystem::path& file, Document& doc, FileIdentity& identity,
                    Problem& problem, std::optional<ParseFailure>& failure) {
    doc.clear();
    identity = {};
    failure.reset();
    UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        if (errno == ENOENT)
            return ReadStatus::Missing;
        problem = fileProblem(Problem::CannotOpen, file);
        return ReadStatus::Failed;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        problem = {Problem::NotRegularFile, file.string()};
        return ReadStatus::Failed;
    }
    identity = FileIdentity::of(st);
    if (static_cast<uint64_t>(st.st_size) > kMaxHiveSize) {
        problem = {Problem::TooLarge, file.string()};
        return ReadStatus::Failed;
    }
    if (st.st_size == 0)
        return ReadStatus::Missing;
    const auto known = recalledSummary(file, identity);
    if (auto parseFailure = doc.parse(SourceText(std::move(fd), identity), known ? &*known : nullptr)) {
        if (const int err = doc.readError()) {
            errno = err;
            problem = fileProblem(Problem::CannotRead, file);
            return ReadStatus::Failed;
        }
        failure = std::move(parseFailure);
        return ReadStatus::Ok;
    }
    // A file changed within the last moments might change again within the same tick of
    // the clock that stamps it, unseen by its identity: it is summarised at a later start.
    if (!known && identity.ctime.tv_sec < ::time(nullptr) - 2)
        recordSummary(file, identity, doc.summary());
    return ReadStatus::Ok;
}

namespace {

// A save cut short by a crash leaves its temporary file; no other writer is saving now.
void removeStaleTemporaries(const std::filesystem::path& dir, const std::filesystem::path& target) {
    const std::string stale = target.filename().string() + ".tmp";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == stale.size() + 6 && name.starts_with(stale))
            ::unlink(entry.path().c_str());
    }
}

} // namespace

bool saveFile(const std::filesystem::path& file, Document& doc, FileIdentity& identity, Problem& problem) {
    const std::filesystem::path target = realTarget(file);
    const std::filesystem::path dir = target.parent_path().empty() ? "." : target.parent_path();
    removeStaleTemporaries(dir, target);
    std::string pattern = (dir / (target.filename().string() + ".tmpXXXXXX")).string();
    UniqueFd fd(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!fd) {
        problem = fileProblem(Problem::CannotCreateFileIn, dir);
        return false;
    }
    const std::filesystem::path temp = pattern;
    auto abandon = [&](Problem why) {
        problem = std::move(why);
        fd.reset();
        ::unlink(temp.c_str());
        return false;
    };
    struct stat old {};
    const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    if (::fchmod(fd.get(), mode) != 0 || !doc.write(fd.get()) || ::fsync(fd.get()) != 0)
        return abandon(fileProblem(Problem::CannotWrite, temp));
    // The untouched text was copied from the file as it was read; changed in place since,
    // the copy would be half one version and half another.
    if (!doc.sourceUnchanged())
        return abandon({Problem::ChangedWhileSaved, file.string()});
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return abandon(fileProblem(Problem::CannotInspect, temp));
    if (SaveHook hook = g_saveHook.load(); hook && !hook(temp))
        return abandon({Problem::SaveInterrupted});
    if (!fd.close()) {
        ::unlink(temp.c_str());
        problem = fileProblem(Problem::CannotWrite, temp);
        return false;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        problem = fileProblem(Problem::CannotReplace, target);
        ::unlink(temp.c_str());
        return false;
    }
    if (const UniqueFd folder(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); folder)
        ::fsync(folder.get());
    // From now on the document reads the file just written (rename changed its ctime, so
    // its identity is asked for again). Should it be gone already, the next access
    // reads whatever is there.
    UniqueFd saved(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat after {};
    if (!saved || ::fstat(saved.get(), &after) != 0 || after.st_ino != st.st_ino ||
        after.st_dev != st.st_dev) {
        doc.clear();
        identity = {};
        return true;
    }
    identity = FileIdentity::of(after);
    doc.adopt(SourceText(std::move(saved), identity));
    recordSummary(file, identity, doc.summary());
    return true;
}

void setSaveHookForTests(SaveHook hook) {
    g_saveHook.store(hook);
}

namespace {

// Takes the exclusive lock on fd, waiting for another writer, who holds it for one save
// (milliseconds); gives up after about ten seconds.
bool lockExclusive(int fd) {
    auto pause = std::chrono::microseconds(50);
    for (int waited = 0; waited < 10'000'000;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        std::this_thread::sleep_for(pause);
        waited += static_cast<int>(pause.count());
        pause = std::min(pause * 2, std::chrono::microseconds(2000));
    }
    return false;
}

// Where the lock of a folder that cannot be locked itself lives (a network file system
// may refuse to lock a folder): the user's runtime folder, or a private one in /tmp.
std::string runtimeFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
        struct stat st {};
        if (::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode))
            return runtime;
    }
    const std::string folder = "/tmp/quorlin-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);
    struct stat st {};
    // Someone else's folder, or a link planted in its place, is not ours to use.
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return {};
    return folder;
}

// A lock file outside the prefix, named by the device and inode of the folder it stands
// for, so every writer of that folder finds the same one.
int openStandIn(int folderFd) {
    struct stat st {};
    const std::string runtime = runtimeFolder();
    if (runtime.empty() || ::fstat(folderFd, &st) != 0)
        return -1;
    char name[96];
    std::snprintf(name, sizeof name, "/registry-%llx-%llx.lock", static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    return ::open((runtime + name).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
}

} // namespace

WriterLock::WriterLock(const std::filesystem::path& file) {
    // Writers lock the hive's folder: unlike the hive, which every save replaces by
    // rename, the folder stays the same file, and locking it leaves nothing behind.
    const std::filesystem::path target = realTarget(file);
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno != EWOULDBLOCK && errno != EINTR) {
        fd.reset(openStandIn(fd.get()));
        if (!fd)
            return;
    }
    if (lockExclusive(fd.get()))
        m_fd = std::move(fd);
}

WriterLock::~WriterLock() {
    if (m_fd)
        ::flock(m_fd.get(), LOCK_UN);
}

} // namespace platform::hive
