#pragma once
// The library's readme window.

#include <QDialog>

class QPlainTextEdit;

class frmReadme : public QDialog {
    Q_OBJECT
public:
    explicit frmReadme(QWidget* parent = nullptr);

    // The readme text, lines separated by CR LF.
    static QString readmeText();

    QPlainTextEdit* Text1;
};
