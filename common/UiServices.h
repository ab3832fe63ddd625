#pragma once
// Everything that would block a test or reach outside the program goes through here:
// message boxes, file dialogs, modal windows, process starts, the mouse pointer, and
// letting the event loop run. Production code gets the real Qt dialogs; tests switch to
// scripted mode, queue answers and read back what was asked.

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace quorlin {

// Message-box styles and answers, as the callers number them.
enum MsgStyle : int {
    MsgOk = 0,
    MsgCritical = 16,
    MsgYesNoCancelQuestion = 35,
    MsgYesNoQuestion = 36,
    MsgExclamation = 48,
    MsgInformation = 64,
};
enum MsgAnswer : int { AnswerOk = 1, AnswerCancel = 2, AnswerRetry = 4, AnswerYes = 6, AnswerNo = 7 };

// Mouse pointer codes: 13 arrow with hourglass, 11 hourglass, 0 default.
enum MousePointer : int { PointerDefault = 0, PointerHourglass = 11, PointerArrowHourglass = 13 };

class UiServices {
public:
    struct Message {
        QString text;
        int style = 0;
        QString title;
    };
    struct ColorDialogRequest {
        QColor initial;
        QString title;
    };
    struct FileDialogRequest {
        bool save = false;
        QString title;
        QString filter;      // in the callers' form: "Text (*.txt)|*.txt|All files (*.*)|*.*"
        QString fileName;    // the name proposed
        bool folder = false; // a folder is chosen, not a file
    };

    // --- message boxes -------------------------------------------------------------
    // Shows a message box and returns the answer. An empty title gives the
    // application's name. Style: buttons 0 OK, 1 OK/Cancel, 3 Yes/No/Cancel, 4 Yes/No,
    // 5 Retry/Cancel; icon 16 stop, 32 question, 48 exclamation, 64 information.
    static int msgBox(const QString& text, int style = 0, const QString& title = QString());

    // --- file dialogs ----------------------------------------------------------------
    // The chosen file as a host path, or an empty string when the user cancelled.
    // An open dialog only accepts an existing file in an existing folder.
    static QString openFileName(const QString& title, const QString& filter,
                                const QString& fileName = QString());
    static QString saveFileName(const QString& title, const QString& filter,
                                const QString& fileName = QString());
    // An existing folder (hidden ones can be picked), or an empty string when the user
    // cancelled. Scripted like the file dialogs.
    static QString folderName(const QString& title);

    // --- colour dialog ---------------------------------------------------------------
    // The colour the user chose, starting from initial; an invalid colour when the user
    // cancelled. Scripted like the file dialogs.
    static QColor chooseColor(const QColor& initial, const QString& title);

    // --- windows -------------------------------------------------------------------
    // Shows the window modally and returns when it has been closed.
    static void showModal(QWidget* window);

    // --- processes -----------------------------------------------------------------
    // Starts a command line without waiting (Windows show state). False when it could
    // not be started; error then says why.
    static bool startProcess(const QString& commandLine, int showState, QString* error = nullptr);
    // Starts command followed by one blank and argument, the argument reaching a native
    // program whole (platform::startProcess with an argument). Recorded as that line.
    static bool startProgram(const QString& command, const QString& argument, int showState,
                             QString* error = nullptr);

    // --- pointer and event loop ----------------------------------------------------
    static void setMousePointer(int code);
    static int mousePointer();
    // Lets the event loop deliver the pending events once.
    static void doEvents();
    // Whether input may be waiting for the program. The window system's queue cannot be
    // looked into portably, so this answers true when events were last let through more
    // than a few milliseconds ago: loops that ask before yielding stay responsive
    // without paying for a yield per item.
    static bool inputWaiting();
    // Sleeps until events arrive or msecs have passed, delivering them (never spins).
    static void waitForEvents(int msecs);

    // --- scripting (tests) -----------------------------------------------------------
    static void setScripted(bool scripted);
    static bool isScripted();
    // Answers for the next message boxes, in order. Without one, a scripted box answers
    // with its first button (OK or Yes).
    static void setNextAnswer(int answer);
    // File names for the next file dialogs, in order; an empty string cancels.
    static void setNextFileName(const QString& hostPath);
    // Colours for the next colour dialogs, in order; an invalid colour cancels, as does a
    // dialog without one.
    static void setNextColor(const QColor& color);
    // Results for the next process starts (default: started).
    static void setNextStartResult(bool started);
    // Process starts are recorded and also really made (their result is the real one).
    static void setRealProcessStarts(bool real);
    // Called instead of running a modal loop (it may inspect and close the window).
    static void setModalHandler(std::function<void(QWidget*)> handler);

    static QList<Message> messages(); // asked so far
    static QList<FileDialogRequest> fileDialogs();
    static QList<ColorDialogRequest> colorDialogs();
    static QStringList startedCommands();   // command lines asked to start
    static QList<QWidget*> modalWindows();  // windows shown modally (may be gone now)
    static QStringList modalWindowTitles(); // their titles when shown
    static void resetScript();              // forgets queued answers and records
};

// Converts the callers' filter form ("Zip (*.zip)|*.zip|All files (*.*)|*.*") into a Qt
// file dialog filter ("Zip (*.zip);;All files (*.*)").
QString toQtFilter(const QString& filter);

} // namespace quorlin
