#pragma once
// The checkup window: scans every folder of the themes directory as a visual style,
// lists what each one lacks, saves the list as a log file, and can be cancelled or
// closed while it works.
//
// The scan and the save run on the user-interface thread and yield to the event loop
// as they go. A window closed meanwhile is only hidden; the running loop ends by its
// own cancellation or abandon ending and then lets the close complete. Should the
// window be destroyed under a loop all the same (its owner going away), the loop
// notices at its next yield and returns without touching it.

#include <QDialog>
#include <QString>

#include <cstdint>

class QLabel;
class QListWidget;
class QPushButton;
class ProgressPicture;

class frmCleanUp : public QDialog {
    Q_OBJECT
public:
    explicit frmCleanUp(QWidget* parent = nullptr);
    ~frmCleanUp() override;

    // ---- controls ---------------------------------------------------------------------
    QListWidget* lstErrors = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* cmdChk = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* lblStatus = nullptr;
    ProgressPicture* picProgress = nullptr;
    QPushButton* cmdSave = nullptr;
    QLabel* Image1 = nullptr;

    // ---- window state -------------------------------------------------------------------
    bool Checking = false;
    bool CancelCheck = false;
    bool Saving = false;
    bool CancelSave = false;

    // ---- handlers -----------------------------------------------------------------------
    // Runs when the window opens: the time of the last completed check, or that there
    // was none.
    void Form_Load();
    // Paints the progress box for percent and shows text in the status line.
    void UpdateStatus(uint8_t percent, const QString& text);
    void cmdChk_Click();
    void cmdSave_Click();
    void cmdCancel_Click();
    // A request to close the window; Cancel non-zero keeps it open.
    void Form_QueryUnload(int& Cancel, int UnloadMode);

signals:
    // After every UpdateStatus, with its arguments (progress observers, tests).
    void statusUpdated(int percent, const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    class ScanReport;

    // Lets the event loop deliver the pending events once. False when the window was
    // destroyed meanwhile: the caller returns at once without touching it.
    bool yieldOnce();
    // DelayExecution(1, true) of the program's Functions object, with the same answer.
    bool pauseOneSecond();
    // Whether this window still exists after a message box (which runs its own loop).
    int messageBox(const QString& text, int style, const QString& title, bool* alive);

    void appendLine(const QString& text);
    // Selects the last line of the list (which scrolls it into view), when there is one.
    void selectLastLine();
    void applySelection();
    // The cancellation procedure of the scan. False when the window went away.
    bool cancelScan();
    // A close that was confirmed while a loop ran completes once the loop has ended.
    void completePendingClose();

    bool m_closePending = false;
    bool m_wasClosed = false;
    bool m_selectLastPending = false;
};
