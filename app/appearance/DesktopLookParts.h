#pragma once
// What the KDE and GNOME readers share, kept out of the public header.

#include "ClassicLook.h"

#include <QString>

namespace appearance {

// path with the home folder shown as "~".
QString shownPath(const QString& path, const QString& home);

// The standard sizes grown to fit the desktop's fonts: text for the status bar, message
// boxes and icon titles, menu for menus, caption and smallCaption for the title bars.
Metrics metricsForFonts(const Font& text, const Font& menu, const Font& caption, const Font& smallCaption);

} // namespace appearance
