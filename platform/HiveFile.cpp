#include "HiveFile.h"

#include "HiveDocument.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform::hive {
namespace {

std::atomic<SaveHook> g_saveHook{nullptr};

std::string errnoText(const char* what, const std::filesystem::path& file) {
    return std::string(what) + " " + file.string() + ": " + std::strerror(errno);
}

bool writeAll(int fd, std::string_view text) {
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
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

ReadStatus readFile(const std::filesystem::path& file, std::string& text, FileIdentity& identity,
                    std::string& error) {
    text.clear();
    identity = {};
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return ReadStatus::Missing;
        error = errnoText("cannot open", file);
        return ReadStatus::Failed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "not a regular file: " + file.string();
        ::close(fd);
        return ReadStatus::Failed;
    }
    identity = FileIdentity::of(st);
    if (static_cast<uint64_t>(st.st_size) > kMaxHiveSize) {
        error = "the file is too large: " + file.string();
        ::close(fd);
        return ReadStatus::Failed;
    }
    text.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    for (;;) {
        if (got == text.size())
            text.resize(got + 65536);
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errnoText("cannot read", file);
            ::close(fd);
            return ReadStatus::Failed;
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    text.resize(got);
    ::close(fd);
    return ReadStatus::Ok;
}

bool replaceFile(const std::filesystem::path& file, std::string_view text, FileIdentity& identity,
                 std::string& error) {
    const std::filesystem::path target = realTarget(file);
    const std::filesystem::path dir = target.parent_path().empty() ? "." : target.parent_path();
    // A save cut short by a crash leaves its temporary file; no other writer is saving now.
    const std::string stale = target.filename().string() + ".tmp";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == stale.size() + 6 && name.starts_with(stale))
            ::unlink(entry.path().c_str());
    }
    std::string pattern = (dir / (target.filename().string() + ".tmpXXXXXX")).string();
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        error = errnoText("cannot create a file in", dir);
        return false;
    }
    const std::filesystem::path temp = pattern;
    auto abandon = [&](const std::string& why) {
        error = why;
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    };
    struct stat old {};
    const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    if (::fchmod(fd, mode) != 0 || !writeAll(fd, text) || ::fsync(fd) != 0)
        return abandon(errnoText("cannot write", temp));
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return abandon(errnoText("cannot inspect", temp));
    if (SaveHook hook = g_saveHook.load(); hook && !hook(temp))
        return abandon("the save was interrupted");
    if (::close(fd) != 0) {
        ::unlink(temp.c_str());
        error = errnoText("cannot write", temp);
        return false;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        error = errnoText("cannot replace", target);
        ::unlink(temp.c_str());
        return false;
    }
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    // The renamed inode is the one written; rename changes its ctime, so ask again.
    struct stat after {};
    identity = ::stat(file.c_str(), &after) == 0 ? FileIdentity::of(after) : FileIdentity::of(st);
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

// Earlier versions serialised writers through an empty "<hive>.lock" beside the hive.
void removeOldLockFile(const std::filesystem::path& target) {
    const std::string old = target.string() + ".lock";
    struct stat st {};
    if (::lstat(old.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0)
        ::unlink(old.c_str());
}

} // namespace

WriterLock::WriterLock(const std::filesystem::path& file) {
    // Writers lock the hive's folder: unlike the hive, which every save replaces by
    // rename, the folder stays the same file, and locking it leaves nothing behind.
    const std::filesystem::path target = realTarget(file);
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno != EWOULDBLOCK && errno != EINTR) {
        const int standIn = openStandIn(fd);
        ::close(fd);
        fd = standIn;
        if (fd < 0)
            return;
    }
    if (!lockExclusive(fd)) {
        ::close(fd);
        return;
    }
    m_fd = fd;
    removeOldLockFile(target);
}

WriterLock::~WriterLock() {
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
}

} // namespace platform::hive
