#pragma once
// How long an answer about the file system may be reused before the file system is asked
// again. Another program's change is seen within this time; the caches that use it save
// the system calls of thousands of tests in a row.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

// The steady clock, which a test can move on instead of sleeping an interval out.
struct RecheckClock {
    using duration = std::chrono::steady_clock::duration;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::steady_clock::time_point;
    static constexpr bool is_steady = true;
    static time_point now() noexcept;
};
inline constexpr auto kRecheckInterval = std::chrono::milliseconds(2);

// Moves RecheckClock on as if that much time had passed. It only ever moves forward, so a
// test leaves nothing to put back: every later reading is just later.
void advanceRecheckClockForTests(RecheckClock::duration by);

// A listing that found out whether the folder entry it is about to report can be entered
// notes it here: which listing (newListingNumber()), its host folder without its last '/',
// the Windows folder text it was asked for (without trailing separators; empty when that
// was no full DOS path) and the entry's name. A test of that very entry within
// kRecheckInterval takes the answer, once, instead of asking the system again. Callers
// list a folder and test each name they get, one after the other.
uint64_t newListingNumber();
void noteEnterable(uint64_t listing, std::string_view hostFolder, std::string_view windowsFolder,
                   std::string_view name, bool enterable);
std::optional<bool> notedEnterable(std::string_view hostFolder, std::string_view name);
// The note found by the entry's Windows path as a listing's caller builds it (the folder
// text the listing was asked for, a separator, the name, any trailing separators), without
// looking the folder up at all.
std::optional<bool> notedEnterableAt(std::string_view windowsPath);

} // namespace platform
