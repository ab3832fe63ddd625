#pragma once
// The library's about window.

#include <QDialog>

class QLabel;
class QPushButton;

// The library's own windows live in its namespace: a program using the library may
// well have windows of the same names.
namespace QuorlinDLL {

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    // The maker's web address that Label4 shows and opens.
    static QString makerAddress();

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QPushButton* Command1;
    QPushButton* Command2;

public slots:
    void Command1_Click();
    void Command2_Click();
    void Label4_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace QuorlinDLL
