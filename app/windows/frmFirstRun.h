#pragma once
// Placeholder until the window is built: a dialog with its caption.

#include <QDialog>

class frmFirstRun : public QDialog {
    Q_OBJECT
public:
    explicit frmFirstRun(QWidget* parent = nullptr);
};
