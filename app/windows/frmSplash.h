#pragma once
// Placeholder until the window is built: a dialog with its caption.

#include <QDialog>

class frmSplash : public QDialog {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);
};
