#pragma once
// The program's about box: title, version, description, the readme, system
// information and forum links, and two switchable panes with the FAQ and the version
// history. OK (or Enter or Esc) fades it out; closing it by its frame does not.

#include <QDialog>
#include <QString>

#include <cstdint>

class LinkLabel;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    // The current opacity, 255 when loaded.
    int32_t FadeLevel = 255;

    QTimer* tmrFadeOut;
    QPlainTextEdit* txtFAQ;
    QPushButton* cmdFAQ;
    QPlainTextEdit* txtHist;
    QPushButton* ToggleHist;
    QPushButton* Command1;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;
    LinkLabel* Label2;
    QLabel* Label1;
    QLabel* lblDescription;
    QLabel* lblTitle;
    QLabel* lblVersion;

    // The texts of the two panes.
    static QString faqText();
    static QString historyText();

    // Starts the platform's system-information program, or says it is unavailable.
    static void StartSysInfo();
    // Reads a value of an open-able key: true and its text (REG_SZ as stored, REG_DWORD
    // as a decimal number, other types leave KeyVal alone), or false and an empty text.
    static bool GetKeyValue(uint32_t KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                            QString& KeyVal);

public slots:
    void Form_Load();
    void cmdOK_Click();
    void tmrFadeOut_Timer();
    void cmdFAQ_Click();
    void ToggleHist_Click();
    void Command1_Click();
    void cmdSysInfo_Click();
    void Label2_Click();

signals:
    // Every opacity the window is given, 0 to 255, in order.
    void opacityApplied(int alpha);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void applyOpacity(int alpha);

    // Set once the window has been closed: showing it again loads it anew.
    bool m_unloaded = false;
};
