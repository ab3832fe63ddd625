#include "platform/linux/Recheck.h"

#include <atomic>
#include <string>

namespace platform {
namespace {

// The one entry a listing reported last, per thread.
struct EnterableNote {
    std::string folder;
    std::string name;
    RecheckClock::time_point at;
    bool enterable = false;
    bool valid = false;
};
thread_local EnterableNote enterableNote;

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

void noteEnterable(std::string_view hostFolder, std::string_view name, bool enterable) {
    EnterableNote& note = enterableNote;
    note.folder.assign(withoutTrailingSlash(hostFolder));
    note.name.assign(name);
    note.enterable = enterable;
    note.at = RecheckClock::now();
    note.valid = true;
}

std::optional<bool> notedEnterable(std::string_view hostFolder, std::string_view name) {
    EnterableNote& note = enterableNote;
    if (!note.valid || note.name != name || note.folder != withoutTrailingSlash(hostFolder))
        return std::nullopt;
    // Taken once: a second test of the same entry asks the system.
    note.valid = false;
    if (RecheckClock::now() - note.at >= kRecheckInterval)
        return std::nullopt;
    return note.enterable;
}

} // namespace platform
