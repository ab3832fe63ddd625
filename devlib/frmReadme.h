#pragma once
// The library's readme window.

#include <QDialog>

class QPlainTextEdit;

// The library's own windows live in its namespace: a program using the library may
// well have windows of the same names.
namespace QuorlinDLL {

class frmReadme : public QDialog {
    Q_OBJECT
public:
    explicit frmReadme(QWidget* parent = nullptr);

    // The readme text, lines separated by CR LF.
    static QString readmeText();

    QPlainTextEdit* Text1;
};

} // namespace QuorlinDLL
