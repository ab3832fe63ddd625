#pragma once
// The colour schemes the program offers, each a complete classic look under its name: the
// schemes of the Windows 2000 and XP Display control panel (Appearance tab) with their
// published names and colours, including the size variants that list names ("Windows
// Standard (large)", "High Contrast Black (extra large)", ...); Wine's own default colours
// ("Wine default"); and "Dark", a dark scheme of this program whose text reads on its
// background at a contrast of 7:1 or more. Every scheme sets all 31 system colours. The
// Windows schemes set the sizes and fonts too (Tahoma 8 pt, bold captions, the Display
// control panel's standard sizes); their (large) and (extra large) variants take those
// sizes scaled as Windows scales them at 120 and 144 dots per inch. "Wine default" sets
// Wine's default sizes; "Dark" sets colours only and keeps the sizes and fonts in force.

#include "ClassicLook.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace appearance {

struct Scheme {
    QString name;
    ClassicLook look;
};

// The name of the dark scheme, and of the light scheme that stands in for the desktop's
// colours when only "dark or light" can be learnt from it.
inline const QString kDarkSchemeName = QStringLiteral("Dark");
inline const QString kLightSchemeName = QStringLiteral("Windows Standard");

// The sizes and fonts of a Windows scheme at its standard size: the Display control
// panel's standard sizes, Tahoma 8 pt (11 pixels at 96 dots per inch), bold captions.
Metrics standardMetrics();

// Every scheme, in the order the listing shows them: the Windows schemes by name, then
// Wine's and the program's own.
const QList<Scheme>& schemes();

// The scheme of that name, matched without regard to case, commas, a "#" or a colour-depth
// note ("Teal" finds "Teal (VGA)", "red white and blue" finds "Red, White, and Blue
// (VGA)"); a size variant is only found by its size ("(large)"). Null when none matches.
const Scheme* findScheme(QStringView name);

// What `kolvmgr --schemes` prints: each scheme's name on a line of its own.
QString schemeListing();

} // namespace appearance
