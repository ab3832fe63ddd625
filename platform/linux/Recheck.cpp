#include "platform/linux/Recheck.h"

#include <atomic>
#include <string>

namespace platform {
namespace {

// The one entry a listing reported last, per thread. The folders are written only when
// another listing notes, so a listing's notes cost little more than its names.
struct EnterableNote {
    uint64_t listing = 0;
    std::string folder;
    std::string windowsFolder;
    std::string name;
    RecheckClock::time_point at;
    bool enterable = false;
    bool valid = false;
};
thread_local EnterableNote enterableNote;

std::atomic<uint64_t> listings{0};

// What tests moved the clock on by, in the clock's ticks.
std::atomic<RecheckClock::rep> skipped{0};

std::string_view withoutTrailingSlash(std::string_view folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.remove_suffix(1);
    return folder;
}

} // namespace

RecheckClock::time_point RecheckClock::now() noexcept {
    return std::chrono::steady_clock::now() + duration(skipped.load(std::memory_order_relaxed));
}

void advanceRecheckClockForTests(RecheckClock::duration by) {
    if (by > RecheckClock::duration::zero())
        skipped.fetch_add(by.count(), std::memory_order_relaxed);
}

uint64_t newListingNumber() {
    return listings.fetch_add(1, std::memory_order_relaxed) + 1;
}

void noteEnterable(uint64_t listing, std::string_view hostFolder, std::string_view windowsFolder,
                   std::string_view name, bool enterable) {
    EnterableNote& note = enterableNote;
    if (note.listing != listing || listing == 0) {
        note.listing = listing;
        note.folder.assign(withoutTrailingSlash(hostFolder));
        note.windowsFolder.assign(windowsFolder);
    }
    note.name.assign(name);
    note.enterable = enterable;
    note.at = RecheckClock::now();
    note.valid = true;
}

namespace {

// The note's answer, taken once: a second test of the same entry asks the system.
std::optional<bool> takeNote(EnterableNote& note) {
    note.valid = false;
    if (RecheckClock::now() - note.at >= kRecheckInterval)
        return std::nullopt;
    return note.enterable;
}

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

} // namespace

std::optional<bool> notedEnterable(std::string_view hostFolder, std::string_view name) {
    EnterableNote& note = enterableNote;
    if (!note.valid || note.name != name || note.folder != withoutTrailingSlash(hostFolder))
        return std::nullopt;
    return takeNote(note);
}

std::optional<bool> notedEnterableAt(std::string_view windowsPath) {
    EnterableNote& note = enterableNote;
    if (!note.valid || note.windowsFolder.empty())
        return std::nullopt;
    while (!windowsPath.empty() && isSeparator(windowsPath.back()))
        windowsPath.remove_suffix(1);
    const std::string& folder = note.windowsFolder;
    if (windowsPath.size() != folder.size() + 1 + note.name.size() ||
        !isSeparator(windowsPath[folder.size()]) || windowsPath.substr(0, folder.size()) != folder ||
        windowsPath.substr(folder.size() + 1) != note.name)
        return std::nullopt;
    return takeNote(note);
}

} // namespace platform
