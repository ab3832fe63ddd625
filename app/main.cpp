#include "mdlMain.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorlin Visual Style Manager"));
    return mdlMain::Main();
}
