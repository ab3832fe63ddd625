// The desktop's own colours: which desktop is read, KDE's kdeglobals and GNOME's settings
// mapped item by item, and every file or value that cannot be read told in a note while
// the look stays whole. The files are written here; gsettings is scripted.

#include "appearance/DesktopColors.h"
#include "appearance/AppearanceValues.h"
#include "appearance/ColorSchemes.h"
#include "appearance/GnomeColors.h"
#include "appearance/KdeColors.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using namespace appearance;

namespace {

// Notes as one text, so that a failure shows them readably.
std::string lines(const QStringList& notes) {
    return notes.join(QLatin1Char('\n')).toStdString();
}

// An environment variable set for the object's life, then restored, or removed again.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QByteArray& value)
        : m_name(name), m_wasSet(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedVariable() {
        if (m_wasSet)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* m_name;
    bool m_wasSet;
    QByteArray m_old;
};

// A dark KDE colour set of our own making, in kdeglobals' form.
const char* const kDarkKdeglobals = R"([ColorEffects:Disabled]
Color=56,56,56

[Colors:Button]
BackgroundNormal=50,54,60
ForegroundNormal=230,231,232

[Colors:Header]
BackgroundNormal=40,44,50
ForegroundNormal=240,241,242

[Colors:Header][Inactive]
BackgroundNormal=34,36,40
ForegroundNormal=160,162,166

[Colors:Selection]
BackgroundNormal=60,150,220
ForegroundNormal=255,255,255

[Colors:Tooltip]
BackgroundNormal=44,46,50
ForegroundNormal=235,235,236

[Colors:View]
BackgroundNormal=22,24,27
ForegroundNormal=225,226,227
ForegroundLink=40,160,240

[Colors:Window]
BackgroundAlternate=38,40,44
BackgroundNormal=45,48,52
ForegroundInactive=150,152,155
ForegroundNormal=220,221,222

[General]
ColorScheme=MadeUpDark
font=Noto Sans,10,-1,5,50,0,0,0,0,0
menuFont=Noto Sans,11,-1,5,50,0,0,0,0,0
smallestReadableFont=Noto Sans,8,-1,5,50,0,0,0,0,0

[WM]
activeBackground=1,2,3
activeFont=Noto Sans,10,-1,5,75,0,0,0,0,0
)";

class DesktopColorsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        environment.home = home.path();
        environment.configHome = home.path() + QStringLiteral("/.config");
        environment.configDirs = {home.path() + QStringLiteral("/xdg")};
        QDir().mkpath(environment.configHome);
        QDir().mkpath(environment.configDirs.first());
    }

    void write(const QString& relative, const QByteArray& bytes) {
        const QString path = home.path() + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    // gsettings answers from a table; a key not in it fails as for an unknown key.
    void scriptGSettings(QMap<QString, QString> answers) {
        environment.gsettings = [this, answers](const QString& schema, const QString& key) {
            asked << schema + QLatin1Char(' ') + key;
            GSettingsReply reply;
            reply.ran = true;
            if (answers.contains(key)) {
                reply.output = answers.value(key);
            } else {
                reply.exitCode = 1;
                reply.error = QStringLiteral("No such key “%1”").arg(key);
            }
            return reply;
        };
    }

    QTemporaryDir home;
    DesktopEnvironment environment;
    QStringList asked;
};

const ClassicLook& scheme(const QString& name) {
    return findScheme(name)->look;
}

} // namespace

TEST_F(DesktopColorsTest, TheDesktopNamedInXdgCurrentDesktopDecides) {
    for (const char* kde : {"KDE", "kde", "KDE:Plasma"}) {
        environment.currentDesktop = QString::fromLatin1(kde);
        EXPECT_EQ(chooseDesktop(environment).kind, DesktopKind::Kde) << kde;
        EXPECT_EQ(chooseDesktop(environment).note, QString()) << kde;
    }
    write(QStringLiteral(".config/kdeglobals"), "[General]\n"); // does not sway a named desktop
    for (const char* gnome : {"GNOME", "ubuntu:GNOME", "Unity", "Budgie:GNOME", "X-Cinnamon", "Pantheon",
                              "GNOME-Flashback:GNOME"}) {
        environment.currentDesktop = QString::fromLatin1(gnome);
        EXPECT_EQ(chooseDesktop(environment).kind, DesktopKind::Gnome) << gnome;
        EXPECT_EQ(chooseDesktop(environment).note, QString()) << gnome;
    }
    // Unset or another desktop: KDE's file if the user has one, else GNOME's settings.
    environment.currentDesktop.clear();
    EXPECT_EQ(chooseDesktop(environment).kind, DesktopKind::Kde);
    EXPECT_EQ(chooseDesktop(environment).note,
              QStringLiteral(
                  "XDG_CURRENT_DESKTOP is not set; ~/.config/kdeglobals exists, so KDE's colours are read."));
    environment.currentDesktop = QStringLiteral("XFCE");
    EXPECT_EQ(chooseDesktop(environment).kind, DesktopKind::Kde);
    ASSERT_TRUE(QFile::remove(environment.configHome + QStringLiteral("/kdeglobals")));
    EXPECT_EQ(chooseDesktop(environment).kind, DesktopKind::Gnome);
    EXPECT_EQ(chooseDesktop(environment).note,
              QStringLiteral("XDG_CURRENT_DESKTOP names XFCE, neither KDE nor a GNOME desktop; there is no "
                             "~/.config/kdeglobals, so GNOME's settings are read."));
    // The reason leads the look's notes.
    const DesktopLook look = desktopLook(environment);
    ASSERT_FALSE(look.notes.isEmpty());
    EXPECT_EQ(look.notes.first(), chooseDesktop(environment).note);
}

TEST_F(DesktopColorsTest, KdeColoursMapOntoTheSystemColoursItemByItem) {
    write(QStringLiteral(".config/kdeglobals"), kDarkKdeglobals);
    environment.currentDesktop = QStringLiteral("KDE");
    const DesktopLook result = desktopLook(environment);
    EXPECT_EQ(result.source, QStringLiteral("KDE (~/.config/kdeglobals)"));
    EXPECT_EQ(lines(result.notes), lines(QStringList()));
    const auto& c = result.look.colors;
    EXPECT_EQ(c[Window], qRgb(22, 24, 27));
    EXPECT_EQ(c[WindowText], qRgb(225, 226, 227));
    EXPECT_EQ(c[ButtonFace], qRgb(45, 48, 52)); // [Colors:Window], not [Colors:Button]
    EXPECT_EQ(c[ButtonText], qRgb(220, 221, 222));
    EXPECT_EQ(c[Menu], qRgb(45, 48, 52));
    EXPECT_EQ(c[MenuBar], qRgb(45, 48, 52));
    EXPECT_EQ(c[MenuText], qRgb(220, 221, 222));
    EXPECT_EQ(c[GrayText], qRgb(150, 152, 155));
    EXPECT_EQ(c[Hilight], qRgb(60, 150, 220));
    EXPECT_EQ(c[MenuHilight], qRgb(60, 150, 220));
    EXPECT_EQ(c[HilightText], qRgb(255, 255, 255));
    EXPECT_EQ(c[InfoWindow], qRgb(44, 46, 50));
    EXPECT_EQ(c[InfoText], qRgb(235, 235, 236));
    EXPECT_EQ(c[ActiveTitle], qRgb(40, 44, 50)); // [Colors:Header] before [WM]
    EXPECT_EQ(c[GradientActiveTitle], qRgb(40, 44, 50));
    EXPECT_EQ(c[TitleText], qRgb(240, 241, 242));
    EXPECT_EQ(c[InactiveTitle], qRgb(34, 36, 40));
    EXPECT_EQ(c[InactiveTitleText], qRgb(160, 162, 166));
    EXPECT_EQ(c[HotTrackingColor], qRgb(40, 160, 240));
    EXPECT_EQ(c[AppWorkSpace], qRgb(38, 40, 44));
    EXPECT_EQ(c[Background], qRgb(38, 40, 44));
    // The 3D shades follow the face: edges lighter, shadows darker, the darkest darker still.
    EXPECT_EQ(c[ButtonHilight], qRgb(171, 172, 174));
    EXPECT_EQ(c[ButtonLight], qRgb(87, 89, 93));
    EXPECT_EQ(c[ButtonShadow], qRgb(27, 29, 31));
    EXPECT_EQ(c[ButtonDkShadow], qRgb(14, 14, 16));
    EXPECT_EQ(c[WindowFrame], c[ButtonDkShadow]);
    EXPECT_FALSE(result.look.gradientCaptions);
    // Fonts: 10 points are 13 pixels; the title bars' font is [WM] activeFont, bold.
    ASSERT_TRUE(result.look.metrics);
    const Metrics& m = *result.look.metrics;
    EXPECT_EQ(m.messageFont, (Font{QStringLiteral("Noto Sans"), -13, 400, false}));
    EXPECT_EQ(m.menuFont, (Font{QStringLiteral("Noto Sans"), -15, 400, false}));
    EXPECT_EQ(m.captionFont, (Font{QStringLiteral("Noto Sans"), -13, 700, false}));
    EXPECT_EQ(m.smCaptionFont.height, -11);
    EXPECT_EQ(m.captionHeight, 21);
    EXPECT_EQ(m.menuHeight, 25);
    EXPECT_EQ(m.smCaptionHeight, 15);
    EXPECT_EQ(m.scrollWidth, 16);
}

TEST_F(DesktopColorsTest, BrokenKdeValuesAreToldAndKeepTheBaseSchemesColours) {
    write(QStringLiteral(".config/kdeglobals"), R"([Colors:View]
BackgroundNormal=252,252,252
ForegroundNormal=300,20,20

[Colors:Selection]
BackgroundNormal=61,174
ForegroundNormal=#ffffff

[Colors:Window]
ForegroundNormal=35,38,41

[Colors:Button]
BackgroundNormal=239,240,241

[WM]
activeBackground=222,224,226
activeForeground=20,21,22
inactiveForeground=not a colour

[General]
font=Noto Sans
)");
    environment.currentDesktop = QStringLiteral("KDE");
    const DesktopLook result = desktopLook(environment);
    const ClassicLook& light = scheme(kLightSchemeName);
    EXPECT_EQ(
        lines(result.notes),
        lines(QStringList({
            QStringLiteral(
                "[Colors:View] ForegroundNormal \"300,20,20\" is not a colour (r,g,b with each 0 to "
                "255); WindowText keeps Windows Standard's 0 0 0."),
            QStringLiteral("[Colors:Window] has no BackgroundNormal; ButtonFace from [Colors:Button] "
                           "BackgroundNormal instead."),
            QStringLiteral(
                "[Colors:Window] has no ForegroundInactive; GrayText keeps Windows Standard's 128 128 "
                "128."),
            QStringLiteral(
                "[Colors:Window] has no BackgroundAlternate; AppWorkSpace and Background keep Windows "
                "Standard's 128 128 128."),
            QStringLiteral(
                "[Colors:Selection] BackgroundNormal \"61,174\" is not a colour (r,g,b with each 0 to "
                "255); Hilight and MenuHilight keep Windows Standard's 10 36 106."),
            QStringLiteral(
                "[Colors:Tooltip] is not in kdeglobals; InfoWindow keeps Windows Standard's 255 255 "
                "225."),
            QStringLiteral("[Colors:Tooltip] is not in kdeglobals; InfoText keeps Windows Standard's 0 0 0."),
            QStringLiteral(
                "[Colors:Header] is not in kdeglobals; ActiveTitle and GradientActiveTitle from [WM] "
                "activeBackground instead."),
            QStringLiteral(
                "[Colors:Header] is not in kdeglobals; TitleText from [WM] activeForeground instead."),
            QStringLiteral("[Colors:Header][Inactive] is not in kdeglobals; [WM] has no inactiveBackground; "
                           "InactiveTitle and GradientInactiveTitle keep Windows Standard's 128 128 128."),
            QStringLiteral(
                "[Colors:Header][Inactive] is not in kdeglobals; [WM] inactiveForeground \"not a "
                "colour\" is not a colour (r,g,b with each 0 to 255); InactiveTitleText keeps Windows "
                "Standard's 212 208 200."),
            QStringLiteral(
                "[Colors:View] has no ForegroundLink; HotTrackingColor keeps Windows Standard's 0 0 "
                "128."),
            QStringLiteral(
                "[General] font \"Noto Sans\" is not a font (family,points,...); the sizes and fonts "
                "are left as they are."),
        })));
    const auto& c = result.look.colors;
    EXPECT_EQ(c[Window], qRgb(252, 252, 252));
    EXPECT_EQ(c[WindowText], light.colors[WindowText]);
    EXPECT_EQ(c[ButtonFace], qRgb(239, 240, 241));
    EXPECT_EQ(c[HilightText], qRgb(255, 255, 255));
    EXPECT_EQ(c[Hilight], light.colors[Hilight]);
    EXPECT_EQ(c[InfoWindow], light.colors[InfoWindow]);
    EXPECT_EQ(c[ActiveTitle], qRgb(222, 224, 226));
    EXPECT_EQ(c[TitleText], qRgb(20, 21, 22));
    EXPECT_EQ(c[InactiveTitle], light.colors[InactiveTitle]);
    EXPECT_FALSE(result.look.metrics);
    for (int i = 0; i < SysColorCount; ++i)
        EXPECT_EQ(qAlpha(c[i]), 255) << sysColorName(SysColor(i));
}

TEST_F(DesktopColorsTest, KdeFilesCascadeAndAnUnusableFileIsToldNotParsed) {
    // The system's file gives what the user's does not; the user's wins where both do.
    write(QStringLiteral("xdg/kdeglobals"),
          "[Colors:Tooltip]\nBackgroundNormal=1,2,3\nForegroundNormal=4,5,6\n"
          "[Colors:View]\nBackgroundNormal=9,9,9\n");
    write(QStringLiteral(".config/kdeglobals"), "[Colors:View]\nBackgroundNormal=250,250,250\n");
    DesktopLook result = kdeDesktopLook(environment);
    QString xdg = environment.configDirs.first() + QStringLiteral("/kdeglobals");
    EXPECT_EQ(result.source, QStringLiteral("KDE (~/.config/kdeglobals, ~/xdg/kdeglobals)"));
    EXPECT_EQ(result.look.colors[Window], qRgb(250, 250, 250));
    EXPECT_EQ(result.look.colors[InfoWindow], qRgb(1, 2, 3));
    EXPECT_EQ(result.look.colors[ButtonShadow], scheme(kLightSchemeName).colors[ButtonShadow]);

    // An empty file, binary junk, a folder, a file nobody may read: each is told, and the
    // other files still count.
    write(QStringLiteral(".config/kdeglobals"), "  \n\n");
    result = kdeDesktopLook(environment);
    EXPECT_TRUE(result.notes.contains(QStringLiteral("~/.config/kdeglobals is empty.")));
    EXPECT_EQ(result.look.colors[Window], qRgb(9, 9, 9));
    EXPECT_EQ(result.look.colors[WindowText], scheme(kDarkSchemeName).colors[WindowText]); // 9,9,9 is dark
    EXPECT_EQ(result.source, QStringLiteral("KDE (~/xdg/kdeglobals)"));

    QByteArray junk("[Colors:View]\nBackgroundNormal=");
    junk.append("\xff\xfe\x00\x01", 4);
    write(QStringLiteral(".config/kdeglobals"), junk);
    result = kdeDesktopLook(environment);
    EXPECT_TRUE(result.notes.contains(QStringLiteral("~/.config/kdeglobals is not a text file.")));
    EXPECT_EQ(result.look.colors[Window], qRgb(9, 9, 9));

    ASSERT_TRUE(QFile::remove(environment.configHome + QStringLiteral("/kdeglobals")));
    QDir().mkpath(environment.configHome + QStringLiteral("/kdeglobals"));
    result = kdeDesktopLook(environment);
    EXPECT_TRUE(
        result.notes.contains(QStringLiteral("~/.config/kdeglobals cannot be read (it is a folder).")));
    QDir(environment.configHome + QStringLiteral("/kdeglobals")).removeRecursively();

    // A pipe in the file's place is not opened: reading it would wait for a writer forever.
    ASSERT_EQ(
        ::mkfifo(QFile::encodeName(environment.configHome + QStringLiteral("/kdeglobals")).constData(), 0600),
        0);
    result = kdeDesktopLook(environment);
    EXPECT_TRUE(result.notes.contains(
        QStringLiteral("~/.config/kdeglobals cannot be read (it is not a regular file).")));
    ASSERT_TRUE(QFile::remove(environment.configHome + QStringLiteral("/kdeglobals")));

    write(QStringLiteral(".config/kdeglobals"), "[Colors:View]\nBackgroundNormal=250,250,250\n");
    QFile::setPermissions(environment.configHome + QStringLiteral("/kdeglobals"), QFileDevice::Permissions());
    if (::geteuid() != 0) { // the superuser reads every file
        result = kdeDesktopLook(environment);
        EXPECT_TRUE(
            result.notes.contains(QStringLiteral("~/.config/kdeglobals cannot be read (Permission denied).")))
            << result.notes.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(result.look.colors[Window], qRgb(9, 9, 9));
    }

    // Nothing at all: the light scheme whole, and why.
    QFile::remove(environment.configHome + QStringLiteral("/kdeglobals"));
    QFile::remove(xdg);
    result = kdeDesktopLook(environment);
    EXPECT_EQ(result.source, QStringLiteral("KDE (no kdeglobals could be read)"));
    EXPECT_EQ(result.notes.first(), QStringLiteral("~/.config/kdeglobals does not exist."));
    EXPECT_EQ(result.look.colors, scheme(kLightSchemeName).colors);
}

TEST_F(DesktopColorsTest, KdeColoursAndFontsAreReadInEveryFormKdeWrites) {
    EXPECT_EQ(colorFromKdeText(u"61,174,233"), qRgb(61, 174, 233));
    EXPECT_EQ(colorFromKdeText(u" 61, 174, 233, 128 "), qRgb(61, 174, 233));
    EXPECT_EQ(colorFromKdeText(u"#3daee9"), qRgb(61, 174, 233));
    for (const char16_t* bad :
         {u"", u"61,174", u"61,174,256", u"61,174,-1", u"61,174,233,1,2", u"#3daee", u"#zzzzzz", u"blue"})
        EXPECT_FALSE(colorFromKdeText(bad)) << QString::fromUtf16(bad).toStdString();

    EXPECT_EQ(fontFromQtFontText(u"Noto Sans,10,-1,5,50,0,0,0,0,0"),
              (Font{QStringLiteral("Noto Sans"), -13, 400, false}));
    EXPECT_EQ(fontFromQtFontText(u"Hack,9,-1,5,75,1,0,0,0,0,Bold Italic"),
              (Font{QStringLiteral("Hack"), -12, 700, true}));
    EXPECT_EQ(fontFromQtFontText(u"Inter,10.5,-1,5,600,0,0,0,0,0,0,0,0,0,0,1"),
              (Font{QStringLiteral("Inter"), -14, 600, false}));
    EXPECT_EQ(fontFromQtFontText(u"Fixed,-1,14,5,50,0,0,0,0,0"),
              (Font{QStringLiteral("Fixed"), -14, 400, false}));
    for (const char16_t* bad :
         {u"", u"Noto Sans", u",10", u"Noto Sans,ten", u"Noto Sans,-1,-1", u"Noto Sans,90000"})
        EXPECT_FALSE(fontFromQtFontText(bad)) << QString::fromUtf16(bad).toStdString();
}

TEST_F(DesktopColorsTest, GnomeSettingsGiveTheDarkSchemeWithTheAccentAndTheFont) {
    environment.currentDesktop = QStringLiteral("GNOME");
    scriptGSettings({{QStringLiteral("color-scheme"), QStringLiteral("'prefer-dark'\n")},
                     {QStringLiteral("accent-color"), QStringLiteral("'yellow'\n")},
                     {QStringLiteral("font-name"), QStringLiteral("'Cantarell 11'\n")}});
    const DesktopLook result = desktopLook(environment);
    EXPECT_EQ(result.source, QStringLiteral("GNOME (gsettings org.gnome.desktop.interface)"));
    EXPECT_EQ(lines(result.notes), lines(QStringList()));
    EXPECT_EQ(asked, QStringList({QStringLiteral("org.gnome.desktop.interface color-scheme"),
                                  QStringLiteral("org.gnome.desktop.interface accent-color"),
                                  QStringLiteral("org.gnome.desktop.interface font-name")}));
    ClassicLook expected = scheme(kDarkSchemeName);
    expected.colors[Hilight] = qRgb(0xc8, 0x88, 0x00);
    expected.colors[MenuHilight] = qRgb(0xc8, 0x88, 0x00);
    expected.colors[HilightText] = qRgb(0, 0, 0); // black reads on yellow, white does not
    EXPECT_EQ(result.look.colors, expected.colors);
    ASSERT_TRUE(result.look.metrics);
    EXPECT_EQ(result.look.metrics->messageFont, (Font{QStringLiteral("Cantarell"), -15, 400, false}));
    EXPECT_EQ(result.look.metrics->captionFont, (Font{QStringLiteral("Cantarell"), -15, 700, false}));
    EXPECT_EQ(result.look.metrics->captionHeight, 25);
}

TEST_F(DesktopColorsTest, AnOlderGnomeWithoutAccentKeepsTheSchemesSelection) {
    environment.currentDesktop = QStringLiteral("GNOME");
    scriptGSettings({{QStringLiteral("color-scheme"), QStringLiteral("'default'\n")},
                     {QStringLiteral("font-name"), QStringLiteral("'Noto Sans Bold Italic 10'\n")}});
    const DesktopLook result = desktopLook(environment);
    EXPECT_EQ(
        lines(result.notes),
        lines(QStringList(
            {QStringLiteral("gsettings could not read org.gnome.desktop.interface accent-color (No such "
                            "key “accent-color”)."),
             QStringLiteral("The selection keeps Windows Standard's colour.")})));
    EXPECT_EQ(result.look.colors, scheme(kLightSchemeName).colors);
    EXPECT_EQ(result.look.metrics->menuFont, (Font{QStringLiteral("Noto Sans"), -13, 700, true}));
}

TEST_F(DesktopColorsTest, WithoutGSettingsGtksSettingsFileIsRead) {
    environment.currentDesktop = QStringLiteral("GNOME");
    write(QStringLiteral(".config/gtk-3.0/settings.ini"),
          "[Settings]\ngtk-application-prefer-dark-theme=1\ngtk-font-name=Noto Sans 12\n");
    DesktopLook result = desktopLook(environment);
    EXPECT_EQ(result.source, QStringLiteral("GTK (~/.config/gtk-3.0/settings.ini)"));
    EXPECT_EQ(
        lines(result.notes),
        lines(QStringList({QStringLiteral("gsettings is not installed; GTK's settings.ini is read instead."),
                           QStringLiteral("GTK's settings.ini holds no accent colour."),
                           QStringLiteral("The selection keeps Dark's colour.")})));
    EXPECT_EQ(result.look.colors, scheme(kDarkSchemeName).colors);
    EXPECT_EQ(result.look.metrics->iconFont, (Font{QStringLiteral("Noto Sans"), -16, 400, false}));

    // GTK 4's file comes first; gsettings that fails sends the reader there too.
    write(QStringLiteral(".config/gtk-4.0/settings.ini"),
          "[Settings]\ngtk-application-prefer-dark-theme=maybe\n");
    scriptGSettings({});
    result = desktopLook(environment);
    EXPECT_EQ(result.source, QStringLiteral("GTK (~/.config/gtk-4.0/settings.ini)"));
    EXPECT_EQ(
        lines(result.notes),
        lines(QStringList(
            {QStringLiteral("gsettings could not read org.gnome.desktop.interface color-scheme (No such "
                            "key “color-scheme”); GTK's settings.ini is read instead."),
             QStringLiteral("~/.config/gtk-4.0/settings.ini gtk-application-prefer-dark-theme \"maybe\" is "
                            "not true or false."),
             QStringLiteral("~/.config/gtk-4.0/settings.ini has no gtk-font-name in [Settings]; the sizes "
                            "and fonts are left as they are."),
             QStringLiteral("GTK's settings.ini holds no accent colour."),
             QStringLiteral("Whether the desktop is dark could not be read; Windows Standard is used."),
             QStringLiteral("The selection keeps Windows Standard's colour.")})));
    EXPECT_EQ(result.look.colors, scheme(kLightSchemeName).colors);
    EXPECT_FALSE(result.look.metrics);
}

TEST_F(DesktopColorsTest, NothingReadableFromGnomeGivesTheLightSchemeAndSaysWhy) {
    environment.currentDesktop = QStringLiteral("GNOME");
    scriptGSettings(
        {{QStringLiteral("color-scheme"), QStringLiteral("prefer-dark\n")}}); // not a quoted string
    write(QStringLiteral(".config/gtk-4.0/settings.ini"), QByteArray("\x00\x01\x02", 3));
    const DesktopLook result = desktopLook(environment);
    EXPECT_EQ(result.source, QStringLiteral("GNOME (no settings could be read)"));
    EXPECT_EQ(lines(result.notes),
              lines(QStringList(
                  {QStringLiteral("gsettings printed \"prefer-dark\" for org.gnome.desktop.interface "
                                  "color-scheme, which is not a string; GTK's settings.ini is read instead."),
                   QStringLiteral("~/.config/gtk-4.0/settings.ini is not a text file."),
                   QStringLiteral("Neither ~/.config/gtk-4.0/settings.ini nor ~/.config/gtk-3.0/settings.ini "
                                  "could be read."),
                   QStringLiteral("Whether the desktop is dark could not be read; Windows Standard is used."),
                   QStringLiteral("The selection keeps Windows Standard's colour.")})));
    EXPECT_EQ(result.look.colors, scheme(kLightSchemeName).colors);
    EXPECT_FALSE(result.look.metrics);
}

TEST_F(DesktopColorsTest, GnomeValuesAreReadAsGSettingsAndPangoWriteThem) {
    EXPECT_EQ(gsettingsString(u"'prefer-dark'\n"), QStringLiteral("prefer-dark"));
    EXPECT_EQ(gsettingsString(u"\"it's\""), QStringLiteral("it's"));
    EXPECT_EQ(gsettingsString(u"'it\\'s'"), QStringLiteral("it's"));
    for (const char16_t* bad : {u"", u"'", u"prefer-dark", u"'a' 'b'", u"'open", u"@as []"})
        EXPECT_FALSE(gsettingsString(bad)) << QString::fromUtf16(bad).toStdString();

    EXPECT_EQ(fontFromPangoText(u"Cantarell 11"), (Font{QStringLiteral("Cantarell"), -15, 400, false}));
    EXPECT_EQ(fontFromPangoText(u"DejaVu Sans Condensed Semi-Bold Oblique 9"),
              (Font{QStringLiteral("DejaVu Sans"), -12, 600, true}));
    EXPECT_EQ(fontFromPangoText(u"Cantarell, Sans 10"), (Font{QStringLiteral("Cantarell"), -13, 400, false}));
    EXPECT_EQ(fontFromPangoText(u"Terminus 16px"), (Font{QStringLiteral("Terminus"), -16, 400, false}));
    for (const char16_t* bad :
         {u"", u"Cantarell", u"11", u"Bold 11", u"Cantarell 0", u"Cantarell -3", u"Sans 9000"})
        EXPECT_FALSE(fontFromPangoText(bad)) << QString::fromUtf16(bad).toStdString();

    EXPECT_EQ(gnomeAccentColor(u"blue"), qRgb(0x35, 0x84, 0xe4));
    EXPECT_EQ(gnomeAccentColor(u"Slate"), qRgb(0x6f, 0x83, 0x96));
    EXPECT_FALSE(gnomeAccentColor(u"brown"));
}

TEST_F(DesktopColorsTest, TheSystemEnvironmentFollowsXdgBaseDirectoriesAndRunsGSettingsFromPath) {
    // A stand-in gsettings on PATH: one key answered, the rest refused as gsettings does.
    write(QStringLiteral("bin/gsettings"),
          "#!/bin/sh\n"
          "if [ \"$1 $2 $3\" = 'get org.gnome.desktop.interface color-scheme' ]; then\n"
          "  echo \"'prefer-dark'\"; exit 0\n"
          "fi\n"
          "echo \"No such key \\\"$3\\\"\" >&2; exit 1\n");
    QFile::setPermissions(home.path() + QStringLiteral("/bin/gsettings"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    DesktopEnvironment system;
    {
        const ScopedVariable path("PATH", QFile::encodeName(home.path() + QStringLiteral("/bin")));
        const ScopedVariable configHome("XDG_CONFIG_HOME", "relative/is/ignored");
        const ScopedVariable configDirs("XDG_CONFIG_DIRS", "/first:relative:/second:");
        const ScopedVariable desktop("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
        system = systemDesktopEnvironment();
    }

    EXPECT_EQ(system.currentDesktop, QStringLiteral("ubuntu:GNOME"));
    EXPECT_EQ(system.configHome, QDir::homePath() + QStringLiteral("/.config"));
    EXPECT_EQ(system.configDirs, QStringList({QStringLiteral("/first"), QStringLiteral("/second")}));
    ASSERT_TRUE(system.gsettings);
    const GSettingsReply dark =
        system.gsettings(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("color-scheme"));
    EXPECT_TRUE(dark.ran);
    EXPECT_EQ(dark.exitCode, 0);
    EXPECT_EQ(dark.output, QStringLiteral("'prefer-dark'\n"));
    const GSettingsReply missing =
        system.gsettings(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("accent-color"));
    EXPECT_TRUE(missing.ran);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.error, QStringLiteral("No such key \"accent-color\""));
}
