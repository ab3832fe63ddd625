#include "frmFirstRun.h"

frmFirstRun::frmFirstRun(QWidget* parent) : QDialog(parent) { setWindowTitle(QStringLiteral("Welcome to Quorlin Zevra")); }
