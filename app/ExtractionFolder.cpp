#include "ExtractionFolder.h"

#include "EntryNames.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

struct ExtractionFolder::Folder {
    Folder* parent = nullptr;
    int fd = -1;      // an open handle of it, or -1
    std::string name; // as spelled on disk; empty for the extraction folder
    bool listed = false;
    bool created = false; // made by this extraction
    bool named = false;   // an entry of the archive names it
    Listing entries;
    std::unordered_map<std::string, std::unique_ptr<Folder>> subfolders; // by name on disk
};

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::string join(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + '/' + name;
}

// The names of ours: ".kolv~<pid>.<start>~<n>" a temporary file, ".kolv~<pid>.<start>~run"
// the mark an extraction keeps in the extraction folder while it runs. Hidden, unlike any
// name an archive of ours would hold, and naming the process that writes them, by its
// number and its start time (a number alone may belong to a later process). Earlier
// versions wrote temporary files as ".kolv~<pid>~<n>" and no mark.
constexpr std::string_view kTempPrefix = ".kolv~";

// The start time of a process in clock ticks after boot, from /proc/<pid>/stat.
std::optional<unsigned long long> processStart(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    if (!std::getline(in, stat))
        return std::nullopt;
    // The command name may hold anything, brackets and blanks too: count from its end.
    const size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return std::nullopt;
    std::string_view rest = std::string_view(stat).substr(close + 1);
    for (int field = 3; field <= 22; ++field) {
        const size_t start = rest.find_first_not_of(' ');
        if (start == std::string_view::npos)
            return std::nullopt;
        rest.remove_prefix(start);
        const size_t end = std::min(rest.find(' '), rest.size());
        if (field == 22) {
            unsigned long long value = 0;
            const auto [p, ec] = std::from_chars(rest.data(), rest.data() + end, value);
            if (ec != std::errc() || p != rest.data() + end)
                return std::nullopt;
            return value;
        }
        rest.remove_prefix(end);
    }
    return std::nullopt;
}

// This process's prefix (read again in a child made by fork, which is another process).
std::string ownTempPrefix() {
    static pid_t pid = 0;
    static std::string prefix;
    if (pid != getpid()) {
        pid = getpid();
        prefix = std::string(kTempPrefix) + std::to_string(pid);
        if (const auto start = processStart(pid))
            prefix += '.' + std::to_string(*start);
        prefix += '~';
    }
    return prefix;
}

// Reads a decimal number from text; false unless at least one digit was there.
template <class T> bool readNumber(std::string_view& text, T& value) {
    const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || p == text.data())
        return false;
    text.remove_prefix(static_cast<size_t>(p - text.data()));
    return true;
}

enum class Leftover { None, Temporary, RunMark };

// Which of our names this is, if any, whose process has gone: its number runs no process,
// or a process that started at another time than the one named.
Leftover staleLeftover(std::string_view name) {
    if (!name.starts_with(kTempPrefix))
        return Leftover::None;
    name.remove_prefix(kTempPrefix.size());
    pid_t pid = 0;
    unsigned long long start = 0;
    unsigned counter = 0;
    if (!readNumber(name, pid) || pid <= 0)
        return Leftover::None;
    const bool hasStart = name.starts_with('.');
    if (hasStart) {
        name.remove_prefix(1);
        if (!readNumber(name, start))
            return Leftover::None;
    }
    if (!name.starts_with('~'))
        return Leftover::None;
    name.remove_prefix(1);
    Leftover kind = Leftover::Temporary;
    if (name == "run")
        kind = hasStart ? Leftover::RunMark : Leftover::None;
    else if (!readNumber(name, counter) || !name.empty())
        return Leftover::None;
    if (::kill(pid, 0) != 0 && errno == ESRCH)
        return kind;
    if (!hasStart)
        return Leftover::None; // a process of that number runs: it may be the writer
    const auto running = processStart(pid);
    return running && *running != start ? kind : Leftover::None;
}

// DT_DIR, DT_REG or another type of a folder entry, a link never followed.
unsigned char entryType(DIR* dir, const dirent& item) {
    if (item.d_type != DT_UNKNOWN)
        return item.d_type;
    struct stat st {};
    if (fstatat(dirfd(dir), item.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return DT_UNKNOWN;
    return S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
}

} // namespace

void ExtractionFolder::Listing::add(const std::string& name, bool isFolder) {
    byName[name] = Child{name, isFolder};
    byFolded.emplace(EntryNames::foldedName(name), name);
}

const ExtractionFolder::Listing::Child* ExtractionFolder::Listing::find(const std::string& name) const {
    auto exact = byName.find(name);
    if (exact != byName.end())
        return &exact->second;
    auto folded = byFolded.find(EntryNames::foldedName(name));
    if (folded == byFolded.end())
        return nullptr;
    return &byName.find(folded->second)->second;
}

ExtractionFolder::ExtractionFolder() : m_root(std::make_unique<Folder>()) {}

ExtractionFolder::~ExtractionFolder() {
    removeMark();
    forgetHandles();
    if (m_fd >= 0)
        ::close(m_fd);
}

int ExtractionFolder::open(const std::filesystem::path& hostFolder) {
    // The folders create_directories is about to make, so that they can go again when
    // nothing is extracted into them.
    std::error_code error;
    std::vector<std::filesystem::path> missing;
    std::filesystem::path folder = hostFolder.lexically_normal();
    if (!folder.has_filename() && folder.has_parent_path())
        folder = folder.parent_path(); // "a/b/" names "a/b"
    for (std::filesystem::path p = folder; !p.empty() && !std::filesystem::exists(p, error);
         p = p.parent_path()) {
        missing.insert(missing.begin(), p);
        if (p == p.parent_path())
            break;
    }
    std::filesystem::create_directories(hostFolder, error);
    m_fd = ::open(hostFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0)
        return error ? error.value() : errno;
    for (const auto& p : missing) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            m_createdAbove.push_back(p);
    }
    if (!missing.empty())
        m_root->listed = true; // new and empty: no need to read it
    return 0;
}

void ExtractionFolder::forgetHandles() {
    for (Folder* folder : m_handles) {
        ::close(folder->fd);
        folder->fd = -1;
    }
    m_handles.clear();
}

int ExtractionFolder::handle(Folder& folder) {
    if (&folder == m_root.get())
        return m_fd;
    if (folder.fd >= 0)
        return folder.fd;
    // Archives write into a few folders by turns: their handles stay open, within a limit.
    if (m_handles.size() >= kMaxHandles)
        forgetHandles();
    // Each level is opened from the handle of the one above it, once.
    std::vector<Folder*> chain;
    for (Folder* f = &folder; f != m_root.get() && f->fd < 0; f = f->parent)
        chain.push_back(f);
    int fd = chain.back()->parent == m_root.get() ? m_fd : chain.back()->parent->fd;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        fd = ::openat(fd, (*it)->name.c_str(), kFolderFlags);
        if (fd < 0)
            return -1;
        (*it)->fd = fd;
        m_handles.push_back(*it);
    }
    return fd;
}

ExtractionFolder::Folder& ExtractionFolder::child(Folder& parent, const std::string& name) {
    std::unique_ptr<Folder>& slot = parent.subfolders[name];
    if (!slot) {
        slot = std::make_unique<Folder>();
        slot->parent = &parent;
        slot->name = name;
    }
    return *slot;
}

std::string ExtractionFolder::path(const Folder& folder) const {
    std::vector<const Folder*> chain;
    for (const Folder* f = &folder; f != m_root.get(); f = f->parent)
        chain.push_back(f);
    std::string out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        out = join(out, (*it)->name);
    return out;
}

ExtractionFolder::Folder* ExtractionFolder::resolve(const std::vector<std::string>& components, size_t count,
                                                    int& err, std::string& error) {
    Folder* folder = m_root.get();
    for (size_t i = 0; i < count; ++i) {
        const std::string& wanted = components[i];
        Listing& entries = listing(*folder);
        if (const Listing::Child* existing = entries.find(wanted)) {
            if (!existing->isFolder) {
                err = ENOTDIR;
                error = "a file of that name is in the way of the folder " + join(path(*folder), wanted);
                return nullptr;
            }
            folder = &child(*folder, existing->name);
            continue;
        }
        const int dir = handle(*folder);
        const int made = dir < 0 ? -1 : ::mkdirat(dir, wanted.c_str(), 0777);
        if (made != 0) {
            err = errno;
            struct stat st {};
            if (dir < 0 || err != EEXIST || ::fstatat(dir, wanted.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISDIR(st.st_mode)) {
                error = "cannot create the folder " + join(path(*folder), wanted) + ": " + std::strerror(err);
                return nullptr;
            }
        }
        entries.add(wanted, true);
        folder = &child(*folder, wanted);
        if (made == 0) { // not when someone else made it meanwhile: that one is not ours
            folder->created = true;
            folder->listed = true; // new and empty: no need to read it
            m_created.push_back(folder);
        }
    }
    err = 0;
    return folder;
}

void ExtractionFolder::named(Folder& folder) {
    folder.named = true;
}

ExtractionFolder::Existing ExtractionFolder::find(Folder& folder, const std::string& name) {
    Existing result;
    if (const Listing::Child* child = listing(folder).find(name)) {
        result.found = true;
        result.isFolder = child->isFolder;
        result.name = child->name;
    }
    return result;
}

ExtractionFolder::Listing& ExtractionFolder::listing(Folder& folder) {
    Listing& result = folder.entries;
    if (folder.listed)
        return result;
    folder.listed = true;
    const int dirFd = handle(folder);
    const int fd = dirFd < 0 ? -1 : ::openat(dirFd, ".", kFolderFlags);
    if (fd < 0)
        return result;
    DIR* dir = fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return result;
    }
    while (const dirent* item = readdir(dir)) {
        const std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        const unsigned char type = entryType(dir, *item);
        // What an extraction killed earlier left here goes as it is seen.
        switch (type == DT_REG ? staleLeftover(name) : Leftover::None) {
        case Leftover::Temporary:
            ::unlinkat(dirfd(dir), item->d_name, 0);
            continue;
        case Leftover::RunMark:
            if (&folder == m_root.get())
                m_staleMarks.push_back(name);
            break;
        case Leftover::None:
            break;
        }
        // A link to a folder counts as a file: nothing is ever written through one.
        result.add(name, type == DT_DIR);
    }
    closedir(dir);
    return result;
}

int ExtractionFolder::createTemporary(Folder& folder, std::string& tempName) {
    const int dir = handle(folder);
    if (dir < 0)
        return -1;
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (m_tempPrefix.empty())
            m_tempPrefix = ownTempPrefix();
        tempName = m_tempPrefix + std::to_string(m_tempCounter++);
        const int fd =
            ::openat(dir, tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

int ExtractionFolder::commit(Folder& folder, const std::string& tempName, const std::string& name) {
    const int dir = handle(folder);
    if (dir < 0 || ::renameat(dir, tempName.c_str(), dir, name.c_str()) != 0)
        return errno;
    Listing& files = listing(folder);
    if (!files.find(name))
        files.add(name, false);
    return 0;
}

void ExtractionFolder::discard(Folder& folder, const std::string& tempName) {
    const int dir = handle(folder);
    if (dir >= 0)
        ::unlinkat(dir, tempName.c_str(), 0);
}

void ExtractionFolder::begin(size_t maxDepth) {
    // Reading the top folder removes the leftovers there and finds the marks of
    // extractions that were killed; only then can temporary files lie anywhere below.
    listing(*m_root);
    if (!m_staleMarks.empty()) {
        removeStaleTemporaries(maxDepth);
        for (const std::string& mark : m_staleMarks)
            ::unlinkat(m_fd, mark.c_str(), 0);
        m_staleMarks.clear();
    }
    m_mark = ownTempPrefix() + "run";
    const int fd = ::openat(m_fd, m_mark.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        m_mark.clear();
    else
        ::close(fd);
}

void ExtractionFolder::finish(bool keepNamed) {
    removeMark();
    removeUnused(keepNamed);
}

void ExtractionFolder::removeMark() {
    if (!m_mark.empty() && m_fd >= 0)
        ::unlinkat(m_fd, m_mark.c_str(), 0);
    m_mark.clear();
}

void ExtractionFolder::removeUnused(bool keepNamed) {
    // Made in order, so a folder comes after the one holding it. A folder that holds
    // anything is not empty, and the system refuses to remove it.
    bool allGone = true;
    for (auto it = m_created.rbegin(); it != m_created.rend(); ++it) {
        Folder& folder = **it;
        if (keepNamed && folder.named) {
            allGone = false;
            continue;
        }
        const int dir = handle(*folder.parent);
        if (dir < 0 || ::unlinkat(dir, folder.name.c_str(), AT_REMOVEDIR) != 0) {
            allGone = false;
            continue;
        }
        folder.parent->entries.byName.erase(folder.name);
        folder.parent->entries.byFolded.erase(EntryNames::foldedName(folder.name));
    }
    m_created.clear();
    forgetHandles();
    if (!allGone)
        return;
    for (auto it = m_createdAbove.rbegin(); it != m_createdAbove.rend(); ++it) {
        if (::rmdir(it->c_str()) != 0)
            break;
    }
    m_createdAbove.clear();
}

void ExtractionFolder::removeStaleTemporaries(size_t maxDepth) {
    // Depth first with one handle per level, each folder's entries read before going down.
    struct Level {
        int fd;
        std::vector<std::string> folders;
    };
    std::vector<Level> stack;
    const int top = ::openat(m_fd, ".", kFolderFlags);
    if (top < 0)
        return;
    stack.push_back({top, {}});
    bool fresh = true;
    while (!stack.empty()) {
        Level& level = stack.back();
        if (fresh) {
            fresh = false;
            const int fd = ::openat(level.fd, ".", kFolderFlags);
            DIR* dir = fd < 0 ? nullptr : fdopendir(fd);
            if (!dir && fd >= 0)
                ::close(fd);
            while (dir) {
                const dirent* item = readdir(dir);
                if (!item)
                    break;
                const std::string_view name = item->d_name;
                if (name == "." || name == "..")
                    continue;
                const unsigned char type = entryType(dir, *item);
                if (type == DT_DIR && stack.size() <= maxDepth)
                    level.folders.emplace_back(name);
                else if (type == DT_REG && staleLeftover(name) == Leftover::Temporary)
                    ::unlinkat(dirfd(dir), item->d_name, 0);
            }
            if (dir)
                closedir(dir);
        }
        if (level.folders.empty()) {
            ::close(level.fd);
            stack.pop_back();
            continue;
        }
        const std::string next = std::move(level.folders.back());
        level.folders.pop_back();
        const int fd = ::openat(level.fd, next.c_str(), kFolderFlags);
        if (fd >= 0) {
            stack.push_back({fd, {}});
            fresh = true;
        }
    }
}
