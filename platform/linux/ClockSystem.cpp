#include "platform/ClockSystem.h"

#include "platform/Clock.h"

#include <langinfo.h>
#include <locale.h>

namespace platform {

double systemSecondsSinceMidnight() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    ::localtime_r(&now.tv_sec, &local);
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + now.tv_nsec / 1e9;
}

// Formats with the LC_TIME conventions of the environment, leaving the program's
// global locale alone (Qt and the C++ streams rely on it).
std::string systemDateText(std::time_t when) {
    std::tm local{};
    ::localtime_r(&when, &local);
    locale_t locale = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (!locale)
        locale = ::newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
    if (!locale)
        return {};
    // The short date and the time with seconds of the regional settings.
    const std::string format =
        std::string(::nl_langinfo_l(D_FMT, locale)) + " " + ::nl_langinfo_l(T_FMT, locale);
    char buffer[256];
    const size_t length = ::strftime_l(buffer, sizeof buffer, format.c_str(), &local, locale);
    ::freelocale(locale);
    return std::string(buffer, length);
}

uint32_t GetTickCount() {
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    const auto milliseconds =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(milliseconds); // wraps like the Windows counter
}

} // namespace platform
