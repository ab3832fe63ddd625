// Pins the clock services every back end gives: time of day with fractions and its test
// hook, the tick count since boot, the time in the general date text.
#include "platform/Clock.h"
#include "ScopedHook.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <fstream>

using namespace platform;

TEST(Clock, SecondsSinceMidnightHasFractions) {
    bool fraction = false;
    for (int i = 0; i < 1000 && !fraction; ++i) {
        const double s = secondsSinceMidnight();
        fraction = s != std::floor(s);
    }
    EXPECT_TRUE(fraction);
}

TEST(Clock, TestSourceReplacesTheClockUntilCleared) {
    double fake = 86399.75;
    {
        const ScopedHook clock(&setSecondsSinceMidnightSourceForTests, [&] { return fake; });
        EXPECT_EQ(secondsSinceMidnight(), 86399.75);
        fake = 0.25; // crossing midnight
        EXPECT_EQ(secondsSinceMidnight(), 0.25);
    }
    const double real = secondsSinceMidnight();
    EXPECT_GE(real, 0.0);
    EXPECT_LT(real, 86401.0);
    EXPECT_NE(real, 0.25);
}

TEST(Clock, GeneralDateTextHoldsTheSeconds) {
    const std::time_t when = 1796741107; // 2026-12-08 14:45:07 UTC
    const std::string text = generalDateText(when);
    EXPECT_NE(text.find(":07"), std::string::npos) << text;
    EXPECT_NE(text.find("26"), std::string::npos) << text;
}

TEST(Clock, TickCountIsMillisecondsSinceBoot) {
    // The host's uptime: Linux's own file, which Wine shows on drive Z: as well.
    double uptime = 0;
#ifdef _WIN32
    std::ifstream("Z:\\proc\\uptime") >> uptime;
#else
    std::ifstream("/proc/uptime") >> uptime;
#endif
    const uint32_t ticks = GetTickCount();
    if (uptime <= 0)
        GTEST_SKIP() << "no uptime of the host to compare with";
    if (uptime * 1000 >= 4294967296.0)
        GTEST_SKIP() << "the counter has wrapped on this machine";
    EXPECT_NEAR(ticks / 1000.0, uptime, 2.0);
    EXPECT_GE(GetTickCount(), ticks);
}
