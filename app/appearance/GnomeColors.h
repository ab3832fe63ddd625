#pragma once
// The pieces of GNOME's settings the desktop reader parses (DesktopColors.h has the
// reader): a value as `gsettings get` prints it ("'prefer-dark'"), a font as GNOME and GTK
// write it (a Pango description, "Cantarell 11", "Noto Sans Bold Italic 10"), and the
// accent colours by their settings names (GNOME's own values: blue is #3584e4).

#include "ClassicLook.h"

#include <QRgb>
#include <QString>
#include <QStringView>

#include <optional>

namespace appearance {

// The string in gsettings' output ("'prefer-dark'\n" -> "prefer-dark"), null when the
// output is not a single quoted string.
std::optional<QString> gsettingsString(QStringView output);
// Null unless it ends in a size in points (or "px" pixels) after a family name.
std::optional<Font> fontFromPangoText(QStringView text);
std::optional<QRgb> gnomeAccentColor(QStringView name);

} // namespace appearance
