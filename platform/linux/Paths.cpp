#include "platform/Paths.h"
#include "platform/linux/Paths.h"

#include "platform/Codepage.h"
#include "platform/NameCharacters.h"
#include "platform/linux/EntryTests.h"
#include "platform/linux/FolderEntries.h"
#include "platform/linux/PathCaches.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace fs = std::filesystem;

namespace platform {
namespace {

using namespace paths;

// The answer of test(dir, hostFolder, name) for the DOS path's last name in a handle of its
// folder. A test answers nullopt when no entry has the name as spelled (ENOENT); the entry
// equal to it ignoring case is then tested instead, and absent is the answer when there is
// none. nullopt when the path does not split or its folder cannot be opened: the caller
// then goes the long way.
template <class R, class Test>
std::optional<R> answerInFolder(std::string_view windowsPath, R absent, Test&& test) {
    std::string_view folderText, nameText;
    NameBuffer name;
    if (!splitDosPath(windowsPath, folderText, nameText) || !name.assign(nameText))
        return std::nullopt;
    return folderHandles().with(folderText, [&](int dir, const std::string& host) {
        return inFolderIgnoringCase(dir, name, absent, [&](NameBuffer& n) { return test(dir, host, n); });
    });
}

std::optional<std::string> driveTarget(char letter) {
    return paths::driveTarget(dosdevicesFolder(), letter, true);
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

// Calls part(component) for each non-empty component of text, split on both separators,
// until part returns false; returns whether every call returned true.
template <class Part> bool eachComponent(std::string_view text, Part&& part) {
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isSeparator(text[i]))
            ++i;
        size_t end = i;
        while (end < text.size() && !isSeparator(text[end]))
            ++end;
        if (end > i && !part(text.substr(i, end - i)))
            return false;
        i = end;
    }
    return true;
}

// Splits on both separators, dropping empty components and "."; ".." removes the
// component before it but never climbs above the start.
std::optional<std::vector<std::string_view>> components(std::string_view text) {
    std::vector<std::string_view> parts;
    const bool usable = eachComponent(text, [&](std::string_view part) {
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (part != ".") {
            if (hasForbiddenNameCharacter(part))
                return false;
            parts.push_back(part);
        }
        return true;
    });
    return usable ? std::optional(std::move(parts)) : std::nullopt;
}

// Appends text's components to out with '/' between them, when the text is plain: no "."
// or ".." and no character Windows forbids, the common case that needs no further rules.
// False (out partly written) otherwise; components() then decides.
bool appendPlainComponents(std::string_view text, std::string& out) {
    return eachComponent(text, [&](std::string_view part) {
        if (part == "." || part == ".." || hasForbiddenNameCharacter(part))
            return false;
        if (out.empty() || out.back() != '/')
            out += '/';
        out.append(part);
        return true;
    });
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
    return spellingInFolder(AT_FDCWD, folder.empty() ? "/" : folder.c_str(), name);
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
    auto target = paths::driveTarget(dosdevicesFolder(), letter, false);
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
    out.exact = *target;
    if (!appendPlainComponents(out.full, out.exact)) {
        const auto parts = components(out.full);
        if (!parts)
            return std::nullopt;
        out.exact = *target;
        for (std::string_view part : *parts) {
            if (out.exact.back() != '/')
                out.exact += '/';
            out.exact += part;
        }
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
    if (!isFolderFollowingLinks(path->target))
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
        const bool usable = eachComponent(windowsPath, [&](std::string_view part) {
            if (hasForbiddenNameCharacter(part))
                return false;
            if (host.back() != '/')
                host += '/';
            host.append(part);
            return true;
        });
        return usable ? std::optional(fs::path(host)) : std::nullopt;
    }
    // Rooted without a drive: on C:, the Windows root's own drive, whatever the current
    // directory. The working folder is the host's, in a Wine prefix mostly on Z: (the
    // host's root) or on no drive at all, and "\Resources\Themes\" (the themes folder
    // when the Windows directory cannot be read) must never name a folder of the host.
    if (windowsPath[0] == '\\')
        return dosToHost('c', windowsPath);
    // Relative to the current directory: the same rules as a full DOS path. Without a
    // drive entry holding the current directory (no z:), its host path stands in.
    const std::string current = currentDirectory();
    const bool onDrive = current.size() >= 3 && driveExists(current);
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
    // The entry a listing has just reported, named as its caller names it: the listing's
    // own answer, without looking the folder up.
    if (const auto noted = notedEnterableAt(windowsPath))
        return *noted;
    // The common case in one system call relative to the folder's handle: "." is looked up
    // only inside a folder we may search, and X_OK then asks for the folder itself.
    const auto answer =
        answerInFolder(windowsPath, false, [](int dir, const std::string& host, NameBuffer& name) {
            if (const auto noted = notedEnterable(host, name.view()))
                return std::optional(*noted);
            std::memcpy(name.text + name.size, "/.", 3);
            const bool enterable = ::faccessat(dir, name.c_str(), X_OK, 0) == 0;
            name.text[name.size] = '\0';
            return enterable ? std::optional(true) : noEntryOr(false);
        });
    if (answer)
        return *answer;
    struct stat st {};
    bool exists = false;
    const auto host = hostPathAndStat(windowsPath, st, exists);
    return host && exists && S_ISDIR(st.st_mode) && ::access(host->c_str(), X_OK) == 0;
}

bool isReadableFile(std::string_view windowsPath) {
    // "name\" names a folder; Windows refuses to open it as a file.
    if (windowsPath.empty() || isSeparator(windowsPath.back()))
        return false;
    // A plain file the process may read, asked of the kernel without opening it (nothing
    // is opened that could block, such as a pipe, or act on being opened, such as a device).
    const auto readable = [](int dir, const char* path, const struct stat& st) {
        return S_ISREG(st.st_mode) && ::faccessat(dir, path, R_OK, AT_EACCESS) == 0;
    };
    const auto answer =
        answerInFolder(windowsPath, false, [&](int dir, const std::string&, const NameBuffer& name) {
            struct stat st {};
            if (::fstatat(dir, name.c_str(), &st, 0) != 0)
                return noEntryOr(false);
            return std::optional(readable(dir, name.c_str(), st));
        });
    if (answer)
        return *answer;
    struct stat st {};
    bool exists = false;
    const auto host = hostPathAndStat(windowsPath, st, exists);
    return host && exists && readable(AT_FDCWD, host->c_str(), st);
}

int openFolder(std::string_view windowsFolder, std::string& hostPath) {
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    const auto answer =
        answerInFolder(windowsFolder, -1, [&](int dir, const std::string& host, const NameBuffer& name) {
            const int fd = ::openat(dir, name.c_str(), kFlags);
            if (fd < 0)
                return noEntryOr(-1);
            hostPath = host;
            if (hostPath.back() != '/')
                hostPath += '/';
            hostPath += name.view();
            return std::optional(fd);
        });
    if (answer)
        return *answer;
    const auto host = toHostPath(windowsFolder);
    if (!host)
        return -1;
    const int fd = ::open(host->c_str(), kFlags);
    if (fd >= 0)
        hostPath = host->string();
    return fd;
}

} // namespace platform
