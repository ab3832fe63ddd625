#include "frmSplash.h"

frmSplash::frmSplash(QWidget* parent) : QDialog(parent) { setWindowTitle(QStringLiteral("Quorlin Visual Style Manager")); }
