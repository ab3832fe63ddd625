#pragma once
// Placeholder until the window is built: a dialog with its caption.

#include <QDialog>

class frmStats : public QDialog {
    Q_OBJECT
public:
    explicit frmStats(QWidget* parent = nullptr);
};
