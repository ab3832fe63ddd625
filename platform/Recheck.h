#pragma once
// How long an answer about the file system may be reused before the file system is asked
// again. Another program's change is seen within this time; the caches that use it save
// the system calls of thousands of tests in a row.

#include <chrono>

namespace platform {

using RecheckClock = std::chrono::steady_clock;
inline constexpr auto kRecheckInterval = std::chrono::milliseconds(2);

} // namespace platform
