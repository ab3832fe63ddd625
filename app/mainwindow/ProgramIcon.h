#pragma once
// The program's icon, rendered from its SVG source when the program is built.

#include <QIcon>

// The program's icon (window, tray), in every size the desktop icon comes in.
QIcon programIcon();
