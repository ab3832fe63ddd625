#pragma once
// How long an answer about the file system may be reused before the file system is asked
// again. Another program's change is seen within this time; the caches that use it save
// the system calls of thousands of tests in a row.

#include <chrono>
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
// notes it here (host folder without its last '/', the entry's name); a test of that very
// entry within kRecheckInterval takes the answer instead of asking the system again.
// Callers list a folder and test each name they get, one after the other.
void noteEnterable(std::string_view hostFolder, std::string_view name, bool enterable);
std::optional<bool> notedEnterable(std::string_view hostFolder, std::string_view name);

} // namespace platform
