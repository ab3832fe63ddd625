#pragma once
// Time of day, dates and the tick count.

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

namespace platform {

// Local time of day in seconds since midnight, with fractions (the clock behind the
// callers' Timer).
double secondsSinceMidnight();

// The general date form of the regional settings: the short date, a space, the time
// with seconds (e.g. "12/8/2026 2:45:07 PM" in en_US, "08.12.2026 14:45:07" in de_DE).
std::string generalDateText();
std::string generalDateText(std::time_t when);

// Milliseconds since the system started, in 32 bits (wraps after about 49.7 days).
uint32_t GetTickCount();

// Tests replace the time-of-day source (for example to cross midnight); an empty
// function restores the real clock.
void setSecondsSinceMidnightSourceForTests(std::function<double()> source);

} // namespace platform
