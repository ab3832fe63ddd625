#include "ProgramIcon.h"

#include <QDirIterator>

QIcon programIcon() {
    // Every size rendered from the desktop icon, so the window, the tray and the menu
    // entry show the same picture.
    QIcon icon;
    QDirIterator sizes(QStringLiteral(":/icons"), QDir::Files, QDirIterator::Subdirectories);
    while (sizes.hasNext())
        icon.addFile(sizes.next());
    return icon;
}
