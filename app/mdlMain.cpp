#include "mdlMain.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace mdlMain {

int Main() {
    // Until the main window exists, an empty window of its size stands in for it.
    QWidget window;
    window.setWindowTitle(QStringLiteral("Quorlin Visual Style Manager 3.26"));
    window.setFixedSize(600, 399);
    window.show();
    // Start-up checks and measurements run the program to its first shown window only.
    if (qEnvironmentVariableIsSet("KOLV_QUIT_AFTER_START"))
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    return QApplication::exec();
}

} // namespace mdlMain
