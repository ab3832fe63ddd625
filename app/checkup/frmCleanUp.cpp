#include "frmCleanUp.h"

frmCleanUp::frmCleanUp(QWidget* parent) : QDialog(parent) { setWindowTitle(QStringLiteral("Quorlin Zevra Check Tool")); }
