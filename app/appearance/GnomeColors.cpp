#include "GnomeColors.h"

#include "ColorMath.h"
#include "ColorSchemes.h"
#include "DesktopColors.h"
#include "DesktopLookParts.h"
#include "IniText.h"

#include <algorithm>
#include <cmath>

namespace appearance {

namespace {

const QString kInterfaceSchema = QStringLiteral("org.gnome.desktop.interface");
constexpr double kMaxPoints = 500.0;

struct AccentName {
    const char* name;
    QRgb color;
};
// GNOME's accent colours (Settings, Appearance), as its own toolkit draws them.
const AccentName kAccents[] = {
    {"blue", qRgb(0x35, 0x84, 0xe4)},   {"teal", qRgb(0x21, 0x90, 0xa4)},   {"green", qRgb(0x3a, 0x94, 0x4a)},
    {"yellow", qRgb(0xc8, 0x88, 0x00)}, {"orange", qRgb(0xed, 0x5b, 0x00)}, {"red", qRgb(0xe6, 0x2d, 0x42)},
    {"pink", qRgb(0xd5, 0x61, 0x99)},   {"purple", qRgb(0x91, 0x41, 0xac)}, {"slate", qRgb(0x6f, 0x83, 0x96)},
};

struct PangoWord {
    const char* word;
    int weight; // 0: not a weight
    bool italic;
};
// The style words a Pango description may carry before its size.
const PangoWord kPangoWords[] = {
    {"thin", 100, false},       {"ultra-light", 200, false}, {"extra-light", 200, false},
    {"ultralight", 200, false}, {"light", 300, false},       {"semi-light", 350, false},
    {"book", 380, false},       {"regular", 400, false},     {"normal", 400, false},
    {"medium", 500, false},     {"semi-bold", 600, false},   {"demi-bold", 600, false},
    {"semibold", 600, false},   {"bold", 700, false},        {"ultra-bold", 800, false},
    {"extra-bold", 800, false}, {"heavy", 900, false},       {"black", 900, false},
    {"italic", 0, true},        {"oblique", 0, true},        {"roman", 0, false},
    {"small-caps", 0, false},   {"condensed", 0, false},     {"semi-condensed", 0, false},
    {"expanded", 0, false},     {"semi-expanded", 0, false}, {"ultra-condensed", 0, false},
};

const PangoWord* pangoWord(const QString& token) {
    for (const PangoWord& word : kPangoWords)
        if (token.compare(QLatin1String(word.word), Qt::CaseInsensitive) == 0)
            return &word;
    return nullptr;
}

// What the desktop says, each part null when it could not be learnt.
struct GnomeSettings {
    std::optional<bool> dark;
    std::optional<QRgb> accent;
    std::optional<Font> font;
};

QString gsettingsFailure(const GSettingsReply& reply) {
    if (!reply.ran)
        return reply.error.isEmpty() ? QStringLiteral("it did not run") : reply.error;
    if (!reply.error.isEmpty())
        return reply.error;
    return QStringLiteral("exit status %1").arg(reply.exitCode);
}

// The font a setting names (where says which), or a note that it names none.
void readFont(const QString& where, const QString& text, GnomeSettings& settings, QStringList& notes) {
    settings.font = fontFromPangoText(text);
    if (!settings.font)
        notes << QStringLiteral("%1 \"%2\" is not a font (family and size); the sizes and fonts are left as "
                                "they are.")
                     .arg(where, text);
}

// One key of org.gnome.desktop.interface as a string, or a note saying why not.
std::optional<QString> gsettingsValue(const GSettingsRunner& gsettings, const QString& key, QString* why) {
    const GSettingsReply reply = gsettings(kInterfaceSchema, key);
    if (!reply.ran || reply.exitCode != 0) {
        *why = QStringLiteral("gsettings could not read %1 %2 (%3)")
                   .arg(kInterfaceSchema, key, gsettingsFailure(reply));
        return std::nullopt;
    }
    std::optional<QString> value = gsettingsString(reply.output);
    if (!value)
        *why = QStringLiteral("gsettings printed \"%1\" for %2 %3, which is not a string")
                   .arg(reply.output.trimmed(), kInterfaceSchema, key);
    return value;
}

// False when not even the colour scheme could be read, so that GTK's files are tried.
bool readGSettings(const GSettingsRunner& gsettings, GnomeSettings& settings, QStringList& notes) {
    QString why;
    const std::optional<QString> scheme = gsettingsValue(gsettings, QStringLiteral("color-scheme"), &why);
    if (!scheme) {
        notes << why + QStringLiteral("; GTK's settings.ini is read instead.");
        return false;
    }
    if (*scheme == QLatin1String("prefer-dark"))
        settings.dark = true;
    else if (*scheme == QLatin1String("default") || *scheme == QLatin1String("prefer-light"))
        settings.dark = false;
    else
        notes << QStringLiteral("%1 color-scheme \"%2\" is not default, prefer-light or prefer-dark.")
                     .arg(kInterfaceSchema, *scheme);

    if (const std::optional<QString> accent =
            gsettingsValue(gsettings, QStringLiteral("accent-color"), &why)) {
        settings.accent = gnomeAccentColor(*accent);
        if (!settings.accent)
            notes << QStringLiteral("%1 accent-color \"%2\" is not one of GNOME's accent colours.")
                         .arg(kInterfaceSchema, *accent);
    } else {
        notes << why + QLatin1Char('.');
    }

    if (const std::optional<QString> font = gsettingsValue(gsettings, QStringLiteral("font-name"), &why)) {
        readFont(kInterfaceSchema + QStringLiteral(" font-name"), *font, settings, notes);
    } else {
        notes << why + QStringLiteral("; the sizes and fonts are left as they are.");
    }
    return true;
}

std::optional<bool> iniBoolean(const QString& text) {
    const QString value = text.trimmed().toLower();
    if (value == QLatin1String("true") || value == QLatin1String("1"))
        return true;
    if (value == QLatin1String("false") || value == QLatin1String("0"))
        return false;
    return std::nullopt;
}

// GTK's own settings file, the GTK 4 one first; returns the source text.
QString readSettingsIni(const DesktopEnvironment& environment, GnomeSettings& settings, QStringList& notes) {
    QStringList shownPaths;
    for (const char* folder : {"gtk-4.0", "gtk-3.0"}) {
        const QString path = environment.configHome + QLatin1Char('/') + QLatin1String(folder) +
                             QStringLiteral("/settings.ini");
        const QString shown = shownPath(path, environment.home);
        shownPaths << shown;
        const SettingsFile file = readSettingsFile(path);
        if (file.status != SettingsFile::Read) {
            if (file.status != SettingsFile::Missing)
                notes << settingsFileProblem(file, shown) + QLatin1Char('.');
            continue;
        }
        const IniText ini = IniText::parse(file.text);
        const QString group = QStringLiteral("Settings");
        if (const std::optional<QString> dark =
                ini.value(group, QStringLiteral("gtk-application-prefer-dark-theme"))) {
            settings.dark = iniBoolean(*dark);
            if (!settings.dark)
                notes << QStringLiteral("%1 gtk-application-prefer-dark-theme \"%2\" is not true or false.")
                             .arg(shown, *dark);
        } else {
            notes << QStringLiteral("%1 has no gtk-application-prefer-dark-theme in [Settings].").arg(shown);
        }
        if (const std::optional<QString> font = ini.value(group, QStringLiteral("gtk-font-name"))) {
            readFont(shown + QStringLiteral(" gtk-font-name"), *font, settings, notes);
        } else {
            notes << QStringLiteral(
                         "%1 has no gtk-font-name in [Settings]; the sizes and fonts are left as they are.")
                         .arg(shown);
        }
        notes << QStringLiteral("GTK's settings.ini holds no accent colour.");
        return QStringLiteral("GTK (%1)").arg(shown);
    }
    notes << QStringLiteral("Neither %1 nor %2 could be read.").arg(shownPaths[0], shownPaths[1]);
    return QStringLiteral("GNOME (no settings could be read)");
}

} // namespace

std::optional<QString> gsettingsString(QStringView output) {
    const QStringView text = output.trimmed();
    if (text.size() < 2)
        return std::nullopt;
    const QChar quote = text.front();
    if ((quote != QLatin1Char('\'') && quote != QLatin1Char('"')) || text.back() != quote)
        return std::nullopt;
    QString value;
    const QStringView inner = text.mid(1, text.size() - 2);
    for (qsizetype i = 0; i < inner.size(); ++i) {
        if (inner[i] == QLatin1Char('\\') && i + 1 < inner.size()) {
            value.append(inner[++i]);
            continue;
        }
        if (inner[i] == quote)
            return std::nullopt; // two strings, or a broken one
        value.append(inner[i]);
    }
    return value;
}

std::optional<Font> fontFromPangoText(QStringView text) {
    QStringList tokens = text.toString().simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (tokens.size() < 2)
        return std::nullopt;
    Font font;
    QString size = tokens.takeLast();
    const bool pixels = size.endsWith(QLatin1String("px"), Qt::CaseInsensitive);
    if (pixels)
        size.chop(2);
    bool ok = false;
    const double value = size.toDouble(&ok);
    if (!ok || value <= 0 || value > kMaxPoints)
        return std::nullopt;
    font.height = pixels ? -static_cast<int>(std::lround(value)) : heightForPoints(value);
    font.weight = 400;
    while (!tokens.isEmpty()) {
        const PangoWord* word = pangoWord(tokens.last());
        if (!word)
            break;
        if (word->weight)
            font.weight = word->weight;
        font.italic = font.italic || word->italic;
        tokens.removeLast();
    }
    // "Cantarell, Sans" names fallbacks after the first family.
    font.face = tokens.join(QLatin1Char(' ')).section(QLatin1Char(','), 0, 0).trimmed();
    if (font.face.isEmpty())
        return std::nullopt;
    return font;
}

std::optional<QRgb> gnomeAccentColor(QStringView name) {
    for (const AccentName& accent : kAccents)
        if (name.compare(QLatin1String(accent.name), Qt::CaseInsensitive) == 0)
            return accent.color;
    return std::nullopt;
}

DesktopLook gnomeDesktopLook(const DesktopEnvironment& environment) {
    DesktopLook result;
    GnomeSettings settings;
    bool fromGSettings = false;
    if (environment.gsettings)
        fromGSettings = readGSettings(environment.gsettings, settings, result.notes);
    else
        result.notes << QStringLiteral("gsettings is not installed; GTK's settings.ini is read instead.");
    result.source = fromGSettings ? QStringLiteral("GNOME (gsettings %1)").arg(kInterfaceSchema)
                                  : readSettingsIni(environment, settings, result.notes);

    const Scheme* base = findScheme(settings.dark.value_or(false) ? kDarkSchemeName : kLightSchemeName);
    if (!settings.dark)
        result.notes
            << QStringLiteral("Whether the desktop is dark could not be read; %1 is used.").arg(base->name);
    result.look = base->look;
    result.look.metrics.reset();
    if (settings.accent) {
        for (SysColor selection : {Hilight, MenuHilight})
            result.look.colors[selection] = *settings.accent;
        result.look.colors[HilightText] = readableTextOn(*settings.accent);
    } else {
        result.notes << QStringLiteral("The selection keeps %1's colour.").arg(base->name);
    }
    if (settings.font) {
        Font bold = *settings.font;
        bold.weight = std::max(bold.weight, 700);
        result.look.metrics = metricsForFonts(*settings.font, *settings.font, bold, bold);
    }
    return result;
}

} // namespace appearance
