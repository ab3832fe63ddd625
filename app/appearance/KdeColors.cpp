#include "KdeColors.h"

#include "AppearanceValues.h"
#include "ColorMath.h"
#include "ColorSchemes.h"
#include "DesktopColors.h"
#include "DesktopLookParts.h"
#include "IniText.h"

#include <QList>

#include <algorithm>
#include <cmath>

namespace appearance {

namespace {

// A font size beyond this many points is damage, not a choice.
constexpr double kMaxPoints = 500.0;

struct KdeKey {
    const char* group; // as between the brackets: "Colors:Header][Inactive"
    const char* key;
};

// Each entry: the first of its keys that holds a colour sets its system colours.
struct ColorMapping {
    QList<KdeKey> keys;
    QList<SysColor> targets;
};

const QList<ColorMapping>& colorMappings() {
    static const QList<ColorMapping> mappings = {
        {{{"Colors:View", "BackgroundNormal"}}, {Window}},
        {{{"Colors:View", "ForegroundNormal"}}, {WindowText}},
        {{{"Colors:Window", "BackgroundNormal"}, {"Colors:Button", "BackgroundNormal"}}, {ButtonFace}},
        {{{"Colors:Window", "ForegroundNormal"}, {"Colors:Button", "ForegroundNormal"}}, {ButtonText}},
        {{{"Colors:Window", "ForegroundInactive"}}, {GrayText}},
        {{{"Colors:Window", "BackgroundAlternate"}}, {AppWorkSpace, Background}},
        {{{"Colors:Selection", "BackgroundNormal"}}, {Hilight, MenuHilight}},
        {{{"Colors:Selection", "ForegroundNormal"}}, {HilightText}},
        {{{"Colors:Tooltip", "BackgroundNormal"}}, {InfoWindow}},
        {{{"Colors:Tooltip", "ForegroundNormal"}}, {InfoText}},
        {{{"Colors:Header", "BackgroundNormal"}, {"WM", "activeBackground"}},
         {ActiveTitle, GradientActiveTitle}},
        {{{"Colors:Header", "ForegroundNormal"}, {"WM", "activeForeground"}}, {TitleText}},
        {{{"Colors:Header][Inactive", "BackgroundNormal"}, {"WM", "inactiveBackground"}},
         {InactiveTitle, GradientInactiveTitle}},
        {{{"Colors:Header][Inactive", "ForegroundNormal"}, {"WM", "inactiveForeground"}},
         {InactiveTitleText}},
        {{{"Colors:View", "ForegroundLink"}}, {HotTrackingColor}},
    };
    return mappings;
}

QString groupText(const char* group) {
    return QLatin1Char('[') + QString::fromLatin1(group) + QLatin1Char(']');
}

QString targetText(const QList<SysColor>& targets) {
    QStringList names;
    for (SysColor target : targets)
        names << QString::fromLatin1(sysColorName(target));
    return names.join(QStringLiteral(" and "));
}

// Qt 5's font weights (0-99) as Qt 6 and CSS number them (100-900).
int weightFromQt5(int weight) {
    static const int qt5[] = {0, 12, 25, 50, 57, 63, 75, 81, 87};
    int nearest = 0;
    for (int i = 1; i < 9; ++i)
        if (std::abs(qt5[i] - weight) < std::abs(qt5[nearest] - weight))
            nearest = i;
    return 100 * (nearest + 1);
}

class KdeReader {
public:
    KdeReader(IniText ini, QString fileWord) : m_ini(std::move(ini)), m_fileWord(std::move(fileWord)) {}

    // The colour at group/key, or why there is none.
    std::optional<QRgb> color(const KdeKey& at, QString* why) const {
        const QString group = QString::fromLatin1(at.group);
        const QString key = QString::fromLatin1(at.key);
        if (!m_ini.hasGroup(group)) {
            *why = QStringLiteral("%1 is not in %2").arg(groupText(at.group), m_fileWord);
            return std::nullopt;
        }
        const std::optional<QString> text = m_ini.value(group, key);
        if (!text) {
            *why = QStringLiteral("%1 has no %2").arg(groupText(at.group), key);
            return std::nullopt;
        }
        const std::optional<QRgb> parsed = colorFromKdeText(*text);
        if (!parsed)
            *why = QStringLiteral("%1 %2 \"%3\" is not a colour (r,g,b with each 0 to 255)")
                       .arg(groupText(at.group), key, *text);
        return parsed;
    }

    std::optional<QString> text(const char* group, const char* key) const {
        return m_ini.value(QString::fromLatin1(group), QString::fromLatin1(key));
    }

    const QString& fileWord() const { return m_fileWord; }

private:
    IniText m_ini;
    QString m_fileWord;
};

// Menus, borders and the 3D shades follow the face as Windows' own schemes have them.
void deriveFaceColors(ClassicLook& look) {
    for (SysColor same : {Menu, MenuBar, ActiveBorder, InactiveBorder, Scrollbar})
        look.colors[same] = look.colors[ButtonFace];
    deriveButtonShades(look);
    look.colors[WindowFrame] = look.colors[ButtonDkShadow];
}

std::optional<Font> readFont(const KdeReader& reader, const char* group, const char* key, QStringList& notes,
                             const QString& instead) {
    const std::optional<QString> text = reader.text(group, key);
    if (!text)
        return std::nullopt;
    std::optional<Font> font = fontFromQtFontText(*text);
    if (!font)
        notes << QStringLiteral("%1 %2 \"%3\" is not a font (family,points,...); %4.")
                     .arg(groupText(group), QString::fromLatin1(key), *text, instead);
    return font;
}

void readFonts(const KdeReader& reader, DesktopLook& result) {
    const QString leftAsTheyAre = QStringLiteral("the sizes and fonts are left as they are");
    const std::optional<Font> text = readFont(reader, "General", "font", result.notes, leftAsTheyAre);
    if (!text) {
        if (!reader.text("General", "font"))
            result.notes
                << QStringLiteral("[General] has no font in %1; %2.").arg(reader.fileWord(), leftAsTheyAre);
        return;
    }
    const QString generalInstead = QStringLiteral("[General] font is used instead");
    const Font menu = readFont(reader, "General", "menuFont", result.notes, generalInstead).value_or(*text);
    const Font small =
        readFont(reader, "General", "smallestReadableFont", result.notes, generalInstead).value_or(*text);
    Font bold = *text;
    bold.weight = std::max(bold.weight, 700);
    const Font caption = readFont(reader, "WM", "activeFont", result.notes,
                                  QStringLiteral("[General] font, bold, is used instead"))
                             .value_or(bold);
    result.look.metrics = metricsForFonts(*text, menu, caption, small);
}

} // namespace

std::optional<QRgb> colorFromKdeText(QStringView text) {
    const QString trimmed = text.trimmed().toString();
    if (trimmed.startsWith(QLatin1Char('#'))) {
        if (trimmed.size() != 7)
            return std::nullopt;
        bool ok = false;
        const uint value = QStringView(trimmed).mid(1).toUInt(&ok, 16);
        return ok ? std::optional<QRgb>(qRgb((value >> 16) & 0xff, (value >> 8) & 0xff, value & 0xff))
                  : std::nullopt;
    }
    const QStringList parts = trimmed.split(QLatin1Char(','));
    if (parts.size() != 3 && parts.size() != 4)
        return std::nullopt;
    int channels[4] = {0, 0, 0, 255};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        channels[i] = parts[i].trimmed().toInt(&ok, 10);
        if (!ok || channels[i] < 0 || channels[i] > 255)
            return std::nullopt;
    }
    return qRgb(channels[0], channels[1], channels[2]);
}

std::optional<Font> fontFromQtFontText(QStringView text) {
    const QStringList fields = text.toString().split(QLatin1Char(','));
    if (fields.size() < 2 || fields[0].trimmed().isEmpty())
        return std::nullopt;
    Font font;
    font.face = fields[0].trimmed();
    bool ok = false;
    const double points = fields[1].trimmed().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    if (points > 0 && points <= kMaxPoints) {
        font.height = heightForPoints(points);
    } else {
        const int pixels = fields.size() > 2 ? fields[2].trimmed().toInt(&ok) : -1;
        if (!ok || pixels <= 0 || pixels > kMaxPoints)
            return std::nullopt;
        font.height = -pixels;
    }
    // Qt 6 writes 16 or more fields with weights 1-1000; Qt 5 wrote 10 or 11 with 0-99.
    const bool qt6 = fields.size() >= 16;
    font.weight = 400;
    if (fields.size() > 4) {
        const int weight = fields[4].trimmed().toInt(&ok);
        if (ok)
            font.weight = qt6 ? std::clamp(weight, 1, 1000) : weightFromQt5(weight);
    }
    font.italic = fields.size() > 5 && fields[5].trimmed().toInt() != 0;
    return font;
}

DesktopLook kdeDesktopLook(const DesktopEnvironment& environment) {
    DesktopLook result;
    // kdeglobals from the least important folder up, the user's own last, as KDE reads them.
    QStringList paths;
    for (auto dir = environment.configDirs.crbegin(); dir != environment.configDirs.crend(); ++dir)
        paths << *dir + QStringLiteral("/kdeglobals");
    const QString userPath = environment.configHome + QStringLiteral("/kdeglobals");
    paths << userPath;
    IniText ini;
    QStringList readFiles;
    for (const QString& path : paths) {
        const SettingsFile file = readSettingsFile(path);
        const QString shown = shownPath(path, environment.home);
        if (file.status == SettingsFile::Read) {
            ini.overlay(IniText::parse(file.text));
            readFiles.prepend(shown);
        } else if (file.status != SettingsFile::Missing || path == userPath) {
            // The system's files are optional; the user's is the one that holds the choice.
            result.notes << settingsFileProblem(file, shown) + QLatin1Char('.');
        }
    }
    result.source = readFiles.isEmpty()
                        ? QStringLiteral("KDE (no kdeglobals could be read)")
                        : QStringLiteral("KDE (%1)").arg(readFiles.join(QStringLiteral(", ")));
    const KdeReader reader(ini, QStringLiteral("kdeglobals"));

    // Dark or light base, by the background the desktop's windows have.
    QString unused;
    std::optional<QRgb> background = reader.color({"Colors:View", "BackgroundNormal"}, &unused);
    if (!background)
        background = reader.color({"Colors:Window", "BackgroundNormal"}, &unused);
    const bool dark = background && readableTextOn(*background) == qRgb(255, 255, 255);
    const Scheme* base = findScheme(dark ? kDarkSchemeName : kLightSchemeName);
    result.look = base->look;
    result.look.metrics.reset();

    bool faceRead = false;
    bool textRead = false;
    bool titleRead = false;
    for (const ColorMapping& mapping : colorMappings()) {
        QStringList whys;
        std::optional<QRgb> found;
        qsizetype used = 0;
        for (; used < mapping.keys.size() && !found; ++used) {
            QString why;
            found = reader.color(mapping.keys[used], &why);
            if (!found)
                whys << why;
        }
        const QString targets = targetText(mapping.targets);
        if (!found) {
            result.notes << QStringLiteral("%1; %2 keep%3 %4's %5.")
                                .arg(whys.join(QStringLiteral("; ")), targets,
                                     mapping.targets.size() == 1 ? QStringLiteral("s") : QString(),
                                     base->name, colorText(base->look.colors[mapping.targets.first()]));
            continue;
        }
        if (!whys.isEmpty()) {
            const KdeKey& from = mapping.keys[used - 1];
            result.notes << QStringLiteral("%1; %2 from %3 %4 instead.")
                                .arg(whys.join(QStringLiteral("; ")), targets, groupText(from.group),
                                     QString::fromLatin1(from.key));
        }
        for (SysColor target : mapping.targets)
            result.look.colors[target] = *found;
        faceRead = faceRead || mapping.targets.contains(ButtonFace);
        textRead = textRead || mapping.targets.contains(ButtonText);
        titleRead = titleRead || mapping.targets.contains(ActiveTitle);
    }
    if (faceRead)
        deriveFaceColors(result.look);
    if (textRead)
        result.look.colors[MenuText] = result.look.colors[ButtonText];
    // KDE's title bars are one colour; the gradient's second colour is the same.
    if (titleRead)
        result.look.gradientCaptions = false;
    readFonts(reader, result);
    return result;
}

} // namespace appearance
