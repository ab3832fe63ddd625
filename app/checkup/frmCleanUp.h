#pragma once
// Placeholder until the window is built: a dialog with its caption.

#include <QDialog>

class frmCleanUp : public QDialog {
    Q_OBJECT
public:
    explicit frmCleanUp(QWidget* parent = nullptr);
};
