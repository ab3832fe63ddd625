#include "frmStats.h"

frmStats::frmStats(QWidget* parent) : QDialog(parent) { setWindowTitle(QStringLiteral("System Stats")); }
