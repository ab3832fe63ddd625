#pragma once
// The main window's background picture, drawn by the program itself so no binary artwork
// has to travel with the sources, and the program's icon, rendered from its SVG source
// when the program is built.

#include <QIcon>
#include <QPixmap>

class QPainter;

namespace Artwork {

// Paints the 600 x 399 background of the main window's client area. It is painted when
// the area is, rather than kept as a picture: a kept one costs a megabyte for the
// program's whole life.
void paintBackground(QPainter& p);
// The program's icon (window, tray), in every size the desktop icon comes in.
QIcon programIcon();

} // namespace Artwork
