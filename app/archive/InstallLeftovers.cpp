#include "InstallLeftovers.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
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
    std::optional<unsigned long long> start;
};

// What the name says when it is one of ours.
OurName parse(std::string_view name) {
    OurName ours;
    if (!name.starts_with(kPrefix))
        return ours;
    name.remove_prefix(kPrefix.size());
    if (!readNumber(name, ours.pid) || ours.pid <= 0)
        return ours;
    if (name.starts_with('.')) {
        name.remove_prefix(1);
        unsigned long long start = 0;
        if (!readNumber(name, start))
            return ours;
        ours.start = start;
    }
    if (!name.starts_with('~'))
        return ours;
    name.remove_prefix(1);
    unsigned counter = 0;
    if (name == "run") {
        if (ours.start)
            ours.kind = Kind::RunMark;
    } else if (readNumber(name, counter) && name.empty()) {
        ours.kind = Kind::Temporary;
    }
    return ours;
}

bool processGone(const OurName& ours) {
    if (::kill(ours.pid, 0) != 0 && errno == ESRCH)
        return true;
    if (!ours.start)
        return false; // a process of that number runs: it may be the writer
    const auto running = processStart(ours.pid);
    return running && *running != *ours.start;
}

// Removes a folder that holds folders alone, at any depth. Only folders are removed: the
// system refuses to remove one that holds anything else.
bool removeEmptyTree(int parent, const std::string& name, size_t depth) {
    const int fd = ::openat(parent, name.c_str(), kFolderFlags);
    if (fd < 0)
        return false;
    std::vector<std::string> folders;
    if (DIR* dir = fdopendir(fd)) {
        while (const dirent* item = readdir(dir)) {
            const std::string_view entry = item->d_name;
            if (entry != "." && entry != ".." && entryType(dir, *item) == DT_DIR)
                folders.emplace_back(entry);
        }
        for (const std::string& folder : folders) {
            if (depth < kMaxDepth)
                removeEmptyTree(dirfd(dir), folder, depth + 1);
        }
        closedir(dir);
    } else {
        ::close(fd);
    }
    return ::unlinkat(parent, name.c_str(), AT_REMOVEDIR) == 0;
}

// One folder of the walk.
struct Level {
    int fd = -1;
    std::string name;
    std::vector<std::string> folders;      // still to visit
    std::vector<std::string> emptyFolders; // visited: they hold folders alone
    bool holdsFile = false;                // anything but a folder stays in it
    bool removedBelow = false;             // something of ours went from it or below it
};

} // namespace

unsigned char entryType(DIR* dir, const dirent& item) {
    if (item.d_type != DT_UNKNOWN)
        return item.d_type;
    struct stat st {};
    if (fstatat(dirfd(dir), item.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return DT_UNKNOWN;
    return S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
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

Kind stale(std::string_view name) {
    const OurName ours = parse(name);
    if (ours.kind == Kind::None || !processGone(ours))
        return Kind::None;
    return ours.kind;
}

bool isLiveRunMark(std::string_view name) {
    const OurName ours = parse(name);
    return ours.kind == Kind::RunMark && !processGone(ours);
}

Swept sweep(const std::filesystem::path& themesFolder, bool everyFolder) {
    const int fd = ::open(themesFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return {};
    const Swept swept = sweep(fd, everyFolder);
    ::close(fd);
    return swept;
}

Swept sweep(int themesFolderFd, bool everyFolder) {
    Swept swept;
    const int top = ::openat(themesFolderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (top < 0)
        return swept;
    // The themes folder is read whole before any folder below it goes, so that the mark
    // of an install running now is known first: what it writes into is never taken away.
    bool installRuns = false;
    bool killedMark = false;
    std::vector<Level> stack;
    stack.push_back({top, {}, {}, {}, false, false});
    bool fresh = true;
    while (!stack.empty()) {
        Level& level = stack.back();
        if (fresh) {
            fresh = false;
            const int fd = ::openat(level.fd, ".", kFolderFlags);
            DIR* dir = fd < 0 ? nullptr : fdopendir(fd);
            if (!dir) {
                if (fd >= 0)
                    ::close(fd);
                level.holdsFile = true; // unreadable: whatever it holds stays
            }
            while (dir) {
                const dirent* item = readdir(dir);
                if (!item)
                    break;
                const std::string_view name = item->d_name;
                if (name == "." || name == "..")
                    continue;
                const unsigned char type = entryType(dir, *item);
                if (type == DT_DIR) {
                    if (stack.size() <= kMaxDepth)
                        level.folders.emplace_back(name);
                    else
                        level.holdsFile = true;
                    continue;
                }
                const Kind kind = type == DT_REG ? stale(name) : Kind::None;
                killedMark = killedMark || (kind == Kind::RunMark && stack.size() == 1);
                if (kind == Kind::RunMark && stack.size() > 1)
                    level.holdsFile = true; // a mark lies only in the themes folder
                else if (kind != Kind::None && ::unlinkat(dirfd(dir), item->d_name, 0) == 0) {
                    ++swept.files;
                    level.removedBelow = true;
                } else {
                    level.holdsFile = true;
                    if (stack.size() == 1 && type == DT_REG && isLiveRunMark(name))
                        installRuns = true;
                }
            }
            if (dir)
                closedir(dir);
            if (stack.size() == 1 && !everyFolder && !killedMark)
                level.folders.clear();
        }
        if (!level.folders.empty()) {
            const std::string next = std::move(level.folders.back());
            level.folders.pop_back();
            const int fd = ::openat(level.fd, next.c_str(), kFolderFlags);
            if (fd < 0) {
                level.holdsFile = true;
                continue;
            }
            stack.push_back({fd, next, {}, {}, false, false});
            fresh = true;
            continue;
        }
        Level done = std::move(stack.back());
        stack.pop_back();
        if (stack.empty()) {
            ::close(done.fd);
            break;
        }
        Level& parent = stack.back();
        if (done.holdsFile) {
            ::close(done.fd);
            parent.holdsFile = true;
            continue;
        }
        if (!done.removedBelow || installRuns) {
            ::close(done.fd);
            parent.emptyFolders.push_back(done.name);
            continue;
        }
        // Nothing but folders is left where leftovers were: it goes, with those folders.
        for (const std::string& empty : done.emptyFolders)
            swept.folders += removeEmptyTree(done.fd, empty, stack.size() + 1) ? 1 : 0;
        ::close(done.fd);
        if (::unlinkat(parent.fd, done.name.c_str(), AT_REMOVEDIR) == 0) {
            ++swept.folders;
            parent.removedBelow = true;
        } else {
            parent.holdsFile = true;
        }
    }
    return swept;
}

} // namespace InstallLeftovers
