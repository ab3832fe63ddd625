#pragma once
// The program's plain text viewer: one large read-only text box and a Close button.
// Callers fill Text1 and the caption, then show it modally.

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

class frmInfo : public QDialog {
    Q_OBJECT
public:
    explicit frmInfo(QWidget* parent = nullptr);

    QPlainTextEdit* Text1;
    QPushButton* Command1;

public slots:
    void Command1_Click();
};
