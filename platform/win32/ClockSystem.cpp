#include "platform/ClockSystem.h"

#include "platform/Clock.h"
#include "platform/win32/Wide.h"

#include <windows.h>

namespace platform {

double systemSecondsSinceMidnight() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
}

// The short date and the time of the user's regional settings.
std::string systemDateText(std::time_t when) {
    // Seconds since 1970 -> 100 ns units since 1601.
    const auto ticks = static_cast<ULONGLONG>(when) * 10000000ULL + 116444736000000000ULL;
    FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME universal{}, local{};
    if (!::FileTimeToSystemTime(&utc, &universal) ||
        !::SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        return {};
    wchar_t date[128], time[128];
    if (!::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, date, 128) ||
        !::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &local, nullptr, time, 128))
        return {};
    return win32::narrow(date) + " " + win32::narrow(time);
}

uint32_t GetTickCount() {
    return ::GetTickCount();
}

} // namespace platform
