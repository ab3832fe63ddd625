#pragma once
// A small read-only report on the system and the program: the operating system and
// its version, the program's version, the installed styles, the last checkup, the date
// and time, the time since the system started and the default browser. Refresh reads
// everything anew; the two versions are links.

#include <QDialog>

class LinkLabel;
class QLabel;
class QPushButton;

namespace platform {
struct SystemVersion;
}

class frmStats : public QDialog {
    Q_OBJECT
public:
    explicit frmStats(QWidget* parent = nullptr);

    QPushButton* Command2; // Refresh
    QPushButton* Command1; // Close
    QLabel* lblBrowser;
    QLabel* Label6;
    QLabel* lblDateTime;
    QLabel* lblTimeStarted;
    QLabel* Label5;
    QLabel* lblLastChk;
    QLabel* Label4;
    QLabel* lblNumVSinstalled;
    QLabel* Label2;
    LinkLabel* lblzevraVer;
    QLabel* Label3;
    LinkLabel* lblSysVer;
    QLabel* Label1;

    // "Windows 32-bit", "Windows 95", "Windows XP", "Windows NT" or "Unknown OS Platform".
    static QString platformName(const platform::SystemVersion& version);

public slots:
    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void lblzevraVer_Click();
    void lblSysVer_Click();
};
