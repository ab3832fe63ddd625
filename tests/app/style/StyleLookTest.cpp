// A style's classic look: its [SysMetrics] colours (by the theme service's names), sizes
// and fonts over a base look, and what it leaves out or cannot be read kept from the base.

#include "style/StyleLook.h"

#include "WineLight.h"

#include <gtest/gtest.h>

using appearance::SysColor;

TEST(StyleLookTest, SysMetricsGiveTheColoursSizesAndFontsByTheirOwnNames) {
    const StyleIni ini =
        StyleIni::parse(u"[SysMetrics]\nActiveCaption = 1 2 3\nCaptionText = 4 5 6\n"
                        u"Highlight = 7 8 9\nBtnFace = 10 11 12\nDkShadow3d = 13 14 15\n"
                        u"Light3d = 16 17 18\nInfoBk = 19 20 21\nHotTracking = 22 23 24\n"
                        u"GradientInactiveCaption = 25 26 27\nMenuBar = 28 29 30\n"
                        u"InactiveCaptionText = 31 32 33\nBtnHighlight = 34 35 36\n"
                        u"Window = nothing\n"
                        u"SizingBorderWidth = 5\nScrollbarWidth = 21\nCaptionBarHeight = 25\n"
                        u"MenuBarHeight = 20\nPaddedBorderWidth = 2\nSmCaptionBarWidth = x\n"
                        u"CaptionFont = Trebuchet MS, 10, bold\nMsgBoxFont = Arial, 12, italic\n"
                        u"MenuFont = , 0\nFlatMenus = True\n"
                        u"[Window]\nScrollbarHeight = 99\n");
    const appearance::ClassicLook& base = StyleLook::standard();
    const appearance::ClassicLook look = StyleLook::fromSysMetrics(ini);
    const std::pair<SysColor, QRgb> given[] = {{SysColor::ActiveTitle, qRgb(1, 2, 3)},
                                               {SysColor::TitleText, qRgb(4, 5, 6)},
                                               {SysColor::Hilight, qRgb(7, 8, 9)},
                                               {SysColor::ButtonFace, qRgb(10, 11, 12)},
                                               {SysColor::ButtonDkShadow, qRgb(13, 14, 15)},
                                               {SysColor::ButtonLight, qRgb(16, 17, 18)},
                                               {SysColor::InfoWindow, qRgb(19, 20, 21)},
                                               {SysColor::HotTrackingColor, qRgb(22, 23, 24)},
                                               {SysColor::GradientInactiveTitle, qRgb(25, 26, 27)},
                                               {SysColor::MenuBar, qRgb(28, 29, 30)},
                                               {SysColor::InactiveTitleText, qRgb(31, 32, 33)},
                                               {SysColor::ButtonHilight, qRgb(34, 35, 36)}};
    for (int i = 0; i < appearance::SysColorCount; ++i) {
        QRgb expected = base.colors[size_t(i)];
        for (const auto& [color, value] : given)
            expected = color == i ? value : expected;
        EXPECT_EQ(look.colors[size_t(i)], expected) << appearance::sysColorName(SysColor(i));
    }

    ASSERT_TRUE(look.metrics);
    const appearance::Metrics& m = *look.metrics;
    const appearance::Metrics& standard = *base.metrics;
    EXPECT_EQ(m.borderWidth, 5);
    EXPECT_EQ(m.scrollWidth, 21);
    EXPECT_EQ(m.scrollHeight, standard.scrollHeight); // given in another section
    EXPECT_EQ(m.captionHeight, 25);
    EXPECT_EQ(m.menuHeight, 20);
    EXPECT_EQ(m.paddedBorderWidth, 2);
    EXPECT_EQ(m.smCaptionWidth, standard.smCaptionWidth);
    // Points at 96 dots per inch, as the character's height.
    EXPECT_EQ(m.captionFont, (appearance::Font{QStringLiteral("Trebuchet MS"), -13, 700, false}));
    EXPECT_EQ(m.messageFont, (appearance::Font{QStringLiteral("Arial"), -16, 400, true}));
    EXPECT_EQ(m.menuFont, standard.menuFont);
    EXPECT_EQ(m.statusFont, standard.statusFont);
    EXPECT_TRUE(look.flatMenus);
    EXPECT_EQ(look.gradientCaptions, base.gradientCaptions);

    // Over another base, what the section leaves out is that base's.
    appearance::ClassicLook other = base;
    other.colors[SysColor::Window] = qRgb(99, 98, 97);
    other.metrics.reset();
    const appearance::ClassicLook over = StyleLook::fromSysMetrics(ini, other);
    EXPECT_EQ(over.colors[SysColor::Window], qRgb(99, 98, 97));
    EXPECT_EQ(over.colors[SysColor::ActiveTitle], qRgb(1, 2, 3));
    EXPECT_EQ(over.metrics->scrollHeight, standard.scrollHeight);
    EXPECT_EQ(StyleLook::fromSysMetrics(StyleIni::parse(u"")), base);
}

TEST(StyleLookTest, WinesLightGivesItsSystemColours) {
    REQUIRE_WINE_LIGHT(light);
    const StyleIni ini = StyleIni::parse(*light.iniText(0, 0));
    const appearance::ClassicLook look = StyleLook::fromSysMetrics(ini);
    EXPECT_EQ(look.colors[SysColor::Background], qRgb(37, 111, 149));
    EXPECT_EQ(look.colors[SysColor::ActiveTitle], qRgb(50, 150, 250));
    EXPECT_EQ(look.colors[SysColor::ButtonFace], qRgb(245, 245, 245));
    EXPECT_EQ(look.colors[SysColor::ButtonDkShadow], qRgb(106, 106, 106));
    EXPECT_EQ(look.colors[SysColor::InfoWindow], qRgb(255, 255, 255));
    EXPECT_EQ(look.metrics->scrollWidth, 17);
    EXPECT_TRUE(look.flatMenus);
}

TEST(StyleLookTest, FontsAreDrawnAtTheirCharacterHeight) {
    EXPECT_EQ(StyleLook::pixelSize({QStringLiteral("Tahoma"), -11, 400, false}), 11);
    EXPECT_EQ(StyleLook::pixelSize({QStringLiteral("Tahoma"), 15, 400, false}), 12);
    EXPECT_EQ(StyleLook::pixelSize({QStringLiteral("Tahoma"), 0, 400, false}), 11);
    EXPECT_EQ(StyleLook::pixelSize({QStringLiteral("Tahoma"), std::numeric_limits<int>::min(), 400, false}),
              200);
    EXPECT_EQ(StyleLook::pixelSize({QStringLiteral("Tahoma"), std::numeric_limits<int>::max(), 400, false}),
              160);
    const QFont font = StyleLook::toQFont({QStringLiteral("Tahoma"), -13, 700, true});
    EXPECT_EQ(font.pixelSize(), 13);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_TRUE(font.italic());
    EXPECT_EQ(StyleLook::fontOf({QStringLiteral("Tahoma"), 8, true, false, false}),
              (appearance::Font{QStringLiteral("Tahoma"), -11, 700, false}));
}
