#include "frmAbout.h"

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) { setWindowTitle(QStringLiteral("About Quorlin Visual Style Manager")); }
