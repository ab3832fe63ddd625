// The colour schemes: every colour set, every name found, the published colours where
// they were published, the size variants larger than their scheme, and the contrast the
// dark scheme promises.

#include "appearance/ColorSchemes.h"
#include "appearance/ColorMath.h"

#include <gtest/gtest.h>

#include <QSet>

using namespace appearance;

namespace {

// Notes as one text, so that a failure shows them readably.
std::string lines(const QStringList& notes) {
    return notes.join(QLatin1Char('\n')).toStdString();
}

const Scheme& scheme(const char* name) {
    const Scheme* found = findScheme(QString::fromLatin1(name));
    if (!found)
        throw std::runtime_error(std::string("no scheme ") + name);
    return *found;
}

QRgb rgb(int r, int g, int b) {
    return qRgb(r, g, b);
}

struct TextPair {
    SysColor text;
    SysColor background;
};
const TextPair kTextPairs[] = {
    {WindowText, Window},
    {MenuText, Menu},
    {TitleText, ActiveTitle},
    {HilightText, Hilight},
    {ButtonText, ButtonFace},
    {InfoText, InfoWindow},
    {InactiveTitleText, InactiveTitle},
};

// The pairs of look that read at less than 7:1, as "Text/Background".
QStringList pairsBelowSeven(const ClassicLook& look) {
    QStringList below;
    for (const TextPair& pair : kTextPairs)
        if (contrastRatio(look.colors[pair.text], look.colors[pair.background]) < 7.0)
            below << QStringLiteral("%1/%2").arg(QLatin1String(sysColorName(pair.text)),
                                                 QLatin1String(sysColorName(pair.background)));
    return below;
}

} // namespace

TEST(ColorSchemesTest, EverySchemeSetsAllItsColoursAndHasANameOfItsOwn) {
    ASSERT_GE(schemes().size(), 38);
    QSet<QString> names;
    for (const Scheme& s : schemes()) {
        // A colour nobody set is 0, transparent; every colour a scheme sets is opaque.
        for (int i = 0; i < SysColorCount; ++i)
            EXPECT_EQ(qAlpha(s.look.colors[i]), 255)
                << s.name.toStdString() << " " << sysColorName(SysColor(i));
        EXPECT_FALSE(names.contains(s.name.toLower())) << s.name.toStdString();
        names.insert(s.name.toLower());
        // Each is found by its own name, in any case.
        EXPECT_EQ(findScheme(s.name), &s) << s.name.toStdString();
        EXPECT_EQ(findScheme(s.name.toUpper()), &s) << s.name.toStdString();
    }
}

TEST(ColorSchemesTest, NamesAreFoundWithoutTheirPunctuationOrColourDepth) {
    EXPECT_EQ(findScheme(u"teal")->name, QStringLiteral("Teal (VGA)"));
    EXPECT_EQ(findScheme(u"Red White and Blue")->name, QStringLiteral("Red, White, and Blue (VGA)"));
    EXPECT_EQ(findScheme(u"  marine  ")->name, QStringLiteral("Marine (high color)"));
    EXPECT_EQ(findScheme(u"high contrast 1")->name, QStringLiteral("High Contrast #1"));
    EXPECT_EQ(findScheme(u"Windows Standard (LARGE)")->name, QStringLiteral("Windows Standard (large)"));
    EXPECT_EQ(findScheme(u"pumpkin")->name, QStringLiteral("Pumpkin"));
    // A size is never dropped, and a variant Windows does not have is not made up.
    EXPECT_EQ(findScheme(u"Brick (large)"), nullptr);
    EXPECT_EQ(findScheme(u"Windows"), nullptr);
    EXPECT_EQ(findScheme(u""), nullptr);
    EXPECT_EQ(findScheme(u" , # "), nullptr);
}

TEST(ColorSchemesTest, PublishedColoursAreThoseOfWindowsAndWine) {
    EXPECT_EQ(scheme("Brick").look.colors[ActiveTitle], rgb(128, 0, 0));
    EXPECT_EQ(scheme("Brick").look.colors[Background], rgb(66, 0, 0));
    EXPECT_EQ(scheme("Brick").look.colors[GradientActiveTitle], rgb(176, 116, 64));
    EXPECT_EQ(scheme("Windows Standard").look.colors[ButtonFace], rgb(212, 208, 200));
    EXPECT_EQ(scheme("Windows Standard").look.colors[ActiveTitle], rgb(10, 36, 106));
    EXPECT_EQ(scheme("Windows Standard").look.colors[GradientActiveTitle], rgb(166, 202, 240));
    EXPECT_EQ(scheme("Windows Classic").look.colors[ActiveTitle], rgb(0, 0, 128));
    EXPECT_EQ(scheme("Marine (high color)").look.colors[Window], rgb(200, 224, 216));
    EXPECT_EQ(scheme("Maple").look.colors[HilightText], rgb(0, 0, 0));
    EXPECT_EQ(scheme("Teal (VGA)").look.colors[InactiveTitleText], rgb(255, 251, 240));
    EXPECT_EQ(scheme("High Contrast #1").look.colors[WindowText], rgb(255, 255, 0));
    EXPECT_EQ(scheme("High Contrast Black").look.colors[ActiveTitle], rgb(128, 0, 128));
    EXPECT_EQ(scheme("High Contrast White").look.colors[Window], rgb(255, 255, 255));
    // Wine's table differs from Windows Standard in three colours.
    EXPECT_EQ(scheme("Wine default").look.colors[HotTrackingColor], rgb(0, 0, 200));
    EXPECT_EQ(scheme("Wine default").look.colors[MenuBar], rgb(212, 208, 200));
    EXPECT_EQ(scheme("Wine default").look.colors[InfoWindow], rgb(255, 255, 225));
}

TEST(ColorSchemesTest, SizeVariantsKeepTheirSchemesColoursAndGrowItsSizes) {
    const Metrics standard = *scheme("Windows Standard").look.metrics;
    EXPECT_EQ(standard.captionHeight, 18);
    EXPECT_EQ(standard.smCaptionWidth, 12);
    EXPECT_EQ(standard.captionFont, (Font{QStringLiteral("Tahoma"), -11, 700, false}));
    EXPECT_EQ(standard.menuFont, (Font{QStringLiteral("Tahoma"), -11, 400, false}));
    for (const char* base : {"Windows Standard", "High Contrast Black", "Lilac", "Pumpkin"}) {
        const Scheme& normal = scheme(base);
        const Scheme& large = scheme((std::string(base) + " (large)").c_str());
        EXPECT_EQ(large.look.colors, normal.look.colors) << base;
        const Metrics n = *normal.look.metrics;
        const Metrics l = *large.look.metrics;
        EXPECT_GT(l.captionHeight, n.captionHeight) << base;
        EXPECT_GT(l.menuHeight, n.menuHeight) << base;
        EXPECT_GT(l.scrollWidth, n.scrollWidth) << base;
        EXPECT_LT(l.captionFont.height, n.captionFont.height) << base; // taller: more negative
        EXPECT_EQ(l.captionFont.weight, 700) << base;
    }
    const Metrics large = *scheme("Windows Standard (large)").look.metrics;
    const Metrics extra = *scheme("Windows Standard (extra large)").look.metrics;
    EXPECT_GT(extra.captionHeight, large.captionHeight);
    EXPECT_LT(extra.messageFont.height, large.messageFont.height);
    // Wine's own sizes, and a scheme of colours alone.
    EXPECT_EQ(scheme("Wine default").look.metrics->smCaptionWidth, 15);
    EXPECT_FALSE(scheme("Dark").look.metrics);
}

TEST(ColorSchemesTest, DarkReadsAtSevenToOneAndHighContrastOnlyWherePublishedOtherwise) {
    EXPECT_EQ(lines(pairsBelowSeven(scheme("Dark").look)), lines(QStringList()));
    EXPECT_LT(relativeLuminance(scheme("Dark").look.colors[Window]), 0.05);
    // Windows' own high contrast schemes keep two pairs below 7:1 (white on green); the
    // published colours stay as published.
    const QStringList expected[] = {
        {QStringLiteral("HilightText/Hilight")}, {}, {QStringLiteral("InactiveTitleText/InactiveTitle")}, {}};
    const char* bases[] = {"High Contrast #1", "High Contrast #2", "High Contrast Black",
                           "High Contrast White"};
    for (int i = 0; i < 4; ++i)
        for (const char* size : {"", " (large)", " (extra large)"}) {
            const std::string name = std::string(bases[i]) + size;
            EXPECT_EQ(lines(pairsBelowSeven(scheme(name.c_str()).look)), lines(expected[i])) << name;
        }
}

TEST(ColorSchemesTest, TheListingIsOneNameALine) {
    const QString listing = schemeListing();
    ASSERT_TRUE(listing.endsWith(QLatin1Char('\n')));
    const QStringList lines = listing.chopped(1).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), schemes().size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i], schemes()[i].name);
    EXPECT_EQ(lines.first(), QStringLiteral("Brick"));
    EXPECT_TRUE(lines.contains(QStringLiteral("Windows Standard (extra large)")));
    EXPECT_EQ(lines.last(), QStringLiteral("Dark"));
}

TEST(ColorSchemesTest, ContrastIsMeasuredAsWcagDefinesIt) {
    EXPECT_DOUBLE_EQ(contrastRatio(rgb(0, 0, 0), rgb(255, 255, 255)), 21.0);
    EXPECT_DOUBLE_EQ(contrastRatio(rgb(255, 255, 255), rgb(0, 0, 0)), 21.0);
    EXPECT_NEAR(contrastRatio(rgb(255, 255, 255), rgb(0, 128, 0)), 5.14, 0.01);
    EXPECT_NEAR(contrastRatio(rgb(118, 118, 118), rgb(255, 255, 255)), 4.54, 0.01);
    EXPECT_EQ(readableTextOn(rgb(200, 136, 0)), rgb(0, 0, 0));
    EXPECT_EQ(readableTextOn(rgb(0, 0, 128)), rgb(255, 255, 255));
    EXPECT_EQ(mixColors(rgb(212, 208, 200), rgb(0, 0, 0), 0.7), rgb(64, 62, 60));
}
