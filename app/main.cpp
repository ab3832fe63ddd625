#include "mdlMain.h"
#include "platform/Diagnostics.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorlin Visual Style Manager"));
    platform::setDiagnosticName("kolvmgr");
    return mdlMain::Main();
}
