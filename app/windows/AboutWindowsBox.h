#pragma once
// The About Windows box of the stats window. There is no Windows underneath to show
// its own box, so this one says plainly what the program runs on: the host system and
// the Windows version the Windows folder in use records, if it records one.

#include <QDialog>

class QLabel;

class AboutWindowsBox : public QDialog {
    Q_OBJECT
public:
    // appText is the application text the caller passes ("Windows"); the caption is
    // "About " + appText.
    explicit AboutWindowsBox(const QString& appText, QWidget* parent = nullptr);

    QLabel* lblApp;
    QLabel* lblSystem;

    // The text of lblSystem for the current Windows root.
    static QString systemText();
};
