#pragma once
// How long an answer about the file system may be reused before the file system is asked
// again. Another program's change is seen within this time; the caches that use it save
// the system calls of thousands of tests in a row.

#include <chrono>
#include <optional>
#include <string_view>

namespace platform {

using RecheckClock = std::chrono::steady_clock;
inline constexpr auto kRecheckInterval = std::chrono::milliseconds(2);

// A listing that found out whether the folder entry it is about to report can be entered
// notes it here (host folder without its last '/', the entry's name); a test of that very
// entry within kRecheckInterval takes the answer instead of asking the system again.
// Callers list a folder and test each name they get, one after the other.
void noteEnterable(std::string_view hostFolder, std::string_view name, bool enterable);
std::optional<bool> notedEnterable(std::string_view hostFolder, std::string_view name);

} // namespace platform
