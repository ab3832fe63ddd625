// A classic look as registry values: what Windows and Wine read comes back as it went out,
// the bytes of a LOGFONTW are Windows' own, and damaged or missing values are told and
// leave the rest of the look alone.

#include "appearance/AppearanceValues.h"
#include "appearance/ColorSchemes.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace appearance;

namespace {

// Notes as one text, so that a failure shows them readably.
std::string lines(const QStringList& notes) {
    return notes.join(QLatin1Char('\n')).toStdString();
}

const ClassicLook& look(const char* name) {
    return findScheme(QString::fromLatin1(name))->look;
}

// What a look stores, its preferences mask included.
QList<RegistryValue> storedWithMask(const ClassicLook& l) {
    QList<RegistryValue> values = registryValues(l);
    values << RegistryValue::ofBinary(kDesktopKey, QStringLiteral("UserPreferencesMask"),
                                      withLookPreferences({}, l));
    return values;
}

} // namespace

TEST(AppearanceValuesTest, EveryLookComesBackAsItWasStored) {
    for (const Scheme& scheme : schemes()) {
        ClassicLook sent = scheme.look;
        sent.gradientCaptions = scheme.name.size() % 2 == 0; // both ways across the schemes
        sent.flatMenus = !sent.gradientCaptions;
        const LookFromRegistry back = lookFromRegistry(storedWithMask(sent), look("Dark"));
        if (sent.metrics) {
            EXPECT_EQ(back.look, sent) << scheme.name.toStdString();
            EXPECT_EQ(lines(back.notes), lines(QStringList())) << scheme.name.toStdString();
        } else {
            // Colours alone: the sizes and fonts in force stay, and that is said.
            ClassicLook expected = sent;
            expected.metrics = std::nullopt;
            EXPECT_EQ(back.look, expected) << scheme.name.toStdString();
            EXPECT_EQ(lines(back.notes),
                      lines(QStringList(QStringLiteral(
                          "Control Panel\\Desktop\\WindowMetrics holds no sizes or fonts; they were "
                          "kept as they were."))));
        }
    }
}

TEST(AppearanceValuesTest, ValuesAreWrittenInWindowsOwnForms) {
    const QList<RegistryValue> values = registryValues(look("Windows Standard"));
    ASSERT_EQ(values.size(), 31 + 10 + 6);
    EXPECT_EQ(values[0],
              RegistryValue::ofText(kColorsKey, QStringLiteral("Scrollbar"), QStringLiteral("212 208 200")));
    EXPECT_EQ(values[12], RegistryValue::ofText(kColorsKey, QStringLiteral("AppWorkSpace"),
                                                QStringLiteral("128 128 128")));
    EXPECT_EQ(values[30],
              RegistryValue::ofText(kColorsKey, QStringLiteral("MenuBar"), QStringLiteral("236 233 216")));
    EXPECT_EQ(values[31],
              RegistryValue::ofText(kWindowMetricsKey, QStringLiteral("BorderWidth"), QStringLiteral("-15")));
    EXPECT_EQ(values[35], RegistryValue::ofText(kWindowMetricsKey, QStringLiteral("CaptionHeight"),
                                                QStringLiteral("-270")));
    EXPECT_EQ(values[37], RegistryValue::ofText(kWindowMetricsKey, QStringLiteral("SmCaptionHeight"),
                                                QStringLiteral("-225")));
    EXPECT_EQ(values[40], RegistryValue::ofText(kWindowMetricsKey, QStringLiteral("PaddedBorderWidth"),
                                                QStringLiteral("0")));
    EXPECT_EQ(values[41].name, QStringLiteral("CaptionFont"));
    EXPECT_EQ(values[46].name, QStringLiteral("IconFont"));
    EXPECT_EQ(values[46].type, RegistryValue::Binary);
    // The colours of a scheme of colours alone, and nothing else.
    EXPECT_EQ(registryValues(look("Dark")).size(), 31);
}

TEST(AppearanceValuesTest, ALogFontIsTheNinetyTwoBytesWindowsStores) {
    // Tahoma, 11 pixels, bold, as the Display control panel stores a caption font.
    QByteArray expected = QByteArray::fromHex("f5ffffff"
                                              "00000000"
                                              "00000000"
                                              "00000000"
                                              "bc020000"
                                              "00000001"
                                              "00000000"
                                              "5400610068006f006d006100");
    expected.append(QByteArray(92 - expected.size(), '\0'));
    EXPECT_EQ(logFontBytes(Font{QStringLiteral("Tahoma"), -11, 700, false}).toHex(), expected.toHex());

    // A face longer than 31 characters is cut so that its terminator fits.
    const QByteArray longFace = logFontBytes(Font{QString(40, QLatin1Char('x')), -11, 400, true});
    ASSERT_EQ(longFace.size(), 92);
    EXPECT_EQ(longFace[20], 1);
    EXPECT_EQ(longFace.mid(28 + 62, 2), QByteArray(2, '\0'));
    EXPECT_EQ(fontFromLogFont(longFace)->face, QString(31, QLatin1Char('x')));

    // Read back: a positive height is in points, as Wine reads it.
    QByteArray points = logFontBytes(Font{QStringLiteral("Arial"), 8, 400, false});
    EXPECT_EQ(fontFromLogFont(points), (Font{QStringLiteral("Arial"), -11, 400, false}));
    EXPECT_FALSE(fontFromLogFont(points.left(50)));
    EXPECT_FALSE(fontFromLogFont(logFontBytes(Font{QStringLiteral("Arial"), -11, 5000, false})));
    EXPECT_FALSE(fontFromLogFont(logFontBytes(Font{QStringLiteral("Arial"), -100000, 400, false})));
    // A face that fills all 32 units without a terminator is taken as it stands.
    QByteArray full = logFontBytes(Font{QString(), -11, 400, false});
    for (int i = 0; i < 32; ++i)
        full[28 + 2 * i] = 'y';
    EXPECT_EQ(fontFromLogFont(full)->face, QString(32, QLatin1Char('y')));
}

TEST(AppearanceValuesTest, SizesAreNegativeTwipsOrPixelsAndColoursThreeNumbers) {
    EXPECT_EQ(metricText(1), QStringLiteral("-15"));
    EXPECT_EQ(metricText(18), QStringLiteral("-270"));
    EXPECT_EQ(metricPixels(u"-270"), 18);
    EXPECT_EQ(metricPixels(u" -225 "), 15);
    EXPECT_EQ(metricPixels(u"18"), 18); // Wine writes pixels as positive numbers
    EXPECT_EQ(metricPixels(u"0"), 0);
    EXPECT_EQ(metricPixels(u"-22"), 1); // 1.47 pixels
    EXPECT_EQ(metricPixels(u"-23"), 2); // 1.53 pixels
    for (const char16_t* bad : {u"", u"abc", u"-", u"1e3", u"12px", u"-99999999", u"99999999999999999999"})
        EXPECT_FALSE(metricPixels(bad)) << QString::fromUtf16(bad).toStdString();

    EXPECT_EQ(colorFromText(u"10 36 106"), qRgb(10, 36, 106));
    EXPECT_EQ(colorFromText(u" 10,36,\t106 "), qRgb(10, 36, 106));
    for (const char16_t* bad :
         {u"", u"10 36", u"10 36 106 1", u"256 0 0", u"-1 0 0", u"+1 0 0", u"a b c", u"0x10 0 0"})
        EXPECT_FALSE(colorFromText(bad)) << QString::fromUtf16(bad).toStdString();
}

TEST(AppearanceValuesTest, DamagedAndMissingValuesAreToldAndKeepTheFallback) {
    const ClassicLook& fallback = look("Windows Standard");
    QList<RegistryValue> values = registryValues(look("Brick"));
    // Damage some colours, sizes and fonts, drop others; names are matched in any case.
    values.erase(std::remove_if(values.begin(), values.end(),
                                [](const RegistryValue& v) {
                                    return v.name == QLatin1String("InfoText") ||
                                           v.name == QLatin1String("MenuWidth") ||
                                           v.name == QLatin1String("StatusFont");
                                }),
                 values.end());
    for (RegistryValue& v : values) {
        if (v.name == QLatin1String("Hilight"))
            v.text = QStringLiteral("10 36");
        if (v.name == QLatin1String("Window"))
            v.text = QStringLiteral("300 0 0");
        if (v.name == QLatin1String("Menu"))
            v = RegistryValue::ofBinary(kColorsKey, QStringLiteral("Menu"), "\x01\x02");
        if (v.name == QLatin1String("AppWorkSpace"))
            v.name = QStringLiteral("appworkspace");
        if (v.name == QLatin1String("CaptionHeight"))
            v.text = QStringLiteral("abc");
        if (v.name == QLatin1String("CaptionFont"))
            v.bytes = v.bytes.left(50);
        if (v.name == QLatin1String("MenuFont"))
            v = RegistryValue::ofText(kWindowMetricsKey, QStringLiteral("MenuFont"),
                                      QStringLiteral("Tahoma"));
    }
    values << RegistryValue::ofBinary(kDesktopKey, QStringLiteral("UserPreferencesMask"), "\x10");

    const LookFromRegistry read = lookFromRegistry(values, fallback);
    EXPECT_EQ(lines(read.notes),
              lines(QStringList({
                  QStringLiteral(
                      "Control Panel\\Colors\\Menu (2 bytes of binary data) is not \"R G B\" with each 0 to "
                      "255; kept 212 208 200."),
                  QStringLiteral(
                      "Control Panel\\Colors\\Window \"300 0 0\" is not \"R G B\" with each 0 to 255; kept "
                      "255 255 255."),
                  QStringLiteral(
                      "Control Panel\\Colors\\Hilight \"10 36\" is not \"R G B\" with each 0 to 255; kept 10 "
                      "36 106."),
                  QStringLiteral("Control Panel\\Colors\\InfoText is missing; kept 0 0 0."),
                  QStringLiteral(
                      "Control Panel\\Desktop\\WindowMetrics\\CaptionHeight \"abc\" is not a size (negative "
                      "twips or pixels); kept 18 px."),
                  QStringLiteral("Control Panel\\Desktop\\WindowMetrics\\MenuWidth is missing; kept 18 px."),
                  QStringLiteral(
                      "Control Panel\\Desktop\\WindowMetrics\\CaptionFont is 50 bytes, not a LOGFONTW (92 "
                      "bytes); kept Tahoma 11 px, bold."),
                  QStringLiteral(
                      "Control Panel\\Desktop\\WindowMetrics\\MenuFont is text, not a binary LOGFONTW; kept "
                      "Tahoma 11 px."),
                  QStringLiteral(
                      "Control Panel\\Desktop\\WindowMetrics\\StatusFont is missing; kept Tahoma 11 px."),
                  QStringLiteral(
                      "Control Panel\\Desktop\\UserPreferencesMask (1 byte of binary data) is not a binary "
                      "mask of 8 bytes; kept gradient captions on, flat menus off."),
              })));
    // What was read well is Brick's; the rest is the fallback's.
    EXPECT_EQ(read.look.colors[ActiveTitle], look("Brick").colors[ActiveTitle]);
    EXPECT_EQ(read.look.colors[AppWorkSpace], look("Brick").colors[AppWorkSpace]);
    EXPECT_EQ(read.look.colors[Hilight], fallback.colors[Hilight]);
    EXPECT_EQ(read.look.colors[InfoText], fallback.colors[InfoText]);
    EXPECT_EQ(read.look.metrics->captionHeight, 18);
    EXPECT_EQ(read.look.metrics->smCaptionHeight, 15);
    EXPECT_EQ(read.look.metrics->iconFont, fallback.metrics->iconFont);
}

TEST(AppearanceValuesTest, NothingStoredKeepsTheFallbackWholeAndSaysSoOnce) {
    const ClassicLook& fallback = look("Wine default");
    const LookFromRegistry read = lookFromRegistry({}, fallback);
    EXPECT_EQ(read.look, fallback);
    EXPECT_EQ(lines(read.notes),
              lines(QStringList({
                  QStringLiteral("Control Panel\\Colors holds no colours; all 31 kept as they were."),
                  QStringLiteral(
                      "Control Panel\\Desktop\\WindowMetrics holds no sizes or fonts; they were kept as they "
                      "were."),
                  QStringLiteral(
                      "Control Panel\\Desktop\\UserPreferencesMask is missing; kept gradient captions on, "
                      "flat menus off."),
              })));
}

TEST(AppearanceValuesTest, ThePreferencesMaskChangesOnlyItsTwoBits) {
    ClassicLook flat = look("Dark");
    flat.gradientCaptions = false;
    flat.flatMenus = true;
    const QByteArray stored = QByteArray::fromHex("ff00fd80120000003f");
    EXPECT_EQ(withLookPreferences(stored, flat).toHex(), QByteArray("ef00ff80120000003f"));
    ClassicLook gradient = flat;
    gradient.gradientCaptions = true;
    gradient.flatMenus = false;
    EXPECT_EQ(withLookPreferences(QByteArray::fromHex("0000ff"), gradient).toHex(),
              QByteArray("1000fd8012000000"));
    EXPECT_EQ(withLookPreferences({}, gradient).toHex(), QByteArray("3000008012000000"));
}
