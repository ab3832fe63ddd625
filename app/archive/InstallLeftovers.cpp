#include "InstallLeftovers.h"

#include "InstallJournal.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace InstallLeftovers {
namespace {

constexpr std::string_view kPrefix = ".kolv~";
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// No install writes deeper than a Windows path reaches (259 characters, two a level).
constexpr size_t kMaxDepth = 130;

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

// Reads a decimal number from text; false unless at least one digit was there.
template <class T> bool readNumber(std::string_view& text, T& value) {
    const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || p == text.data())
        return false;
    text.remove_prefix(static_cast<size_t>(p - text.data()));
    return true;
}

struct OurName {
    Kind kind = Kind::None;
    pid_t pid = 0;
    unsigned long long start = 0;
};

// What the name says when it is one of ours.
OurName parse(std::string_view name) {
    OurName ours;
    if (!name.starts_with(kPrefix))
        return ours;
    name.remove_prefix(kPrefix.size());
    if (!readNumber(name, ours.pid) || ours.pid <= 0 || !name.starts_with('.'))
        return ours;
    name.remove_prefix(1);
    if (!readNumber(name, ours.start) || !name.starts_with('~'))
        return ours;
    name.remove_prefix(1);
    unsigned counter = 0;
    if (name == kRunMark)
        ours.kind = Kind::RunMark;
    else if (name == kKeptRecord)
        ours.kind = Kind::KeptRecord;
    else if (readNumber(name, counter) && name.empty())
        ours.kind = Kind::Temporary;
    return ours;
}

bool processGone(const OurName& ours) {
    if (::kill(ours.pid, 0) != 0 && errno == ESRCH)
        return true;
    const auto running = processStart(ours.pid);
    return running && *running != ours.start;
}

// Removes a folder that holds folders alone, at any depth. Only folders are removed: the
// system refuses to remove one that holds anything else.
bool removeEmptyTree(int parent, const std::string& name, size_t depth) {
    if (const FolderReader dir = readFolder(parent, name.c_str())) {
        std::vector<std::string> folders;
        while (const dirent* item = readdir(dir.get())) {
            const std::string_view entry = item->d_name;
            if (entry != "." && entry != ".." && entryType(dir.get(), *item) == DT_DIR)
                folders.emplace_back(entry);
        }
        for (const std::string& folder : folders) {
            if (depth < kMaxDepth)
                removeEmptyTree(dirfd(dir.get()), folder, depth + 1);
        }
    }
    return ::unlinkat(parent, name.c_str(), AT_REMOVEDIR) == 0;
}

// One folder of the walk.
struct Level {
    platform::UniqueFd fd;
    std::string name;
    std::vector<std::string> folders;      // still to visit
    std::vector<std::string> emptyFolders; // visited: they hold folders alone
    bool holdsFile = false;                // anything but a folder stays in it
    bool removedBelow = false;             // something of ours went from it or below it
};

} // namespace

FolderReader readFolder(int parentFd, const char* name) {
    platform::UniqueFd fd(::openat(parentFd, name, kFolderFlags));
    DIR* dir = fd ? fdopendir(fd.get()) : nullptr;
    if (dir)
        fd.release(); // the reader closes it
    return FolderReader(dir);
}

unsigned char entryType(DIR* dir, const dirent& item) {
    if (item.d_type != DT_UNKNOWN)
        return item.d_type;
    struct stat st {};
    if (fstatat(dirfd(dir), item.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return DT_UNKNOWN;
    return S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
}

bool FolderLeftovers::take(std::string_view name, Kind kind) {
    if (kind == Kind::Temporary)
        m_temporaries.emplace_back(name);
    else if (kind == Kind::KeptRecord)
        m_records.emplace_back(name);
    else
        return false;
    return true;
}

FolderLeftovers::Settled FolderLeftovers::settle(int folderFd) {
    Settled settled;
    std::unordered_set<std::string> staying; // files kept aside that could not go back
    std::vector<std::string> unreadInstalls; // the prefixes of records that could not be read
    for (const std::string& record : m_records) {
        const InstallJournal::Settled journal = InstallJournal::settle(folderFd, record, m_temporaries);
        settled.restored.insert(settled.restored.end(), journal.restored.begin(), journal.restored.end());
        staying.insert(journal.staying.begin(), journal.staying.end());
        if (!journal.read)
            unreadInstalls.push_back(record.substr(0, record.size() - kKeptRecord.size()));
        if (journal.whole && ::unlinkat(folderFd, record.c_str(), 0) == 0)
            ++settled.removed;
        else
            settled.stays = true;
    }
    for (const std::string& temporary : m_temporaries) {
        const bool unread =
            std::any_of(unreadInstalls.begin(), unreadInstalls.end(),
                        [&](const std::string& prefix) { return temporary.starts_with(prefix); });
        if (unread || staying.contains(temporary))
            settled.stays = true;
        else if (::unlinkat(folderFd, temporary.c_str(), 0) == 0)
            ++settled.removed;
        else if (errno != ENOENT) // a file put back has gone from here already
            settled.stays = true;
    }
    m_temporaries.clear();
    m_records.clear();
    return settled;
}

std::string ownPrefix() {
    static pid_t pid = 0;
    static std::string prefix;
    if (pid != getpid()) {
        pid = getpid();
        prefix = std::string(kPrefix) + std::to_string(pid);
        if (const auto start = processStart(pid))
            prefix += '.' + std::to_string(*start);
        prefix += '~';
    }
    return prefix;
}

Kind kindOf(std::string_view name) {
    return parse(name).kind;
}

Kind stale(std::string_view name) {
    const OurName ours = parse(name);
    if (ours.kind == Kind::None || !processGone(ours))
        return Kind::None;
    return ours.kind;
}

Kind staleEntry(std::string_view name, unsigned char type) {
    const Kind kind = stale(name);
    return kind == Kind::KeptRecord || type == DT_REG ? kind : Kind::None;
}

bool isLiveRunMark(std::string_view name) {
    const OurName ours = parse(name);
    return ours.kind == Kind::RunMark && !processGone(ours);
}

Swept sweep(const std::filesystem::path& themesFolder) {
    const platform::UniqueFd fd(::open(themesFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd ? sweep(fd.get()) : Swept{};
}

Swept sweep(int themesFolderFd) {
    Swept swept;
    platform::UniqueFd top(::openat(themesFolderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!top)
        return swept;
    // The themes folder is read whole before any folder below it goes, so that the mark
    // of an install running now is known first: what it writes into is never taken away.
    // The marks of killed installs go last, once what they left below has been settled: a
    // sweep that is stopped half-way leaves them for the next one to find.
    bool installRuns = false;
    std::vector<std::string> killedMarks;
    std::vector<Level> stack;
    stack.push_back({std::move(top), {}, {}, {}, false, false});
    bool fresh = true;
    while (!stack.empty()) {
        Level& level = stack.back();
        if (fresh) {
            fresh = false;
            const FolderReader dir = readFolder(level.fd.get(), ".");
            if (!dir)
                level.holdsFile = true; // unreadable: whatever it holds stays
            FolderLeftovers leftovers;
            while (dir) {
                const dirent* item = readdir(dir.get());
                if (!item)
                    break;
                const std::string_view name = item->d_name;
                if (name == "." || name == "..")
                    continue;
                const unsigned char type = entryType(dir.get(), *item);
                const Kind kind = staleEntry(name, type);
                if (leftovers.take(name, kind))
                    continue;
                if (type == DT_DIR) {
                    if (stack.size() <= kMaxDepth)
                        level.folders.emplace_back(name);
                    else
                        level.holdsFile = true;
                    continue;
                }
                if (kind == Kind::RunMark && stack.size() == 1) {
                    killedMarks.emplace_back(name);
                    continue;
                }
                // Anything else stays, a mark below the themes folder too (none lies there).
                level.holdsFile = true;
                if (stack.size() == 1 && type == DT_REG && isLiveRunMark(name))
                    installRuns = true;
            }
            if (dir) {
                const FolderLeftovers::Settled settled = leftovers.settle(dirfd(dir.get()));
                swept.files += settled.removed;
                swept.restored += settled.restored.size();
                level.removedBelow = settled.removed > 0;
                level.holdsFile = level.holdsFile || settled.stays || !settled.restored.empty();
            }
            // An install leaves its mark in the themes folder: without the mark of a killed
            // one, nothing of theirs lies below it.
            if (stack.size() == 1 && killedMarks.empty())
                level.folders.clear();
        }
        if (!level.folders.empty()) {
            const std::string next = std::move(level.folders.back());
            level.folders.pop_back();
            platform::UniqueFd fd(::openat(level.fd.get(), next.c_str(), kFolderFlags));
            if (!fd) {
                level.holdsFile = true;
                continue;
            }
            stack.push_back({std::move(fd), next, {}, {}, false, false});
            fresh = true;
            continue;
        }
        Level done = std::move(stack.back());
        stack.pop_back();
        if (stack.empty()) {
            for (const std::string& mark : killedMarks)
                swept.files += ::unlinkat(done.fd.get(), mark.c_str(), 0) == 0 ? 1 : 0;
            break;
        }
        Level& parent = stack.back();
        if (done.holdsFile) {
            parent.holdsFile = true;
            continue;
        }
        if (!done.removedBelow || installRuns) {
            parent.emptyFolders.push_back(done.name);
            continue;
        }
        // Nothing but folders is left where leftovers were: it goes, with those folders.
        for (const std::string& empty : done.emptyFolders)
            swept.folders += removeEmptyTree(done.fd.get(), empty, stack.size() + 1) ? 1 : 0;
        done.fd.reset();
        if (::unlinkat(parent.fd.get(), done.name.c_str(), AT_REMOVEDIR) == 0) {
            ++swept.folders;
            parent.removedBelow = true;
        } else {
            parent.holdsFile = true;
        }
    }
    return swept;
}

} // namespace InstallLeftovers
