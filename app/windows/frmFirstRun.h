#pragma once
// The welcome window shown once, while the main window loads for the first time.
// Continue records that it has been seen; Readme and Donate are offered on the way.

#include <QDialog>

class QLabel;
class QPushButton;

class frmFirstRun : public QDialog {
    Q_OBJECT
public:
    explicit frmFirstRun(QWidget* parent = nullptr);

    QLabel* Image1; // the picture at the left
    QLabel* Label1; // welcome
    QLabel* Label2; // what the program helps with
    QLabel* Label3; // free of charge
    QLabel* Label4; // how to donate
    QLabel* Label5; // the readme reminder
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;

public slots:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
};
