#include "platform/linux/PathCaches.h"

#include "platform/NameCharacters.h"
#include "platform/Paths.h"
#include "platform/WindowsRoot.h"
#include "platform/linux/EntryTests.h"
#include "platform/linux/RootFolders.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace platform::paths {
namespace {

// The folder a dosdevices entry leads to, with every link resolved, or nothing when the
// entry does not lead anywhere.
std::optional<std::string> resolveDriveEntry(const std::string& entry) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(entry.c_str(), nullptr), &std::free);
    if (!real)
        return std::nullopt;
    return std::string(real.get());
}

// Resolving a drive's link costs a system call per component of the root's path, and
// every path test of a catalogue of thousands of styles asks for it. So each drive's
// resolved folder is remembered with the text of its link: one readlink tells whether
// the entry still says the same, and an unverified lookup trusts an answer confirmed
// less than kRecheckInterval ago without asking at all. (A link further along, such as a
// drive folder that is itself a link, is followed when the drive's own entry changes.)
// Entries that are not links are resolved every time.
class DriveCache {
public:
    // The drive's folder; unverified means the caller finds out whether it exists by
    // using it.
    std::optional<std::string> target(const std::string& dosdevices, char letter, bool verify) {
        letter = lowerLetter(letter);
        const auto now = RecheckClock::now();
        if (!verify) {
            std::lock_guard lock(m_mutex);
            for (const Slot& slot : m_slots)
                if (slot.letter == letter && now - slot.confirmed < kRecheckInterval &&
                    slot.dosdevices == dosdevices)
                    return slot.target;
        }
        std::string entry = dosdevices;
        entry += '/';
        entry += letter;
        entry += ':';
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(entry.c_str(), buffer, sizeof buffer);
        if (length < 0 || length == static_cast<ssize_t>(sizeof buffer)) {
            auto target = resolveDriveEntry(entry);
            return target && isFolderFollowingLinks(*target) ? target : std::nullopt;
        }
        const std::string_view link(buffer, static_cast<size_t>(length));
        std::optional<std::string> known;
        {
            std::lock_guard lock(m_mutex);
            for (Slot& slot : m_slots)
                if (slot.letter == letter && slot.link == link && slot.dosdevices == dosdevices) {
                    known = slot.target;
                    slot.confirmed = now;
                    break;
                }
        }
        if (known)
            return !verify || isFolderFollowingLinks(*known) ? known : std::nullopt;
        auto target = resolveDriveEntry(entry);
        if (!target || !isFolderFollowingLinks(*target))
            return std::nullopt;
        std::lock_guard lock(m_mutex);
        std::erase_if(m_slots, [&](const Slot& slot) {
            return slot.letter == letter && slot.dosdevices == dosdevices;
        });
        if (m_slots.size() >= kSlots)
            m_slots.erase(m_slots.begin());
        m_slots.push_back({dosdevices, letter, std::string(link), *target, now});
        return target;
    }

private:
    struct Slot {
        std::string dosdevices;
        char letter;
        std::string link;
        std::string target;
        RecheckClock::time_point confirmed;
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

} // namespace

std::optional<std::string> driveTarget(const std::string& dosdevices, char letter, bool verify) {
    return driveCache().target(dosdevices, letter, verify);
}

// The root's dosdevices folder as text; the hot paths build no path objects.
const std::string& dosdevicesFolder() {
    // The same first rules as windowsRoot(), remembered for the WINEPREFIX it came from.
    thread_local std::string prefixSeen;
    thread_local std::string folder;
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix && *prefix && !rootChosen()) {
        if (folder.empty() || prefixSeen != prefix) {
            prefixSeen = prefix;
            folder = prefixSeen + "/dosdevices";
        }
        return folder;
    }
    prefixSeen.clear();
    folder = (windowsRoot() / "dosdevices").native();
    return folder;
}

bool splitDosPath(std::string_view path, std::string_view& folder, std::string_view& name) {
    if (path.size() < 4 || !hasDrive(path) || !isSeparator(path[2]) ||
        path.find('\0') != std::string_view::npos)
        return false;
    size_t end = path.size();
    while (end > 3 && isSeparator(path[end - 1]))
        --end;
    size_t start = end;
    while (start > 3 && !isSeparator(path[start - 1]))
        --start;
    if (start == end)
        return false;
    name = path.substr(start, end - start);
    if (name == "." || name == ".." || hasForbiddenNameCharacter(name))
        return false;
    size_t folderEnd = start;
    while (folderEnd > 3 && isSeparator(path[folderEnd - 1]))
        --folderEnd;
    folder = path.substr(0, folderEnd);
    return true;
}

FolderHandles::Slot* FolderHandles::freshParent(std::string_view windowsFolder, const std::string& dosdevices,
                                                RecheckClock::time_point now, std::string_view& name) {
    std::string_view parentText;
    if (!splitDosPath(windowsFolder, parentText, name))
        return nullptr;
    for (Slot& s : m_slots)
        if (s.fd && now - s.opened < kRecheckInterval && s.windowsFolder == parentText &&
            s.dosdevices == dosdevices)
            return &s;
    return nullptr;
}

void FolderHandles::reopen(Slot& slot, std::string_view windowsFolder, const std::string& dosdevices,
                           const Slot* parent, std::string_view nameText, RecheckClock::time_point now) {
    slot.fd.reset();
    slot.windowsFolder.assign(windowsFolder);
    slot.dosdevices = dosdevices;
    slot.opened = now;
    constexpr int kFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    if (parent) {
        NameBuffer name;
        if (!name.assign(nameText))
            return;
        slot.fd.reset(inFolderIgnoringCase(parent->fd.get(), name, -1, [&](const NameBuffer& n) {
            const int fd = ::openat(parent->fd.get(), n.c_str(), kFlags);
            return fd >= 0 ? std::optional(fd) : noEntryOr(-1);
        }));
        if (slot.fd) {
            slot.host = parent->host;
            if (slot.host.back() != '/')
                slot.host += '/';
            slot.host += name.view();
            slot.opened = parent->opened;
        }
        return;
    }
    if (const auto host = toHostPath(windowsFolder)) {
        slot.host = host->native();
        slot.fd.reset(::open(slot.host.c_str(), kFlags));
    }
}

FolderHandles& folderHandles() {
    static FolderHandles handles;
    return handles;
}

} // namespace platform::paths
