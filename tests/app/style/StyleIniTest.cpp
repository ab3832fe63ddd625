// The INI data of a style: sections and properties named in any case, the fallback order
// of a part's properties, the values as the theme service reads them, and text of any
// length or shape.

#include "style/StyleIni.h"

#include <gtest/gtest.h>

using StyleValue::Margins;

TEST(StyleIniTest, SectionsAndPropertiesMatchIgnoringCaseAndTheFirstValueCounts) {
    const StyleIni ini = StyleIni::parse(u"\ufeff; a comment\r\n"
                                         u"[Button.Pushbutton]\r\n"
                                         u"  ImageFile = blue\\button.bmp  \r\n"
                                         u"TextColor=0 0 0\r\n"
                                         u"TEXTCOLOR = 255 0 0\r\n"
                                         u"no equals sign here\r\n"
                                         u"= no name\r\n"
                                         u"[ Button.PushButton (Pressed) ]\n"
                                         u"TextColor = 1 2 3\n"
                                         u"[Broken\n"
                                         u"Lost = yes\n"
                                         u"[sysmetrics]\n"
                                         u"Window=1 1 1\n"
                                         u"[BUTTON.PUSHBUTTON]\n"
                                         u"Later = 5\n");
    EXPECT_EQ(ini.value(u"button.pushbutton", u"imagefile"), QStringLiteral("blue\\button.bmp"));
    // The first of a property given twice counts, as the theme service takes it.
    EXPECT_EQ(ini.value(u"Button.Pushbutton", u"TextColor"), QStringLiteral("0 0 0"));
    // Blanks in a section's name do not count; a section given twice is one.
    EXPECT_EQ(ini.value(u"Button.Pushbutton(Pressed)", u"textcolor"), QStringLiteral("1 2 3"));
    EXPECT_EQ(ini.value(u"Button.Pushbutton", u"Later"), QStringLiteral("5"));
    EXPECT_EQ(ini.value(u"SysMetrics", u"Window"), QStringLiteral("1 1 1"));
    // A section without its "]" takes no properties; the next section starts afresh.
    EXPECT_FALSE(ini.value(u"Broken", u"Lost"));
    EXPECT_FALSE(ini.value(u"sysmetrics", u"Lost"));
    EXPECT_FALSE(ini.value(u"Button.Pushbutton", u""));
    EXPECT_EQ(ini.sectionCount(), 3);
}

TEST(StyleIniTest, PartPropertiesFallBackFromStateToPartToClassToGlobals) {
    const QString all = QStringLiteral("[Globals]\nA = globals\nB = globals\nC = globals\nD = globals\n"
                                       "[Window]\nA = class\nB = class\nC = class\n"
                                       "[Window.Caption]\nA = part\nB = part\n"
                                       "[Window.Caption(Inactive)]\nA = state\n");
    const StyleIni ini = StyleIni::parse(all);
    EXPECT_EQ(ini.lookup(u"Window", u"Caption", u"Inactive", u"A"), QStringLiteral("state"));
    EXPECT_EQ(ini.lookup(u"Window", u"Caption", u"Inactive", u"B"), QStringLiteral("part"));
    EXPECT_EQ(ini.lookup(u"Window", u"Caption", u"Inactive", u"C"), QStringLiteral("class"));
    EXPECT_EQ(ini.lookup(u"window", u"caption", u"INACTIVE", u"d"), QStringLiteral("globals"));
    EXPECT_FALSE(ini.lookup(u"Window", u"Caption", u"Inactive", u"E"));
    // Another state, or none, skips the state's section.
    EXPECT_EQ(ini.lookup(u"Window", u"Caption", u"Active", u"A"), QStringLiteral("part"));
    EXPECT_EQ(ini.lookup(u"Window", u"Caption", u"", u"A"), QStringLiteral("part"));
    EXPECT_EQ(ini.lookup(u"Window", u"", u"Inactive", u"A"), QStringLiteral("class"));
    EXPECT_EQ(ini.lookup(u"Button", u"Caption", u"Inactive", u"A"), QStringLiteral("globals"));
}

TEST(StyleIniTest, ValuesAreReadAsTheThemeServiceReadsThem) {
    EXPECT_EQ(StyleValue::color(u"10 20 30"), QColor(10, 20, 30));
    EXPECT_EQ(StyleValue::color(u" 10, 20,30 ; note"), QColor(10, 20, 30));
    EXPECT_EQ(StyleValue::color(u"300 -4 255"), QColor(255, 0, 255));
    EXPECT_FALSE(StyleValue::color(u"10 20"));
    EXPECT_FALSE(StyleValue::color(u"red"));

    EXPECT_EQ(StyleValue::margins(u"28, 35, 9, 17"), (Margins{28, 35, 9, 17}));
    EXPECT_FALSE(StyleValue::margins(u"1, 2, 3"));
    EXPECT_EQ(StyleValue::size(u"17, 21"), QSize(17, 21));
    EXPECT_EQ(StyleValue::integer(u"  -12 px"), -12);
    EXPECT_EQ(StyleValue::integer(u"a-b 7"), 7);
    // A number of any length is held within bounds instead of overflowing.
    EXPECT_EQ(StyleValue::integer(QString(500, QLatin1Char('9'))), StyleValue::kMaxNumber);
    EXPECT_EQ(StyleValue::integers(u"1 2 3 4 5 6", 4), QList<int>({1, 2, 3, 4}));

    EXPECT_TRUE(StyleValue::boolean(u"True"));
    EXPECT_TRUE(StyleValue::boolean(u" true "));
    EXPECT_TRUE(StyleValue::boolean(u"1"));
    EXPECT_FALSE(StyleValue::boolean(u"False"));
    EXPECT_FALSE(StyleValue::boolean(u""));

    const auto font = StyleValue::font(u"Trebuchet MS, 10, Bold, italic");
    ASSERT_TRUE(font);
    EXPECT_EQ(font->face, "Trebuchet MS");
    EXPECT_EQ(font->points, 10);
    EXPECT_TRUE(font->bold);
    EXPECT_TRUE(font->italic);
    EXPECT_FALSE(font->underline);
    EXPECT_EQ(StyleValue::font(u"Tahoma, 5000")->points, 72);
    EXPECT_EQ(StyleValue::font(QString(1000, QLatin1Char('F')) + ", 8")->face.size(), 64);
    EXPECT_FALSE(StyleValue::font(u"Tahoma"));
    EXPECT_FALSE(StyleValue::font(u", 8"));
    // Attributes past the first few are not read through.
    EXPECT_FALSE(
        StyleValue::font(QStringLiteral("Tahoma, 8") + QString(", x").repeated(100000) + ", bold")->bold);
}

TEST(StyleIniTest, TextOfAnyLengthIsBounded) {
    // Far more properties and sections than any style has: a bounded number is kept.
    QString many;
    many.reserve(3'000'000);
    many += QStringLiteral("[Globals]\n");
    for (int i = 0; i < StyleIni::kMaxProperties + 10; ++i) {
        many += QLatin1Char('P');
        many += QString::number(i);
        many += QStringLiteral("=1\n");
    }
    const StyleIni full = StyleIni::parse(many);
    EXPECT_TRUE(full.value(u"Globals", u"P0"));
    EXPECT_TRUE(full.value(u"Globals", QString::number(StyleIni::kMaxProperties - 1).prepend('P')));
    EXPECT_FALSE(full.value(u"Globals", QString::number(StyleIni::kMaxProperties).prepend('P')));

    QString sections;
    for (int i = 0; i < StyleIni::kMaxSections + 10; ++i)
        sections += QStringLiteral("[S%1]\nA=1\n").arg(i);
    const StyleIni capped = StyleIni::parse(sections);
    EXPECT_EQ(capped.sectionCount(), StyleIni::kMaxSections);
    EXPECT_TRUE(capped.hasSection(u"S0"));

    // One line without an end, a NUL inside, control characters.
    const StyleIni odd = StyleIni::parse(QStringLiteral("[A]\nB = x") + QChar(0) + QString(100000, QChar(7)));
    ASSERT_TRUE(odd.value(u"A", u"B"));
    EXPECT_EQ(odd.value(u"A", u"B")->size(), 100002);

    // A filter keeps only the sections asked for.
    const StyleIni filtered =
        StyleIni::parse(u"[Window.Caption]\nA=1\n[Edit]\nA=2\n",
                        [](const QString& section) { return section.startsWith("window"); });
    EXPECT_TRUE(filtered.hasSection(u"window.caption"));
    EXPECT_FALSE(filtered.hasSection(u"Edit"));
}
