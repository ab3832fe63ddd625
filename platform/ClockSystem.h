#pragma once
// What each back end asks its own system for behind Clock.h; Clock.cpp adds what both share.

#include <ctime>
#include <string>

namespace platform {

// Local time of day in seconds since midnight, with fractions.
double systemSecondsSinceMidnight();

// The short date, a space and the time with seconds, by the regional settings.
std::string systemDateText(std::time_t when);

} // namespace platform
