#pragma once
// The pieces of KDE's settings the desktop reader parses (DesktopColors.h has the reader):
// a colour as kdeglobals writes it, "r,g,b" (an alpha after it is ignored) or "#rrggbb",
// and a font as Qt writes it, "Noto Sans,10,-1,5,50,0,0,0,0,0" (Qt 5, weight 0-99) or
// "Noto Sans,10,-1,5,400,0,0,0,0,0,0,0,0,0,0,1" (Qt 6, weight 1-1000).

#include "ClassicLook.h"

#include <QRgb>
#include <QStringView>

#include <optional>

namespace appearance {

std::optional<QRgb> colorFromKdeText(QStringView text);
// Null unless it names a face and a size (points above 0, or else pixels above 0).
std::optional<Font> fontFromQtFontText(QStringView text);

} // namespace appearance
