#include "InstallJournal.h"

#include "InstallLeftovers.h"
#include "platform/Diagnostics.h"
#include "platform/Problem.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace InstallJournal {
namespace {

constexpr char kEntryEnd = '\0';
constexpr char kEntrySeparator = '/';
// Longer than any entry an install writes (a number and a name of a folder's entry).
constexpr size_t kMaxEntry = 64 + NAME_MAX;

std::string recordName() {
    return InstallLeftovers::ownPrefix() + std::string(InstallLeftovers::kKeptRecord);
}

// The entry saying that the temporary file asideName holds the file that was named name.
std::string entryText(std::string_view asideName, std::string_view name) {
    std::string entry(asideName.substr(asideName.rfind('~') + 1)); // its number
    entry += kEntrySeparator;
    entry += name;
    entry += kEntryEnd;
    return entry;
}

// The number text starts with, taken from it; nothing unless it starts with a digit.
std::optional<unsigned> takeNumber(std::string_view& text) {
    unsigned number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (ec != std::errc() || end == text.data())
        return std::nullopt;
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    return number;
}

// The number of the temporary file and the name an entry of a record gives, when it names
// a file that is there (present: the numbers of its install's temporary files in the
// folder) and a plain entry of its folder; nothing otherwise.
std::optional<std::pair<unsigned, std::string_view>> readEntry(std::string_view entry,
                                                               const std::unordered_set<unsigned>& present) {
    const std::optional<unsigned> number = takeNumber(entry);
    if (!number || !present.contains(*number) || !entry.starts_with(kEntrySeparator))
        return std::nullopt;
    entry.remove_prefix(1);
    if (entry.empty() || entry == "." || entry == ".." ||
        entry.find(kEntrySeparator) != std::string_view::npos ||
        InstallLeftovers::kindOf(entry) != InstallLeftovers::Kind::None)
        return std::nullopt;
    return std::pair{*number, entry};
}

enum class Reading { Whole, Unreadable, TooLong };

// Calls take for each complete entry of the record, within its first kMaxRecordSize bytes.
// An entry without its end (the install was killed while appending it) is passed over; an
// install appends nothing after one. A record that is no plain file is not read (and a
// pipe never waited on).
template <class Take> Reading forEachEntry(int folder, const std::string& record, Take take) {
    const platform::UniqueFd fd(
        ::openat(folder, record.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return Reading::Unreadable;
    std::string pending;
    bool overlong = false; // the rest of an entry too long to be one of ours is passed over
    size_t left = kMaxRecordSize;
    char block[1 << 14];
    for (;;) {
        const ssize_t n = ::read(fd.get(), block, std::min(sizeof block, left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Reading::Unreadable;
        if (n == 0)
            break;
        left -= static_cast<size_t>(n);
        for (std::string_view rest(block, static_cast<size_t>(n)); !rest.empty();) {
            const size_t end = rest.find(kEntryEnd);
            const std::string_view part = rest.substr(0, end);
            if (!overlong && pending.size() + part.size() <= kMaxEntry)
                pending.append(part);
            else
                overlong = true;
            if (end == std::string_view::npos)
                break;
            if (!overlong)
                take(std::string_view(pending));
            pending.clear();
            overlong = false;
            rest.remove_prefix(end + 1);
        }
    }
    return static_cast<uint64_t>(st.st_size) > kMaxRecordSize ? Reading::TooLong : Reading::Whole;
}

// The path of the entry name of the folder open at folderFd, for a diagnostic line.
std::string pathOf(int folderFd, const std::string& name) {
    std::error_code error;
    const std::filesystem::path folder =
        std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(folderFd), error);
    return error ? name : (folder / name).string();
}

enum class PutBack { Restored, NeverReplaced, Gone, Refused };

// Puts back under name, in the same folder, the first of the files kept aside for it that
// is still there: the install that first replaced the name kept the original. The later
// ones hold versions an install wrote in between (an undo could not put the first back,
// and a later install of the same process replaced the name again): they go, and go
// first, so that a sweep stopped half-way never leaves one to be taken for the original.
PutBack putBack(int folder, const std::vector<std::string>& asideNames, const std::string& name) {
    struct stat kept {};
    size_t first = 0;
    for (; first < asideNames.size(); ++first) {
        if (::fstatat(folder, asideNames[first].c_str(), &kept, AT_SYMLINK_NOFOLLOW) == 0)
            break;
        if (errno != ENOENT)
            return PutBack::Refused;
    }
    if (first == asideNames.size())
        return PutBack::Gone;
    struct stat there {};
    const bool occupied = ::fstatat(folder, name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0;
    if (!occupied && errno != ENOENT)
        return PutBack::Refused;
    // An install puts plain files in place; anything else came later and stays.
    if (occupied && !S_ISREG(there.st_mode))
        return PutBack::Refused;
    // Killed before it replaced the file: the original never left.
    const bool neverReplaced = occupied && there.st_dev == kept.st_dev && there.st_ino == kept.st_ino;
    // What goes back is a plain file that the name it had (replaced since) no longer
    // shares: never a link, nor a file that has a name elsewhere too, whatever a record
    // planted by someone else says.
    if (!S_ISREG(kept.st_mode) || (kept.st_nlink != 1 && !neverReplaced))
        return PutBack::Refused;
    for (size_t later = first + 1; later < asideNames.size(); ++later) {
        if (::unlinkat(folder, asideNames[later].c_str(), 0) != 0 && errno != ENOENT)
            return PutBack::Refused;
    }
    // (Renaming one name of a file over another would do nothing.)
    if (neverReplaced)
        return ::unlinkat(folder, asideNames[first].c_str(), 0) == 0 ? PutBack::NeverReplaced
                                                                     : PutBack::Refused;
    return ::renameat(folder, asideNames[first].c_str(), folder, name.c_str()) == 0 ? PutBack::Restored
                                                                                    : PutBack::Refused;
}

} // namespace

int Record::enter(int dir, const std::string& asideName, const std::string& name, platform::WriteCall write) {
    if (m_cut)
        return EIO;
    if (!m_fd) {
        platform::UniqueFd fd(::openat(dir, recordName().c_str(),
                                       O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!fd)
            return errno;
        const off_t size = ::lseek(fd.get(), 0, SEEK_END);
        if (size < 0)
            return EIO;
        m_fd = std::move(fd);
        m_size = size;
        if (!m_opened) {
            m_opened = true;
            m_start = size;
        }
    }
    const std::string entry = entryText(asideName, name);
    // A record is read no further: a file entered beyond it would never go back.
    if (static_cast<size_t>(m_size) + entry.size() > kMaxRecordSize)
        return EFBIG;
    // No fsync: the record is to outlive the process, which the page cache does.
    std::size_t written = 0;
    if (platform::writeAll(m_fd.get(), entry, &written, write)) {
        m_size += static_cast<off_t>(written);
        return 0;
    }
    const int err = errno;
    // A part of an entry would run into the next one: it goes, or nothing more is entered.
    if (written > 0 && ::ftruncate(m_fd.get(), m_size) != 0)
        m_cut = true;
    return err;
}

void Record::remove(int dir) {
    close();
    if (dir >= 0 && m_start == 0) {
        ::unlinkat(dir, recordName().c_str(), 0);
    } else if (dir >= 0) {
        // Should the earlier entries stay too, the files they name go next, and nothing
        // goes back by them.
        const platform::UniqueFd fd(::openat(dir, recordName().c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
        if (fd && ::ftruncate(fd.get(), m_start) != 0)
            m_cut = true;
    }
    m_opened = false;
}

Settled settle(int folderFd, const std::string& record, const std::vector<std::string>& temporaries) {
    Settled settled;
    const std::string prefix = record.substr(0, record.size() - InstallLeftovers::kKeptRecord.size());
    std::unordered_set<unsigned> present;
    for (std::string_view temporary : temporaries) {
        if (!temporary.starts_with(prefix))
            continue;
        temporary.remove_prefix(prefix.size());
        if (const auto number = takeNumber(temporary); number && temporary.empty())
            present.insert(*number);
    }
    // The names in the order of their first entries, each with its files kept aside in the
    // order they were entered. An entry whose file is not here was settled before (or names
    // nothing of its install's): it costs nothing more. An install enters a file once: a
    // second entry for it is passed over.
    std::vector<std::string> names;
    std::unordered_map<std::string, std::vector<std::string>> asideNames;
    const Reading reading = forEachEntry(folderFd, record, [&](std::string_view text) {
        const auto entry = readEntry(text, present);
        if (!entry)
            return;
        present.erase(entry->first);
        const auto [named, first] = asideNames.try_emplace(std::string(entry->second));
        if (first)
            names.push_back(named->first);
        named->second.push_back(prefix + std::to_string(entry->first));
    });
    if (reading == Reading::Unreadable)
        return settled;
    if (reading == Reading::TooLong)
        platform::diagnose({platform::Problem::RecordTooLong,
                            pathOf(folderFd, record),
                            {},
                            static_cast<long>(kMaxRecordSize)});
    // What lies past the end read may name any of the install's files: they stay.
    settled.read = reading == Reading::Whole;
    settled.whole = settled.read;
    for (const std::string& name : names) {
        const std::vector<std::string>& kept = asideNames[name];
        const PutBack result = putBack(folderFd, kept, name);
        if (result == PutBack::Restored)
            settled.restored.push_back(name);
        if (result == PutBack::Refused) {
            settled.staying.insert(settled.staying.end(), kept.begin(), kept.end());
            settled.whole = false;
        }
    }
    return settled;
}

} // namespace InstallJournal
