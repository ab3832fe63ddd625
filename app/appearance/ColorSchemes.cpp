#include "ColorSchemes.h"

#include <array>
#include <cmath>

namespace appearance {

namespace {

// The 31 colours of a scheme as 0xRRGGBB, in the order of their indexes (Scrollbar first,
// MenuBar last). The Windows schemes are the published values of the Display control
// panel; "Wine default" is Wine's built-in table; "Dark" is this program's own.
struct ColorTable {
    const char* name;
    std::array<quint32, SysColorCount> rgb;
};

const ColorTable kColorTables[] = {
    {"Brick", {0xe1e0d2, 0x420000, 0x800000, 0x8d8961, 0xc2bfa5, 0xffffff, 0x000000, 0x000000,
               0x000000, 0xe1e0d2, 0xc2bfa5, 0xc2bfa5, 0xe1e0d2, 0x8d8961, 0xffffff, 0xc2bfa5,
               0x8d8961, 0x8d8961, 0x000000, 0xe1e0d2, 0xe1e0d2, 0x000000, 0xc2bfa5, 0x800000,
               0xe1e0d2, 0xc0c0c0, 0x800000, 0xb07440, 0xc8b870, 0x8d8961, 0xc2bfa5}},
    {"Desert", {0xeae6dd, 0xa28d68, 0x008080, 0xa28d68, 0xd5ccbb, 0xffffff, 0x000000, 0x000000,
                0x000000, 0xffffff, 0xd5ccbb, 0xd5ccbb, 0xa28d68, 0x008080, 0xffffff, 0xd5ccbb,
                0xa28d68, 0xa28d68, 0x000000, 0xffffff, 0xeae6dd, 0x000000, 0xd5ccbb, 0x000000,
                0xffffff, 0xc0c0c0, 0x008080, 0x84bdaa, 0xe8d080, 0x008080, 0xd5ccbb}},
    {"Eggplant", {0x90b0a8, 0x400040, 0x588078, 0x90b0a8, 0x90b0a8, 0xffffff, 0x000000, 0x000000,
                  0x000000, 0xffffff, 0x90b0a8, 0x90b0a8, 0x808080, 0x588078, 0xffffff, 0x90b0a8,
                  0x588078, 0x588078, 0x000000, 0x588078, 0xc8d8d8, 0x000000, 0x90b0a8, 0x800080,
                  0xffffff, 0xc0c0c0, 0x588078, 0x834b83, 0xcbbdd2, 0x588078, 0x90b0a8}},
    {"Lilac", {0xaea8d9, 0x000000, 0x5a4eb1, 0x808080, 0xaea8d9, 0xffffff, 0x000000, 0x000000,
               0x000000, 0xffffff, 0xaea8d9, 0xaea8d9, 0x5a4eb1, 0x5a4eb1, 0xffffff, 0xaea8d9,
               0x5a4eb1, 0x5a4eb1, 0x000000, 0xffffff, 0xd8d5ec, 0x000000, 0xaea8d9, 0x000000,
               0xffffff, 0xc0c0c0, 0x5a4eb1, 0xb68fcb, 0xb8b4d0, 0x5a4eb1, 0xaea8d9}},
    {"Maple", {0xf2ecd7, 0x000000, 0x800000, 0xc6a646, 0xe6d8ae, 0xffffff, 0x000000, 0x000000,
               0x000000, 0xffffff, 0xe6d8ae, 0xe6d8ae, 0xc6a646, 0xc6a646, 0x000000, 0xe6d8ae,
               0xc6a646, 0xc6a646, 0x000000, 0xf2ecd7, 0xf2ecd7, 0x000000, 0xe6d8ae, 0x000000,
               0xffffff, 0xc0c0c0, 0xc6a646, 0xc09c38, 0xe0c888, 0xc6a646, 0xe6d8ae}},
    {"Marine (high color)", {0xc8e0d8, 0x2c4e47, 0x000080, 0x489088, 0x88c0b8, 0xc8e0d8, 0x000000, 0x000000,
                             0x000000, 0xffffff, 0x88c0b8, 0x88c0b8, 0x4b8d84, 0x000080, 0xffffff, 0x88c0b8,
                             0x489088, 0x489088, 0x000000, 0xc0c0c0, 0xc8e0d8, 0x000000, 0x88c0b8, 0x000000,
                             0xc8e0d8, 0xc0c0c0, 0x000080, 0x18b4c0, 0x78ccd8, 0x000080, 0x88c0b8}},
    {"Plum (high color)", {0xd8d0c8, 0x402840, 0x484060, 0x786058, 0xa89890, 0xd8d0c8, 0x000000, 0x000000,
                           0x000000, 0xffffff, 0xa89890, 0xa89890, 0x74635a, 0x008080, 0xd8d0c8, 0xa89890,
                           0x786058, 0x786058, 0x000000, 0xa89890, 0xd8d0c8, 0x000000, 0xa89890, 0x300058,
                           0xd5ccc8, 0xc0c0c0, 0x484060, 0xa084b8, 0xa89878, 0x008080, 0xa89890}},
    {"Pumpkin", {0xf5eacf, 0x420042, 0xd7a52f, 0xa0a0a4, 0xecd59d, 0xffffff, 0x000000, 0x000000,
                 0x000000, 0xffffff, 0xecd59d, 0xecd59d, 0xf5eacf, 0x800080, 0xffffff, 0xecd59d,
                 0xd7a52f, 0xd7a52f, 0x000000, 0xf5eacf, 0xf5eacf, 0x000000, 0xecd59d, 0x800080,
                 0xffffff, 0xc0c0c0, 0xd7a52f, 0xe0cc88, 0xd0cc90, 0x800080, 0xecd59d}},
    {"Rainy Day", {0xc1ccd9, 0x000000, 0x4f657d, 0x808080, 0x8399b1, 0xffffff, 0x000000, 0x000000,
                   0x000000, 0xffffff, 0x8399b1, 0x8399b1, 0x808080, 0x4f657d, 0xffffff, 0x8399b1,
                   0x4f657d, 0x4f657d, 0x000000, 0xc1ccd9, 0xc1ccd9, 0x000000, 0x8399b1, 0x000000,
                   0xffffff, 0xc0c0c0, 0x4f657d, 0x80b4d0, 0xb0bcd0, 0x4f657d, 0x8399b1}},
    {"Red, White, and Blue (VGA)",
     {0xc0c0c0, 0x000042, 0x800000, 0x808080, 0xc0c0c0, 0xffffff, 0x000000, 0x000000,
      0x000000, 0xffffff, 0xc0c0c0, 0xc0c0c0, 0xffffff, 0x800000, 0xffffff, 0xc0c0c0,
      0x808080, 0x808080, 0x000000, 0xc0c0c0, 0xffffff, 0x000000, 0xc0c0c0, 0x000080,
      0xffffff, 0xc0c0c0, 0x800000, 0x0010a8, 0xbabec9, 0x800000, 0xc0c0c0}},
    {"Rose", {0xcfafb7, 0x808080, 0x9f6070, 0xa0a0a4, 0xcfafb7, 0xffffff, 0x000000, 0x000000,
              0x000000, 0xffffff, 0xcfafb7, 0xcfafb7, 0x9f6070, 0x9f6070, 0xffffff, 0xcfafb7,
              0x9f6070, 0x9f6070, 0x000000, 0x7d7d7d, 0xe7d8dc, 0x000000, 0xcfafb7, 0x000000,
              0xffffff, 0xc0c0c0, 0x9f6070, 0xd8ccd0, 0xd0d4d0, 0x9f6070, 0xcfafb7}},
    {"Slate", {0xcedce3, 0x414141, 0x558097, 0x808080, 0x9db9c8, 0xffffff, 0x000000, 0x000000,
               0x000000, 0xffffff, 0x9db9c8, 0x9db9c8, 0x424242, 0x558097, 0xffffff, 0x9db9c8,
               0x558097, 0x558097, 0x000000, 0xc0c0c0, 0xcedce3, 0x000000, 0x9db9c8, 0x000000,
               0xffffff, 0xc0c0c0, 0x558097, 0x88b8d8, 0xa0bcc8, 0x558097, 0x9db9c8}},
    {"Spruce", {0xd0e3d3, 0x213f21, 0x599764, 0x808080, 0xa2c8a9, 0xffffff, 0x000000, 0x000000,
                0x000000, 0xffffff, 0xa2c8a9, 0xa2c8a9, 0xd0e3d3, 0x599764, 0xffffff, 0xa2c8a9,
                0x599764, 0x599764, 0x000000, 0xd0e3d3, 0xd0e3d3, 0x000000, 0xa2c8a9, 0x000000,
                0xffffff, 0xc0c0c0, 0x599764, 0x98c8e8, 0xa8ccb0, 0x599764, 0xa2c8a9}},
    {"Storm (VGA)", {0xc0c0c0, 0x000000, 0x800080, 0x808080, 0xc0c0c0, 0xffffff, 0x000000, 0x000000,
                     0x000000, 0xffffff, 0xc0c0c0, 0xc0c0c0, 0x808080, 0x800080, 0xffffff, 0xc0c0c0,
                     0x808080, 0x808080, 0x000000, 0xc0c0c0, 0xffffff, 0x000000, 0xc0c0c0, 0x800080,
                     0xffffff, 0xc0c0c0, 0x800080, 0x388cb0, 0xa8aca8, 0x800080, 0xc0c0c0}},
    {"Teal (VGA)", {0xc0c0c0, 0x004040, 0x008080, 0x808080, 0xc0c0c0, 0xffffff, 0x000000, 0x000000,
                    0x000000, 0xffffff, 0xc0c0c0, 0xc0c0c0, 0x808080, 0x008080, 0xffffff, 0xc0c0c0,
                    0x808080, 0x808080, 0x000000, 0xfffbf0, 0xffffff, 0x000000, 0xc0c0c0, 0x000000,
                    0xffffff, 0xc0c0c0, 0x008080, 0x00ccd8, 0x98c8b8, 0x008080, 0xc0c0c0}},
    {"Wheat", {0xeeeed0, 0x00401d, 0x808000, 0xbcbc41, 0xdedea0, 0xffffff, 0x000000, 0x000000,
               0x000000, 0xffffff, 0xdedea0, 0xdedea0, 0xbcbc41, 0x808000, 0xffffff, 0xdedea0,
               0xbcbc41, 0xbcbc41, 0x000000, 0xffffff, 0xeeeed0, 0x000000, 0xdedea0, 0x000000,
               0xffffff, 0xc0c0c0, 0x808000, 0xc8b048, 0xb8b880, 0x808000, 0xdedea0}},
    {"Windows Classic", {0xc0c0c0, 0x3a6ea5, 0x000080, 0x808080, 0xc0c0c0, 0xffffff, 0x000000, 0x000000,
                         0x000000, 0xffffff, 0xc0c0c0, 0xc0c0c0, 0x808080, 0x000080, 0xffffff, 0xc0c0c0,
                         0x808080, 0x808080, 0x000000, 0xc0c0c0, 0xffffff, 0x000000, 0xc0c0c0, 0x000000,
                         0xffffe1, 0xc0c0c0, 0x000080, 0x1084d0, 0xb5b5b5, 0x000080, 0xc0c0c0}},
    {"Windows Standard", {0xd4d0c8, 0x3a6ea5, 0x0a246a, 0x808080, 0xd4d0c8, 0xffffff, 0x000000, 0x000000,
                          0x000000, 0xffffff, 0xd4d0c8, 0xd4d0c8, 0x808080, 0x0a246a, 0xffffff, 0xd4d0c8,
                          0x808080, 0x808080, 0x000000, 0xd4d0c8, 0xffffff, 0x404040, 0xd4d0c8, 0x000000,
                          0xffffe1, 0xb5b5b5, 0x000080, 0xa6caf0, 0xc0c0c0, 0x316ac5, 0xece9d8}},
    {"High Contrast #1", {0x000000, 0x000000, 0x0000ff, 0x00ffff, 0x000000, 0x000000, 0xffffff, 0xffffff,
                          0xffff00, 0xffffff, 0x0000ff, 0x00ffff, 0x000000, 0x008000, 0xffffff, 0x000000,
                          0x808080, 0x00ff00, 0xffffff, 0x000000, 0xc0c0c0, 0xffffff, 0xffffff, 0xffff00,
                          0x000000, 0xc0c0c0, 0x800080, 0x0000ff, 0x00ffff, 0x008000, 0x000000}},
    {"High Contrast #2", {0x000000, 0x000000, 0x00ffff, 0x0000ff, 0x000000, 0x000000, 0xffffff, 0x00ff00,
                          0x00ff00, 0x000000, 0x00ffff, 0x0000ff, 0xffffff, 0x0000ff, 0xffffff, 0x000000,
                          0x808080, 0x00ff00, 0x00ff00, 0xffffff, 0xc0c0c0, 0xffffff, 0xffffff, 0x000000,
                          0xffff00, 0xc0c0c0, 0x800080, 0x00ffff, 0x0000ff, 0x0000ff, 0x000000}},
    {"High Contrast Black", {0x000000, 0x000000, 0x800080, 0x008000, 0x000000, 0x000000, 0xffffff, 0xffffff,
                             0xffffff, 0xffffff, 0xffff00, 0x008000, 0x000000, 0x800080, 0xffffff, 0x000000,
                             0x808080, 0x00ff00, 0xffffff, 0xffffff, 0xc0c0c0, 0xffffff, 0xffffff, 0xffffff,
                             0x000000, 0xc0c0c0, 0x800080, 0x800080, 0x008000, 0x800080, 0x000000}},
    {"High Contrast White", {0xffffff, 0xffffff, 0x000000, 0xffffff, 0xffffff, 0xffffff, 0x000000, 0x000000,
                             0x000000, 0xffffff, 0x808080, 0xc0c0c0, 0x808080, 0x000000, 0xffffff, 0xffffff,
                             0x808080, 0x00ff00, 0x000000, 0x000000, 0xc0c0c0, 0x000000, 0xc0c0c0, 0x000000,
                             0xffffff, 0xc0c0c0, 0x000000, 0x000000, 0xffffff, 0x000000, 0xffffff}},
    {"Wine default", {0xd4d0c8, 0x3a6ea5, 0x0a246a, 0x808080, 0xd4d0c8, 0xffffff, 0x000000, 0x000000,
                      0x000000, 0xffffff, 0xd4d0c8, 0xd4d0c8, 0x808080, 0x0a246a, 0xffffff, 0xd4d0c8,
                      0x808080, 0x808080, 0x000000, 0xd4d0c8, 0xffffff, 0x404040, 0xd4d0c8, 0x000000,
                      0xffffe1, 0xb5b5b5, 0x0000c8, 0xa6caf0, 0xc0c0c0, 0x0a246a, 0xd4d0c8}},
    {"Dark", {0x3a3a3e, 0x181e28, 0x1c406e, 0x343438, 0x2b2b2e, 0x1e1e20, 0x0a0a0a, 0xebebeb,
              0xe8e8e8, 0xffffff, 0x2b2b2e, 0x2b2b2e, 0x262628, 0x264f8c, 0xffffff, 0x2b2b2e,
              0x1a1a1c, 0x8c8c91, 0xebebeb, 0xd4d4d4, 0x5f5f64, 0x0c0c0c, 0x3e3e42, 0xf0f0f0,
              0x323236, 0x3c3c40, 0x78aaff, 0x28568c, 0x3c3c40, 0x264f8c, 0x2b2b2e}},
};

enum class Sizes { Standard, Large, ExtraLarge, Wine, ColorsOnly };

struct Entry {
    const char* name;
    const char* colors;
    Sizes sizes;
};

// The Display control panel's list (Windows 2000 names its size variants; XP adds the
// plain "Pumpkin"), then Wine's and the program's own.
const Entry kEntries[] = {
    {"Brick", "Brick", Sizes::Standard},
    {"Desert", "Desert", Sizes::Standard},
    {"Eggplant", "Eggplant", Sizes::Standard},
    {"High Contrast #1", "High Contrast #1", Sizes::Standard},
    {"High Contrast #1 (large)", "High Contrast #1", Sizes::Large},
    {"High Contrast #1 (extra large)", "High Contrast #1", Sizes::ExtraLarge},
    {"High Contrast #2", "High Contrast #2", Sizes::Standard},
    {"High Contrast #2 (large)", "High Contrast #2", Sizes::Large},
    {"High Contrast #2 (extra large)", "High Contrast #2", Sizes::ExtraLarge},
    {"High Contrast Black", "High Contrast Black", Sizes::Standard},
    {"High Contrast Black (large)", "High Contrast Black", Sizes::Large},
    {"High Contrast Black (extra large)", "High Contrast Black", Sizes::ExtraLarge},
    {"High Contrast White", "High Contrast White", Sizes::Standard},
    {"High Contrast White (large)", "High Contrast White", Sizes::Large},
    {"High Contrast White (extra large)", "High Contrast White", Sizes::ExtraLarge},
    {"Lilac", "Lilac", Sizes::Standard},
    {"Lilac (large)", "Lilac", Sizes::Large},
    {"Maple", "Maple", Sizes::Standard},
    {"Marine (high color)", "Marine (high color)", Sizes::Standard},
    {"Plum (high color)", "Plum (high color)", Sizes::Standard},
    {"Pumpkin", "Pumpkin", Sizes::Standard},
    {"Pumpkin (large)", "Pumpkin", Sizes::Large},
    {"Rainy Day", "Rainy Day", Sizes::Standard},
    {"Red, White, and Blue (VGA)", "Red, White, and Blue (VGA)", Sizes::Standard},
    {"Rose", "Rose", Sizes::Standard},
    {"Slate", "Slate", Sizes::Standard},
    {"Spruce", "Spruce", Sizes::Standard},
    {"Storm (VGA)", "Storm (VGA)", Sizes::Standard},
    {"Teal (VGA)", "Teal (VGA)", Sizes::Standard},
    {"Wheat", "Wheat", Sizes::Standard},
    {"Windows Classic", "Windows Classic", Sizes::Standard},
    {"Windows Classic (large)", "Windows Classic", Sizes::Large},
    {"Windows Classic (extra large)", "Windows Classic", Sizes::ExtraLarge},
    {"Windows Standard", "Windows Standard", Sizes::Standard},
    {"Windows Standard (large)", "Windows Standard", Sizes::Large},
    {"Windows Standard (extra large)", "Windows Standard", Sizes::ExtraLarge},
    {"Wine default", "Wine default", Sizes::Wine},
    {"Dark", "Dark", Sizes::ColorsOnly},
};

const ColorTable& colorTable(const char* name) {
    for (const ColorTable& table : kColorTables)
        if (qstrcmp(table.name, name) == 0)
            return table;
    Q_UNREACHABLE();
}

Font tahoma(int height, int weight) {
    return Font{QStringLiteral("Tahoma"), height, weight, false};
}

int scaled(int pixels, double factor) {
    return static_cast<int>(std::lround(pixels * factor));
}

Metrics scaledMetrics(double factor) {
    Metrics m = standardMetrics();
    for (int* size : {&m.borderWidth, &m.scrollWidth, &m.scrollHeight, &m.captionWidth, &m.captionHeight,
                      &m.smCaptionWidth, &m.smCaptionHeight, &m.menuWidth, &m.menuHeight})
        *size = scaled(*size, factor);
    for (Font* font :
         {&m.captionFont, &m.smCaptionFont, &m.menuFont, &m.statusFont, &m.messageFont, &m.iconFont})
        font->height = scaled(font->height, factor);
    return m;
}

// Wine's own defaults: the same sizes but for a square small caption button, and a small
// caption font that is not bold. Wine's default interface font resolves to Tahoma.
Metrics wineMetrics() {
    Metrics m = standardMetrics();
    m.smCaptionWidth = 15;
    m.smCaptionFont.weight = 400;
    return m;
}

std::optional<Metrics> metricsFor(Sizes sizes) {
    switch (sizes) {
    case Sizes::Standard:
        return standardMetrics();
    case Sizes::Large:
        return scaledMetrics(120.0 / 96.0);
    case Sizes::ExtraLarge:
        return scaledMetrics(144.0 / 96.0);
    case Sizes::Wine:
        return wineMetrics();
    case Sizes::ColorsOnly:
        break;
    }
    return std::nullopt;
}

QList<Scheme> buildSchemes() {
    QList<Scheme> list;
    for (const Entry& entry : kEntries) {
        Scheme scheme;
        scheme.name = QString::fromLatin1(entry.name);
        const ColorTable& table = colorTable(entry.colors);
        for (int i = 0; i < SysColorCount; ++i)
            scheme.look.colors[i] =
                qRgb((table.rgb[i] >> 16) & 0xff, (table.rgb[i] >> 8) & 0xff, table.rgb[i] & 0xff);
        scheme.look.metrics = metricsFor(entry.sizes);
        scheme.look.gradientCaptions = true;
        scheme.look.flatMenus = false;
        list.append(scheme);
    }
    return list;
}

// A name as findScheme compares it: lower case, without commas or "#", single spaces.
QString comparable(QStringView name) {
    QString text = name.toString().toLower();
    text.remove(QLatin1Char(',')).remove(QLatin1Char('#'));
    return text.simplified();
}

// The same without a trailing colour-depth note, which only says what display the scheme
// was made for.
QString withoutDepthNote(const QString& comparableName) {
    for (const QLatin1StringView note : {QLatin1StringView(" (vga)"), QLatin1StringView(" (high color)")})
        if (comparableName.endsWith(note))
            return comparableName.chopped(note.size());
    return comparableName;
}

} // namespace

Metrics standardMetrics() {
    Metrics m;
    m.captionFont = tahoma(-11, 700);
    m.smCaptionFont = tahoma(-11, 700);
    m.menuFont = tahoma(-11, 400);
    m.statusFont = tahoma(-11, 400);
    m.messageFont = tahoma(-11, 400);
    m.iconFont = tahoma(-11, 400);
    return m;
}

const QList<Scheme>& schemes() {
    static const QList<Scheme> list = buildSchemes();
    return list;
}

const Scheme* findScheme(QStringView name) {
    const QString wanted = comparable(name);
    if (wanted.isEmpty())
        return nullptr;
    for (const Scheme& scheme : schemes())
        if (comparable(scheme.name) == wanted)
            return &scheme;
    const QString wantedPlain = withoutDepthNote(wanted);
    for (const Scheme& scheme : schemes())
        if (withoutDepthNote(comparable(scheme.name)) == wantedPlain)
            return &scheme;
    return nullptr;
}

QString schemeListing() {
    QString text;
    for (const Scheme& scheme : schemes())
        text += scheme.name + QLatin1Char('\n');
    return text;
}

} // namespace appearance
