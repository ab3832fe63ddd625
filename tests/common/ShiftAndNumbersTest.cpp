// The character shift, booleans, random numbers and waiting.

#include "SteppingClock.h"
#include "common/RuntimeError.h"
#include "common/prgmain.h"

#include <gtest/gtest.h>

#include <QString>

#include <cmath>
#include <functional>
#include <set>

namespace {

QString ansiChar(int code) {
    // Windows-1252 code -> character (0x80..0x9F through the code page).
    static const char16_t high[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                      0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    return QString(QChar(code >= 0x80 && code < 0xA0 ? high[code - 0x80] : char16_t(code)));
}

TEST(CharacterShift, ConvertAndDeconvertShiftEachBorderCharacterAsTheTableSays) {
    const struct {
        int code, converted, deconverted;
    } table[] = {
        // deconverted: -1 when the character is dropped
        {19, 39, -1},    {20, 40, 0},     {195, 215, 175}, {196, 216, 176}, {215, 235, 195},
        {216, 236, 236}, {234, 254, 254}, {235, 255, 215}, {236, 216, 216}, {255, 235, 235},
    };
    for (const auto& row : table) {
        EXPECT_EQ(prgmain::ConvertChar(row.code), row.converted) << row.code;
        const int back = prgmain::DeconvertChar(row.code);
        EXPECT_EQ(back < 0 ? -1 : back, row.deconverted) << row.code;
        EXPECT_EQ(prgmain::StrConvert(ansiChar(row.code)), ansiChar(row.converted)) << row.code;
        EXPECT_EQ(prgmain::StrDeConvert(ansiChar(row.code)),
                  row.deconverted < 0 ? QString() : ansiChar(row.deconverted))
            << row.code;
    }
}

TEST(CharacterShift, WholeTextsShiftCharacterByCharacter) {
    EXPECT_EQ(prgmain::StrConvert(QStringLiteral("A")), QStringLiteral("U"));
    EXPECT_EQ(prgmain::StrDeConvert(QStringLiteral("U")), QStringLiteral("A"));
    EXPECT_EQ(prgmain::StrConvert(QString()), QString());
    EXPECT_EQ(prgmain::StrDeConvert(QStringLiteral("a\tb")), QStringLiteral("MN"));
    // Not an exact inverse: 200 comes back as 240.
    EXPECT_EQ(prgmain::StrDeConvert(prgmain::StrConvert(ansiChar(200))), ansiChar(240));
    const QString text = QStringLiteral("Visual Styles 2024!");
    EXPECT_EQ(prgmain::StrDeConvert(prgmain::StrConvert(text)), text);
}

TEST(OpposeBool, TrueBecomesFalseAndFalseTrue) {
    EXPECT_TRUE(prgmain::OpposeBool(false));
    EXPECT_FALSE(prgmain::OpposeBool(true));
}

int errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const quorlin::RuntimeError& e) {
        return e.number();
    }
    return 0;
}

TEST(RandomNumber, StaysWithinTheBounds) {
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        const int v = prgmain::RandomNumber(6, 1);
        ASSERT_GE(v, 1);
        ASSERT_LE(v, 6);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 6u);
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(prgmain::RandomNumber(7, 7), 7);
}

TEST(RandomNumber, SwappedBoundsFollowTheSameFormula) {
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        const int v = prgmain::RandomNumber(1, 5);
        ASSERT_GE(v, 2);
        ASSERT_LE(v, 5);
        seen.insert(v);
    }
    // 5 only comes out for a fraction of exactly 0.
    EXPECT_TRUE(seen.count(2) && seen.count(3) && seen.count(4));
}

TEST(RandomNumber, FractionsAreBelowOne) {
    for (int i = 0; i < 100000; ++i) {
        const float r = prgmain::nextRandomFraction();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
    }
}

TEST(RandomNumber, OverflowOfTheSpanIsError6) {
    EXPECT_EQ(errorOf([] { prgmain::RandomNumber(2147483647, -2147483647 - 1); }), 6);
    EXPECT_EQ(errorOf([] { prgmain::RandomNumber(2147483647, 0); }), 6);
    EXPECT_EQ(errorOf([] { prgmain::RandomNumber(2147483646, 0); }), 0);
}

TEST(Delay, WaitsFromTheRoundedStart) {
    {
        // 100.4 rounds to 100: the wait ends at the first reading at or after 103.
        SteppingClock clock(100.4, 0.25);
        prgmain::Delay(3, false);
        EXPECT_NEAR(clock.lastReading(), 103.15, 1e-9);
    }
    {
        // 100.5 rounds to the even 100, 101.5 to 102.
        SteppingClock clock(100.5, 0.5);
        prgmain::Delay(1, false);
        EXPECT_EQ(clock.lastReading(), 101.0);
    }
    {
        SteppingClock clock(101.5, 0.5);
        prgmain::Delay(1, false);
        EXPECT_EQ(clock.lastReading(), 103.0);
    }
}

TEST(Delay, ZeroSecondsEndsAtOnceOnlyBelowTheHalf) {
    {
        SteppingClock clock(50.2, 0.1);
        prgmain::Delay(0, true);
        EXPECT_EQ(clock.readings(), 2);
    }
    {
        SteppingClock clock(50.75, 0.125);
        prgmain::Delay(0, true);
        EXPECT_EQ(clock.lastReading(), 51.0);
    }
}

TEST(Delay, AWaitAcrossMidnightEnds) {
    SteppingClock clock(86398.0, 0.5);
    prgmain::Delay(5, true);
    // 86398 + 5 = 86403, which is 3 seconds past midnight.
    EXPECT_EQ(clock.lastReading(), 3.0);
}

TEST(Delay, AnEndBeyond32BitsIsError6) {
    SteppingClock clock(1000.0, 1.0);
    EXPECT_EQ(errorOf([] { prgmain::Delay(2147483647, false); }), 6);
    EXPECT_EQ(clock.readings(), 1);
}

} // namespace
