// The grey shaded background, drawn on a window object that records what it is asked.

#include "RecordingWindow.h"

#include "common/RuntimeError.h"
#include "common/WindowObject.h"
#include "common/prgmain.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using drawing_test::RecordingWindow;

TEST(DrawWindow, AWindow300UnitsHighShadesItsBandsTopMiddleAndBottom) {
    RecordingWindow w;
    prgmain::DrawWindow(w, 255, 200, 192);
    EXPECT_EQ(w.bandGrey(0), 200);   // top shade
    EXPECT_EQ(w.bandGrey(100), 255); // middle shade, drawn last
    EXPECT_EQ(w.bandGrey(180), 240); // middle shade, 255 + 16 * (-275 / 300)
    EXPECT_EQ(w.bandGrey(185), 202); // bottom shade, 200 + 275 / 120
    EXPECT_EQ(w.bandGrey(300), 255); // bottom shade
    EXPECT_EQ(w.bandGrey(305), -1);
}

TEST(DrawWindow, EveryBandIsAGreyBoxAcrossTheWindow) {
    RecordingWindow w;
    w.width = 1234.4;
    prgmain::DrawWindow(w, 10, 250, 100);
    ASSERT_FALSE(w.lines.empty());
    for (const auto& l : w.lines) {
        EXPECT_EQ(l.x1, -1);
        EXPECT_EQ(l.x2, 1234);
        EXPECT_EQ(l.y2 - l.y1, 6);
        EXPECT_EQ(l.options, 38);
        EXPECT_EQ(l.colour.red(), l.colour.green());
        EXPECT_EQ(l.colour.red(), l.colour.blue());
    }
    EXPECT_TRUE(w.autoRedrawValue);
    ASSERT_GE(w.calls.size(), 2u);
    EXPECT_EQ(w.calls[0], "AutoRedraw");
    EXPECT_EQ(w.calls[1], "Cls");
}

TEST(DrawWindow, TheBaseFillShowsOnlyWhereNoShadeReaches) {
    // 61 base bands (0..300), 25 bottom, 21 top, 17 middle.
    RecordingWindow w;
    prgmain::DrawWindow(w, 255, 200, 192);
    EXPECT_EQ(w.lines.size(), 61u + 25u + 21u + 17u);
    for (int y = 0; y <= 300; y += 5)
        EXPECT_NE(w.bandGrey(y), 192) << y;
}

TEST(DrawWindow, LevelsRoundHalfToEvenAndStayInRange) {
    // Top shade from 0 by steps of -(10 - 0) * 5 / 100 = -0.5: 0, 0.5, 1, 1.5, 2 ...
    RecordingWindow w;
    w.height = 1000;
    prgmain::DrawWindow(w, 10, 0, 0);
    // Read the top shade's own calls: they follow the base fill and the bottom shade.
    const size_t topStart = 201 + 25;
    const int expected[] = {0, 0, 1, 2, 2, 2, 3, 4, 4};
    for (size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(w.lines[topStart + i].colour.red(), expected[i]) << i;

    RecordingWindow bright;
    prgmain::DrawWindow(bright, 300, 400, -20);
    for (const auto& l : bright.lines) {
        EXPECT_GE(l.colour.red(), 0);
        EXPECT_LE(l.colour.red(), 255);
    }
}

TEST(DrawWindow, LevelsOutside16BitsFailBeforeAnythingIsDrawn) {
    RecordingWindow w;
    try {
        prgmain::DrawWindow(w, 40000, 200, 192);
        FAIL() << "no error";
    } catch (const quorlin::RuntimeError& e) {
        EXPECT_EQ(e.number(), 6);
        EXPECT_EQ(e.description(), QStringLiteral("Overflow"));
    }
    EXPECT_TRUE(w.calls.empty());
}

TEST(DrawWindow, AFailingStepIsSkipped) {
    RecordingWindow w;
    w.failAutoRedraw = true;
    w.failWidth = true;
    w.failLinesFrom = 10;
    prgmain::DrawWindow(w, 255, 200, 192);
    ASSERT_GE(w.calls.size(), 2u);
    EXPECT_EQ(w.calls[1], "Cls");
    EXPECT_EQ(w.lines.size(), 10u);
    EXPECT_EQ(w.lines[0].x2, 0); // no width: the bands end at 0
    // Every band after the tenth was still tried.
    EXPECT_EQ(std::count(w.calls.begin(), w.calls.end(), "LineFailed"), 61 + 25 + 21 + 17 - 10);
}

TEST(DrawBackGrd_XP, A16BitOverflowOfTheStepSkipsTheShades) {
    RecordingWindow w;
    prgmain::DrawBackGrd_XP(w, -30000, 30000, 128);
    ASSERT_EQ(w.lines.size(), 61u);
    for (const auto& l : w.lines)
        EXPECT_EQ(l.colour.red(), 128);
}

TEST(DrawBackGrd_XP, DrawsWhatDrawWindowDraws) {
    RecordingWindow a;
    RecordingWindow b;
    prgmain::DrawWindow(a, 230, 180, 200);
    prgmain::DrawBackGrd_XP(b, 230, 180, 200);
    ASSERT_EQ(a.lines.size(), b.lines.size());
    for (size_t i = 0; i < a.lines.size(); ++i) {
        EXPECT_EQ(a.lines[i].y1, b.lines[i].y1);
        EXPECT_EQ(a.lines[i].colour, b.lines[i].colour);
    }
}

} // namespace
