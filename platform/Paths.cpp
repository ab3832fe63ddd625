#include "Paths.h"

#include "Codepage.h"
#include "WindowsRoot.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

namespace fs = std::filesystem;

namespace platform {
namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

bool isDriveLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lowerLetter(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool hasDrive(std::string_view path) {
    return path.size() >= 2 && isDriveLetter(path[0]) && path[1] == ':';
}

// The folder a dosdevices entry leads to, with every link resolved, or nothing when the
// entry does not lead anywhere.
std::optional<std::string> resolveDriveEntry(const std::string& entry) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(entry.c_str(), nullptr), &std::free);
    if (!real)
        return std::nullopt;
    return std::string(real.get());
}

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Resolving a drive's link costs a system call per component of the root's path, and
// every path test of a catalogue of thousands of styles asks for it. So each drive's
// resolved folder is remembered with the text of its link: one readlink tells whether
// the entry still says the same. (A link further along, such as a drive folder that is
// itself a link, is followed when the drive's own entry changes.) Entries that are not
// links are resolved every time.
class DriveCache {
public:
    // The drive's folder; unverified means the caller finds out whether it exists by
    // using it.
    std::optional<std::string> target(const std::string& dosdevices, char letter, bool verify) {
        std::string entry = dosdevices;
        entry += '/';
        entry += lowerLetter(letter);
        entry += ':';
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(entry.c_str(), buffer, sizeof buffer);
        if (length < 0 || length == static_cast<ssize_t>(sizeof buffer)) {
            auto target = resolveDriveEntry(entry);
            return target && isFolder(*target) ? target : std::nullopt;
        }
        const std::string_view link(buffer, static_cast<size_t>(length));
        std::optional<std::string> known;
        {
            std::lock_guard lock(m_mutex);
            for (const Slot& slot : m_slots)
                if (slot.link == link && slot.entry == entry) {
                    known = slot.target;
                    break;
                }
        }
        if (known)
            return !verify || isFolder(*known) ? known : std::nullopt;
        auto target = resolveDriveEntry(entry);
        if (!target || !isFolder(*target))
            return std::nullopt;
        std::lock_guard lock(m_mutex);
        if (m_slots.size() >= kSlots)
            m_slots.erase(m_slots.begin());
        m_slots.push_back({std::move(entry), std::string(link), *target});
        return target;
    }

private:
    struct Slot {
        std::string entry;
        std::string link;
        std::string target;
    };
    // A few Windows roots with a few drives each; tests make many roots one after another.
    static constexpr size_t kSlots = 32;
    std::mutex m_mutex;
    std::vector<Slot> m_slots;
};

DriveCache& driveCache() {
    static DriveCache cache;
    return cache;
}

// The root's dosdevices folder as text; the hot paths build no path objects.
std::string dosdevicesFolder() {
    // The same first rule as windowsRoot(), without making a path object of it.
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix)
        return std::string(prefix) + "/dosdevices";
    return (windowsRoot() / "dosdevices").native();
}

std::optional<std::string> driveTarget(char letter) {
    return driveCache().target(dosdevicesFolder(), letter, true);
}

// Every drive that resolves, in dosdevices order.
std::vector<std::pair<char, std::string>> driveTargets() {
    std::vector<std::pair<char, std::string>> drives;
    const std::string dosdevices = dosdevicesFolder();
    DIR* dir = ::opendir(dosdevices.c_str());
    if (!dir)
        return drives;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] >= 'a' && name[0] <= 'z' && name[1] == ':' && name[2] == '\0')
            if (auto target = driveTarget(name[0]))
                drives.emplace_back(name[0], std::move(*target));
    }
    ::closedir(dir);
    return drives;
}

// Splits on both separators, dropping empty components and "."; ".." removes the
// component before it but never climbs above the start.
std::optional<std::vector<std::string_view>> components(std::string_view text) {
    std::vector<std::string_view> parts;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isSeparator(text[i]))
            ++i;
        size_t end = i;
        while (end < text.size() && !isSeparator(text[end]))
            ++end;
        const std::string_view part = text.substr(i, end - i);
        i = end;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        if (hasForbiddenNameCharacter(part))
            return std::nullopt;
        parts.push_back(part);
    }
    return parts;
}

// The spelling under which name exists in folder: the exact one when present, otherwise
// the first entry equal to it ignoring case.
std::optional<std::string> existingSpelling(const std::string& folder, std::string_view name) {
    std::string candidate = folder;
    if (candidate.empty() || candidate.back() != '/')
        candidate += '/';
    candidate += name;
    struct stat st {};
    if (::lstat(candidate.c_str(), &st) == 0)
        return std::string(name);
    DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str());
    if (!dir)
        return std::nullopt;
    std::optional<std::string> found;
    while (const dirent* entry = ::readdir(dir)) {
        if (equalsIgnoreCase(entry->d_name, name)) {
            found = entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// base (a host folder) followed by the components, each spelled as it exists on disk
// where a spelling differing only in case does. Once a component is missing the rest
// are kept as given: they name something not made yet.
fs::path resolveUnder(std::string base, const std::vector<std::string_view>& parts) {
    bool searching = true;
    for (std::string_view part : parts) {
        std::optional<std::string> spelling;
        if (searching) {
            spelling = existingSpelling(base, part);
            searching = spelling.has_value();
        }
        if (base.empty() || base.back() != '/')
            base += '/';
        base += spelling ? *spelling : std::string(part);
    }
    return base;
}

std::optional<std::string> currentHostDirectory() {
    std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    if (!cwd)
        return std::nullopt;
    return std::string(cwd.get());
}

// A DOS path taken apart: its drive's folder, the path's text below it and the host
// path as spelled.
struct DosLookup {
    std::string target;
    std::string full;
    std::string exact;
};

std::optional<DosLookup> lookUpDos(char letter, std::string_view rest) {
    auto target = driveCache().target(dosdevicesFolder(), letter, false);
    if (!target)
        return std::nullopt;
    DosLookup out;
    if (rest.empty() || !isSeparator(rest.front())) {
        // "C:name" is relative to the current directory when that is on drive C:,
        // otherwise to the drive's root.
        const std::string current = currentDirectory();
        if (current.size() >= 3 && lowerLetter(current[0]) == lowerLetter(letter))
            out.full = current.substr(2) + "\\";
    }
    out.full += rest;
    const auto parts = components(out.full);
    if (!parts)
        return std::nullopt;
    out.exact = *target;
    for (std::string_view part : *parts) {
        if (out.exact.back() != '/')
            out.exact += '/';
        out.exact += part;
    }
    out.target = std::move(*target);
    return out;
}

// A DOS path's host path. When `found` is given and the path exists under its exact
// spelling, *found receives its stat and true is stored in *exists.
std::optional<fs::path> dosToHost(char letter, std::string_view rest, struct stat* found = nullptr,
                                  bool* exists = nullptr) {
    auto path = lookUpDos(letter, rest);
    if (!path)
        return std::nullopt;
    // Nearly every path asked for exists as spelled: one stat answers that, and only a
    // path that does not needs the walk matching each component ignoring case. A path
    // that exists as spelled is what the walk would give, since every component of it
    // exists under that spelling.
    struct stat st {};
    if (::stat(path->exact.c_str(), &st) == 0 && (path->exact != path->target || S_ISDIR(st.st_mode))) {
        if (found)
            *found = st;
        if (exists)
            *exists = true;
        return fs::path(std::move(path->exact));
    }
    // Most paths that do not exist as spelled are a missing (or differently cased) last
    // name in a folder that does: when that folder answers to its exact spelling, the walk
    // would keep every component before the last unchanged, so only the last one is
    // looked for, saving a lookup per component.
    const size_t slash = path->exact.rfind('/');
    if (path->exact != path->target && slash != std::string::npos && slash > 0) {
        const std::string parent = path->exact.substr(0, slash);
        if (::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            const std::string_view last = std::string_view(path->exact).substr(slash + 1);
            const auto spelling = existingSpelling(parent, last);
            return fs::path(parent + '/' + (spelling ? *spelling : std::string(last)));
        }
    }
    if (!isFolder(path->target))
        return std::nullopt;
    return resolveUnder(path->target, *components(path->full));
}

// The host path of a Windows path and, when it exists, its stat.
std::optional<fs::path> hostPathAndStat(std::string_view windowsPath, struct stat& st, bool& exists) {
    exists = false;
    if (hasDrive(windowsPath) && windowsPath.find('\0') == std::string_view::npos) {
        auto host = dosToHost(windowsPath[0], windowsPath.substr(2), &st, &exists);
        if (host && !exists)
            exists = ::stat(host->c_str(), &st) == 0;
        return host;
    }
    auto host = toHostPath(windowsPath);
    if (host)
        exists = ::stat(host->c_str(), &st) == 0;
    return host;
}

} // namespace

bool hasForbiddenNameCharacter(std::string_view name) {
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 32)
            return true;
        switch (c) {
        case '\\':
        case '/':
        case ':':
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|':
            return true;
        default:
            break;
        }
    }
    return false;
}

std::optional<fs::path> toHostPath(std::string_view windowsPath) {
    if (windowsPath.empty() || windowsPath.find('\0') != std::string_view::npos)
        return std::nullopt;
    if (hasDrive(windowsPath))
        return dosToHost(windowsPath[0], windowsPath.substr(2));
    if (windowsPath.size() >= 2 && windowsPath[0] == '\\' && isSeparator(windowsPath[1]))
        return std::nullopt; // \\server\share: there is no network here
    if (windowsPath[0] == '/') {
        // A host path: only the separators are made uniform, because callers append
        // Windows separators to it; names, "." and ".." are left for the kernel.
        std::string host = "/";
        size_t i = 0;
        while (i < windowsPath.size()) {
            while (i < windowsPath.size() && isSeparator(windowsPath[i]))
                ++i;
            size_t end = i;
            while (end < windowsPath.size() && !isSeparator(windowsPath[end]))
                ++end;
            const std::string_view part = windowsPath.substr(i, end - i);
            if (hasForbiddenNameCharacter(part))
                return std::nullopt;
            if (!part.empty()) {
                if (host.back() != '/')
                    host += '/';
                host.append(part);
            }
            i = end;
        }
        return fs::path(host);
    }
    // Rooted on the current drive, or relative to the current directory: the same rules
    // as a full DOS path. Without a drive entry holding the current directory (no z:),
    // the host's root stands in for the drive's.
    const std::string current = currentDirectory();
    const bool onDrive = current.size() >= 3 && driveExists(current);
    if (windowsPath[0] == '\\') {
        if (onDrive)
            return dosToHost(current[0], windowsPath);
        const auto parts = components(windowsPath);
        return parts ? std::optional<fs::path>(resolveUnder("/", *parts)) : std::nullopt;
    }
    if (onDrive)
        return dosToHost(current[0], current.substr(2) + "\\" + std::string(windowsPath));
    const auto cwd = currentHostDirectory();
    if (!cwd)
        return std::nullopt;
    const std::string joined = *cwd + "/" + std::string(windowsPath);
    const auto parts = components(joined);
    return parts ? std::optional<fs::path>(resolveUnder("/", *parts)) : std::nullopt;
}

std::optional<std::string> toDosPath(const fs::path& hostPath) {
    if (hostPath.empty())
        return std::nullopt;
    std::error_code ec;
    fs::path absolute = hostPath.is_absolute() ? hostPath : fs::absolute(hostPath, ec);
    if (ec)
        return std::nullopt;
    fs::path canonical = fs::weakly_canonical(absolute, ec);
    if (ec)
        canonical = absolute.lexically_normal();
    std::string host = canonical.string();
    while (host.size() > 1 && host.back() == '/')
        host.pop_back();

    // The drive with the longest folder holding the path; the host root as Z: otherwise.
    char letter = 'Z';
    std::string base = "/";
    for (const auto& [c, t] : driveTargets()) {
        const bool holds = host == t || (host.size() > t.size() && host.compare(0, t.size(), t) == 0 &&
                                         (t == "/" || host[t.size()] == '/'));
        if (holds && t.size() > base.size()) {
            letter = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            base = t;
        }
    }
    std::string dos{letter, ':', '\\'};
    const std::string_view rest = host.size() > base.size() ? std::string_view(host).substr(base.size()) : "";
    bool first = true;
    for (size_t i = 0; i < rest.size();) {
        while (i < rest.size() && rest[i] == '/')
            ++i;
        size_t end = rest.find('/', i);
        if (end == std::string_view::npos)
            end = rest.size();
        if (end > i) {
            const std::string_view part = rest.substr(i, end - i);
            // A host name Windows could not spell has no DOS path.
            if (hasForbiddenNameCharacter(part))
                return std::nullopt;
            if (!first)
                dos += '\\';
            dos += part;
            first = false;
        }
        i = end;
    }
    return dos;
}

bool driveExists(std::string_view drive) {
    if (drive.empty() || !isDriveLetter(drive[0]))
        return false;
    return driveTarget(drive[0]).has_value();
}

std::string currentDirectory() {
    const auto cwd = currentHostDirectory();
    if (!cwd)
        return {};
    return toDosPath(*cwd).value_or(std::string());
}

bool isEnterableDirectory(std::string_view windowsPath) {
    // The common case in one system call: "." is looked up only inside a folder we may
    // search, and X_OK then asks for the folder itself.
    if (hasDrive(windowsPath) && windowsPath.find('\0') == std::string_view::npos)
        if (const auto path = lookUpDos(windowsPath[0], windowsPath.substr(2)))
            if (::access((path->exact + "/.").c_str(), X_OK) == 0)
                return true;
    struct stat st {};
    bool exists = false;
    const auto host = hostPathAndStat(windowsPath, st, exists);
    return host && exists && S_ISDIR(st.st_mode) && ::access(host->c_str(), X_OK) == 0;
}

bool isReadableFile(std::string_view windowsPath) {
    // "name\" names a folder; Windows refuses to open it as a file.
    if (windowsPath.empty() || isSeparator(windowsPath.back()))
        return false;
    struct stat st {};
    bool exists = false;
    const auto host = hostPathAndStat(windowsPath, st, exists);
    if (!host || !exists || !S_ISREG(st.st_mode))
        return false;
    // Non-blocking, so that a file replaced by a pipe meanwhile cannot hang us.
    const int fd = ::open(host->c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular;
}

} // namespace platform
