// Pins the clock services: time of day with fractions and its test hook, the general
// date text of the regional settings, and the tick count since boot.
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <ctime>

#include <locale.h>
#include <stdlib.h>

#include <cstdlib>
#include <string>

#include <cmath>
#include <fstream>
#include <optional>

using namespace platform;

namespace {

// Sets an environment variable for a test (nullptr unsets it) and re-reads the time zone.
class EnvGuard {
public:
    EnvGuard(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
        ::tzset();
    }
    ~EnvGuard() {
        m_old ? ::setenv(m_name.c_str(), m_old->c_str(), 1) : ::unsetenv(m_name.c_str());
        ::tzset();
    }

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

int localSecondOfDay(std::time_t t) {
    std::tm tm{};
    ::localtime_r(&t, &tm);
    return tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
}

std::time_t utc(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return ::timegm(&tm);
}

// The locales the test needs, made from glibc's sources (package locales) into a folder of
// the test's own that LOCPATH names: a machine with the C locale alone has them too.
class PrivateLocales {
public:
    PrivateLocales() {
        char folder[] = "/tmp/kolv-locales-XXXXXX";
        if (!::mkdtemp(folder))
            return;
        m_folder = folder;
        for (const char* name : {"de_DE", "en_US"}) {
            const std::string command = "localedef -i " + std::string(name) + " -f UTF-8 -c '" + m_folder + "/" +
                                        name + ".UTF-8' >/dev/null 2>&1";
            if (std::system(command.c_str()) != 0)
                m_failed += std::string(m_failed.empty() ? "" : ", ") + name;
        }
    }
    ~PrivateLocales() {
        if (!m_folder.empty())
            std::system(("rm -rf '" + m_folder + "'").c_str());
    }
    const std::string& folder() const { return m_folder; }
    // The locales localedef could not make (empty when all were made).
    const std::string& failed() const { return m_failed; }

private:
    std::string m_folder;
    std::string m_failed;
};

} // namespace

TEST(Clock, SecondsSinceMidnightFollowsTheLocalClock) {
    EnvGuard tz("TZ", "IST-5:30"); // a half-hour offset shows local time is used
    // The same clock as the routine's: time() reads a coarser one that may lag a tick.
    const auto realNow = [] {
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        return static_cast<std::time_t>(now.tv_sec);
    };
    const std::time_t before = realNow();
    const double seconds = secondsSinceMidnight();
    const std::time_t after = realNow();
    const int low = localSecondOfDay(before), high = localSecondOfDay(after);
    if (high < low)
        GTEST_SKIP() << "midnight passed during the test";
    EXPECT_GE(seconds, low);
    EXPECT_LT(seconds, high + 1);
}

TEST(Clock, GeneralDateTextUsesTheTimeLocaleOfTheEnvironment) {
    EnvGuard tz("TZ", "UTC");
    const std::time_t when = utc(2026, 12, 8, 14, 45, 7);
    {
        EnvGuard all("LC_ALL", "C");
        EXPECT_EQ(generalDateText(when), "12/08/26 14:45:07");
    }
    {
        EnvGuard all("LC_ALL", nullptr);
        EnvGuard time("LC_TIME", "C.UTF-8");
        EXPECT_EQ(generalDateText(when), "12/08/26 14:45:07");
    }
    const PrivateLocales locales;
    ASSERT_FALSE(locales.folder().empty()) << "no folder for the locales";
    ASSERT_EQ(locales.failed(), "") << "localedef could not make these (scripts/deps installs locales)";
    EnvGuard path("LOCPATH", locales.folder().c_str());
    {
        EnvGuard all("LC_ALL", "de_DE.UTF-8");
        EXPECT_EQ(generalDateText(when), "08.12.2026 14:45:07");
    }
    {
        EnvGuard all("LC_ALL", "en_US.UTF-8");
        EXPECT_EQ(generalDateText(when), "12/08/2026 02:45:07 PM");
    }
    {
        EnvGuard all("LC_ALL", "xx_NOWHERE");
        EXPECT_EQ(generalDateText(when), "12/08/26 14:45:07") << "an unknown locale falls back to C";
    }
}

TEST(Clock, GeneralDateTextLeavesTheGlobalLocaleAlone) {
    const std::string before = ::setlocale(LC_TIME, nullptr);
    EnvGuard all("LC_ALL", "C.UTF-8");
    (void)generalDateText();
    EXPECT_EQ(::setlocale(LC_TIME, nullptr), before);
}
