#pragma once
// What the Linux paths remember between calls, so that a catalogue's thousands of path
// tests cost a system call or two each: each drive's resolved folder, and handles of the
// folders tested in last. Both are checked again within kRecheckInterval (Recheck.h), so a
// changed drive or folder is seen. Also the pieces of a DOS path they are keyed by. Only
// the Linux back end's Paths.cpp uses them.

#include "platform/UniqueFd.h"
#include "platform/linux/FolderEntries.h"
#include "platform/linux/Recheck.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace platform::paths {

inline bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

inline bool isDriveLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline char lowerLetter(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

inline bool hasDrive(std::string_view path) {
    return path.size() >= 2 && isDriveLetter(path[0]) && path[1] == ':';
}

// The root's dosdevices folder as text; the hot paths build no path objects.
const std::string& dosdevicesFolder();

// The folder drive letter of the dosdevices folder leads to, every link resolved; nothing
// when it leads to no folder. Unverified (verify false), an answer confirmed within
// kRecheckInterval is trusted without a system call: the caller finds out whether it
// exists by using it.
std::optional<std::string> driveTarget(const std::string& dosdevices, char letter, bool verify);

// A DOS path's folder text and last name, for the tests made relative to a handle of the
// folder: "C:\a\b\" gives "C:\a" and "b", "C:\b" gives "C:\" and "b". False when the path
// is not a drive, a separator and names, or its last name is "." or ".." or holds a
// character Windows forbids.
bool splitDosPath(std::string_view path, std::string_view& folder, std::string_view& name);

// otherwise the answer given.
template <class R> std::optional<R> noEntryOr(R answer) {
    return errno == ENOENT ? std::nullopt : std::optional<R>(answer);
}

// A name for the system calls, held without a heap allocation, with room for "/." after it.
struct NameBuffer {
    char text[NAME_MAX + 3];
    size_t size = 0;

    bool assign(std::string_view name) {
        if (name.size() > NAME_MAX)
            return false;
        std::memcpy(text, name.data(), name.size());
        size = name.size();
        text[size] = '\0';
        return true;
    }
    const char* c_str() const { return text; }
    std::string_view view() const { return {text, size}; }
};

// test(name) for the name in the folder open as dir and, when no entry has that spelling
// (test answers nullopt), for the entry equal to it ignoring case, which name then holds;
// absent when neither answers.
template <class R, class Test> R inFolderIgnoringCase(int dir, NameBuffer& name, R absent, Test&& test) {
    if (const std::optional<R> answer = test(name))
        return *answer;
    if (const auto spelling = spellingInFolder(dir, ".", name.view()); spelling && name.assign(*spelling))
        if (const std::optional<R> answer = test(name))
            return *answer;
    return absent;
}

// Handles of the folders tested in most recently, by their Windows text, so that a test of

// catalogue's thousands of tests are in one or two folders. A handle is used for
// kRecheckInterval after it was opened; then the folder is looked up again by its text, so
// a changed drive or a folder renamed or replaced under the same name is seen within that
// time. Changes inside the folder are seen at once, as every test looks its name up afresh.
class FolderHandles {
public:
    // test(fd, hostFolder) with a handle of the Windows folder; nullopt when the folder
    // cannot be opened.
    template <class Test>
    auto with(std::string_view windowsFolder, Test&& test)
        -> std::optional<decltype(test(0, std::string()))> {
        const std::string& dosdevices = dosdevicesFolder();
        std::lock_guard lock(m_mutex);
        const auto now = RecheckClock::now();
        Slot* slot = nullptr;
        for (Slot& s : m_slots)
            if (s.windowsFolder == windowsFolder && s.dosdevices == dosdevices)
                slot = &s;
        if (!slot || now - slot->opened >= kRecheckInterval) {
            std::string_view name;
            Slot* parent = freshParent(windowsFolder, dosdevices, now, name);
            if (!slot) {
                for (Slot& s : m_slots)
                    if (&s != parent && (!slot || s.lastUse < slot->lastUse))
                        slot = &s;
            }
            reopen(*slot, windowsFolder, dosdevices, parent, name, now);
        }
        slot->lastUse = ++m_uses;
        if (!slot->fd)
            return std::nullopt;
        return test(slot->fd.get(), slot->host);
    }

private:
    struct Slot {
        std::string windowsFolder;
        std::string dosdevices;
        std::string host;
        UniqueFd fd;
        RecheckClock::time_point opened;
        uint64_t lastUse = 0;
    };

    // A slot still fresh that holds the folder one level up ("C:\a" for "C:\a\b").
    Slot* freshParent(std::string_view windowsFolder, const std::string& dosdevices,
                      RecheckClock::time_point now, std::string_view& name);
    // Opens the folder into the slot: its name below a fresh parent's handle (a style
    // folder below the themes folder), otherwise by the whole path. A handle found through
    // a parent is as old as the parent's.
    void reopen(Slot& slot, std::string_view windowsFolder, const std::string& dosdevices, const Slot* parent,
                std::string_view nameText, RecheckClock::time_point now);

    // A style folder and the themes folder it lies in, as the checkup alternates them.
    std::array<Slot, 2> m_slots;
    uint64_t m_uses = 0;
    std::mutex m_mutex;
};

// The handles Paths.cpp's tests share.
FolderHandles& folderHandles();

} // namespace platform::paths
