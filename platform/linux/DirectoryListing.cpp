#include "platform/DirectoryListing.h"

#include "platform/Codepage.h"
#include "platform/FileAttributes.h"
#include "platform/NameCharacters.h"
#include "platform/Paths.h"
#include "platform/linux/DosAttributeText.h"
#include "platform/linux/FolderEntries.h"
#include "platform/linux/Paths.h"
#include "platform/linux/Recheck.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>

#include <cstring>
#include <memory>

namespace platform {
namespace {

// Folds text into out, reusing its storage; false (out empty) when the text is not UTF-8.
bool foldInto(std::string_view text, std::u32string& out) {
    out.clear();
    for (size_t i = 0; i < text.size();) {
        if (const auto b = static_cast<unsigned char>(text[i]); b < 0x80) {
            out.push_back(foldCase(b));
            ++i;
            continue;
        }
        const auto c = decodeUtf8(text, i, Utf8Policy::Strict);
        if (!c) {
            out.clear();
            return false;
        }
        out.push_back(foldCase(*c));
    }
    return true;
}

std::u32string folded(std::string_view text) {
    std::u32string out;
    foldInto(text, out);
    return out;
}

// '*' any run of characters, '?' exactly one; both sides already folded.
bool wildMatch(std::u32string_view name, std::u32string_view pattern) {
    size_t n = 0, p = 0, starP = std::u32string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == U'*') {
            starP = p++;
            starN = n;
        } else if (starP != std::u32string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'*')
        ++p;
    return p == pattern.size();
}

// Reading user.DOSATTRIB relative to the folder's descriptor saves the kernel walking
// the whole path again for every entry, which is most of the cost of a mask that asks
// about hidden and system entries. getxattrat came with Linux 6.13; before it (or where a
// sandbox refuses it) the full path is used.
constexpr ssize_t kNoXattrAt = -2;
#if defined(SYS_getxattrat)
constexpr long kGetxattratCall = SYS_getxattrat;
#elif defined(__linux__) && !defined(__alpha__)
constexpr long kGetxattratCall = 464; // the same number on every other architecture
#else
constexpr long kGetxattratCall = -1;
#endif
std::atomic<bool> xattrAtMissing{kGetxattratCall < 0};

struct XattrArgs {
    uint64_t value;
    uint32_t size;
    uint32_t flags;
};

ssize_t getDosAttribAt(int dirFd, const char* name, char* buffer, size_t size) {
    if (xattrAtMissing.load(std::memory_order_relaxed))
        return kNoXattrAt;
    // Most entries carry no attribute: asked for its size first, the kernel needs no buffer
    // for a value that is not there, and a folder of thousands is listed that much faster.
    XattrArgs args{0, 0, 0};
    long result =
        ::syscall(kGetxattratCall, dirFd, name, AT_SYMLINK_NOFOLLOW, "user.DOSATTRIB", &args, sizeof args);
    if (result < 0 && (errno == ENOSYS || errno == EPERM)) {
        xattrAtMissing.store(true, std::memory_order_relaxed);
        return kNoXattrAt;
    }
    if (result <= 0)
        return result < 0 ? -1 : 0;
    if (static_cast<size_t>(result) > size) {
        errno = ERANGE;
        return -1;
    }
    args = {reinterpret_cast<uintptr_t>(buffer), static_cast<uint32_t>(size), 0};
    result =
        ::syscall(kGetxattratCall, dirFd, name, AT_SYMLINK_NOFOLLOW, "user.DOSATTRIB", &args, sizeof args);
    return result < 0 ? -1 : static_cast<ssize_t>(result);
}

// Whether a full DOS folder path ("C:\\", "C:\\windows\\") names its drive's root; nullopt
// for any other text, or one whose "." or ".." only the folder it leads to can settle.
std::optional<bool> namesDriveRoot(std::string_view folder) {
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    if (folder.size() < 3 || folder[1] != ':' || !separator(folder[2]))
        return std::nullopt;
    bool root = true;
    for (size_t i = 3; i < folder.size();) {
        size_t end = i;
        while (end < folder.size() && !separator(folder[end]))
            ++end;
        const std::string_view part = folder.substr(i, end - i);
        if (part == "." || part == "..")
            return std::nullopt;
        root = root && part.empty();
        i = end + 1;
    }
    return root;
}

} // namespace

struct DirectoryListing::State {
    FolderEntries entries{-1};
    std::string folder; // host folder, ending in '/'
    // The Windows folder text the listing was asked for, without trailing separators, when
    // it is a full DOS path (a test of an entry by that text needs no look-up); and the
    // listing's number for the notes of its entries.
    std::string windowsFolder;
    uint64_t number = newListingNumber();
    std::u32string pattern;
    mutable std::u32string nameBuffer; // the folded name being matched, its storage reused
    bool matchAll = false;
    uint32_t mask = 0;
    int dotsPending = 0; // "." and ".." still to report
    std::string current;
    std::string pathBuffer;
    char enterPath[NAME_MAX + 3];
    uint32_t known = 0;       // the attributes worked out for current so far
    mutable bool full = true; // known holds every attribute
    mutable uint32_t attributes = 0;

    bool matches(std::string_view name) const {
        if (matchAll)
            return true;
        std::u32string& n = nameBuffer;
        foldInto(name, n);
        if (wildMatch(n, pattern))
            return true;
        // As on Windows, a trailing ".*" or "." also takes a name that has no dot.
        if (n.find(U'.') == std::u32string::npos) {
            std::u32string_view p = pattern;
            if (p.size() >= 2 && p.substr(p.size() - 2) == U".*")
                return wildMatch(n, p.substr(0, p.size() - 2));
            if (!p.empty() && p.back() == U'.')
                return wildMatch(n, p.substr(0, p.size() - 1));
        }
        return false;
    }

    const char* fullPath(const char* name) {
        pathBuffer.assign(folder);
        pathBuffer.append(name);
        return pathBuffer.c_str();
    }

    // Hidden and system of an entry: from user.DOSATTRIB, else hidden for a dot name.
    // A folder's attribute is read through "name/.", which the system looks up only in a
    // folder that may be entered: so the same call answers that too, and the caller's
    // test of the entry that follows (Recheck.h) needs no call of its own.
    uint32_t hiddenAndSystem(const char* name, bool folderEntry) {
        char text[16];
        ssize_t size = kNoXattrAt;
        if (folderEntry) {
            const size_t length = std::strlen(name);
            if (length + 3 <= sizeof enterPath) {
                std::memcpy(enterPath, name, length);
                std::memcpy(enterPath + length, "/.", 3);
                size = getDosAttribAt(entries.fd(), enterPath, text, sizeof text);
                const int err = errno;
                // Any answer about the attribute itself means the folder was entered.
                const bool entered =
                    size >= 0 || err == ENODATA || err == EOPNOTSUPP || err == ERANGE || err == E2BIG;
                if (size != kNoXattrAt && entered) {
                    noteEnterable(number, folder, windowsFolder, std::string_view(name, length), true);
                } else if (size != kNoXattrAt) {
                    if (err == EACCES)
                        noteEnterable(number, folder, windowsFolder, std::string_view(name, length), false);
                    size = kNoXattrAt; // the entry itself is asked below
                }
            }
        }
        if (size == kNoXattrAt)
            size = getDosAttribAt(entries.fd(), name, text, sizeof text);
        if (size == kNoXattrAt)
            size = ::lgetxattr(fullPath(name), "user.DOSATTRIB", text, sizeof text);
        if (size > 0)
            if (const auto stored = parseDosAttributeText(std::string_view(text, static_cast<size_t>(size))))
                return *stored;
        return name[0] == '.' ? uint32_t{FILE_ATTRIBUTE_HIDDEN} : 0u;
    }

    // Whether the entry is (or leads to) a folder; nullopt when it vanished meanwhile.
    std::optional<bool> isFolder(const dirent64* entry) const {
        if (entry->d_type == DT_DIR)
            return true;
        if (entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK)
            return false;
        struct stat st {};
        if (::fstatat(entries.fd(), entry->d_name, &st, 0) == 0)
            return S_ISDIR(st.st_mode);
        if (::fstatat(entries.fd(), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
            return false; // a dangling link
        return std::nullopt;
    }
};

DirectoryListing::DirectoryListing(std::string_view windowsPattern, uint32_t attributeMask)
    : m_state(std::make_unique<State>()) {
    State& s = *m_state;
    s.mask = attributeMask;

    std::string_view folderText, namePart;
    size_t cut = windowsPattern.find_last_of("\\/");
    if (cut != std::string_view::npos) {
        folderText = windowsPattern.substr(0, cut + 1);
        namePart = windowsPattern.substr(cut + 1);
    } else if (windowsPattern.size() >= 2 && windowsPattern[1] == ':') {
        folderText = windowsPattern.substr(0, 2);
        namePart = windowsPattern.substr(2);
    } else {
        namePart = windowsPattern;
    }
    // An empty pattern names nothing, as FindFirstFile("") finds nothing.
    if (windowsPattern.empty() || windowsPattern.find('\0') != std::string_view::npos)
        return;
    if (namePart.empty() || namePart == "*" || namePart == "*.*")
        s.matchAll = true;
    else if (s.pattern = folded(namePart); s.pattern.empty())
        return; // not UTF-8: nothing can match

    std::string host;
    s.entries.reset(openFolder(folderText.empty() ? std::string_view(".") : folderText, host));
    if (!s.entries.isOpen())
        return;
    s.folder = host;
    if (s.folder.back() != '/')
        s.folder += '/';
    if (folderText.size() >= 3 && folderText[1] == ':' && (folderText[2] == '\\' || folderText[2] == '/')) {
        std::string_view windows = folderText;
        while (!windows.empty() && (windows.back() == '\\' || windows.back() == '/'))
            windows.remove_suffix(1);
        s.windowsFolder.assign(windows);
    }

    // "." and ".." are only ever reported to a mask that takes folders, so only such a
    // listing pays for finding out whether this is a drive root; the checkup's many
    // per-style file listings do not. A full DOS path says so itself, as Windows decides
    // it from the path; another pattern is looked up (a walk of the path and a listing of
    // dosdevices).
    if (attributeMask & FILE_ATTRIBUTE_DIRECTORY) {
        std::optional<bool> driveRoot = namesDriveRoot(folderText);
        if (!driveRoot) {
            const auto dos = toDosPath(host);
            driveRoot = dos && dos->size() == 3;
        }
        if (!*driveRoot)
            s.dotsPending = 2;
    }
}

DirectoryListing::~DirectoryListing() = default;

std::optional<std::string> DirectoryListing::next() {
    State& s = *m_state;
    if (!s.entries.isOpen())
        return std::nullopt;
    while (s.dotsPending > 0) {
        const char* dots = s.dotsPending == 2 ? "." : "..";
        --s.dotsPending;
        if (s.matches(dots)) {
            s.current = dots;
            s.known = s.attributes = FILE_ATTRIBUTE_DIRECTORY;
            s.full = true;
            return s.current;
        }
    }
    // Hidden and system are only looked up when the mask could exclude an entry for them.
    const bool needHiddenSystem = (s.mask & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) !=
                                  (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    while (const dirent64* entry = s.entries.next()) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        const std::string_view view(name, std::strlen(name));
        // A name Windows could not hold would turn into a different path (or several
        // components) in the caller's hands.
        if (hasForbiddenNameCharacter(view) || !isValidUtf8(view))
            continue;
        if (!s.matches(view))
            continue;
        const auto folder = s.isFolder(entry);
        if (!folder)
            continue;
        uint32_t known = *folder ? uint32_t{FILE_ATTRIBUTE_DIRECTORY} : 0u;
        if (needHiddenSystem)
            known |= s.hiddenAndSystem(name, entry->d_type == DT_DIR);
        if (!maskTakes(s.mask, known))
            continue;
        s.current.assign(view);
        s.known = known;
        s.full = false;
        return s.current;
    }
    s.entries.close();
    return std::nullopt;
}

uint32_t DirectoryListing::attributes() const {
    State& s = *m_state;
    if (!s.full) {
        s.attributes = fileAttributes(s.folder + s.current).value_or(s.known);
        s.full = true;
    }
    return s.attributes;
}

} // namespace platform
