#pragma once
// The main window's background picture and the program's icon, drawn by the program
// itself so no binary artwork has to travel with the sources.

#include <QIcon>
#include <QPixmap>

namespace Artwork {

// The 600 x 399 background of the main window's client area.
QPixmap backgroundPicture();
// The program's icon (window, tray).
QIcon programIcon();

} // namespace Artwork
