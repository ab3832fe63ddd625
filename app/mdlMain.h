#pragma once
// The program's module: start-up, the themes directory, the main window's utility
// control, the default browser and the style count.

#include <QList>
#include <QString>
#include <QStringList>

class QLFunctions;

namespace mdlMain {

// The program's start: the splash window, then the main window, which offers to install
// the archives given; runs until the program ends and returns the process exit code.
int Main(const QStringList& archives = {});

// What keeps the program from working on its Windows root as it should, said once at
// start-up: a root that does not exist or is a file (naming it; nothing else is then said),
// the root picked last time passed over because it holds no prefix any more, a
// registry file that cannot be read (no settings can be saved until it is repaired), a
// running Wine that holds the registry, either with the note that changes go through its
// registry tool or, where that cannot be started, that nothing can be saved.
struct StartupProblem {
    QString text;
    int style = 0;         // the message box style: 48 a problem, 64 a note
    bool noRoot = false;   // there is no root to work on: it does not exist or cannot be read
    bool onStderr = false; // the platform has said it on standard error already
};
QList<StartupProblem> startupProblems();
// Shows each of them in a message box, with the default title.
void ReportStartupProblems();
// "The Wine prefix <root> that WINEPREFIX names does not exist, ..." (the same for --prefix,
// or for a private root that could not be made); "... is a file, not a folder, ..." when
// isFile.
QString missingRootMessage(const QString& root, bool fromWinePrefix, bool fromCommandLine = false,
                           bool isFile = false);
// "The Wine prefix <root> cannot be read (<why>), so there are no visual styles to manage
// and no settings can be saved."
QString unreadableRootMessage(const QString& root, const QString& why);

// Whether the program runs with its windows (a QApplication); the command line runs
// without.
bool windowsAvailable();

// --- the themes directory ------------------------------------------------------------
// The Windows directory text: a 500-blank buffer handed to GetWindowsDirectoryA, trimmed
// of blanks, its last character (the terminating null) dropped. Empty when the platform
// cannot give it.
QString windowsDirectoryText();
// The Windows directory text followed by "\Resources\Themes\".
QString themesDirectory();
// "Error: unable to find folder " + W + "\Resources\Themes which contains all the visual
// styles."
QString missingThemesMessage(const QString& windowsDirectory);
// The missing-directory check: shows missingThemesMessage (style 0, default title) when
// ChkPathExist of the themes directory is false. Returns whether the directory exists.
bool checkThemesDirectory();

// --- the main window's utility control -----------------------------------------------
// The main window's `functions` control. Windows reach it through here; while no main
// window exists (a window tested on its own) a hidden spare control serves.
QLFunctions& functions();
void setFunctionsControl(QLFunctions* control);

// The four members the program calls by late binding, through the control's dispatch
// interface. Without windows (the command line) there is no control: the shared routines
// behind those members answer directly.
bool ChkPathExist(const QString& path);
bool ChkFileExist(const QString& filename);
void WriteRegStr(int hKey, const QString& subkey, const QString& keyName, const QString& keyValue);
QString ReadFromFile(const QString& filename);
// A readme's text through ReadFromFile: a file that is valid UTF-8 and not plain ASCII is
// taken as UTF-8 (its byte order mark dropped), anything else as Windows-1252.
QString ReadTextFile(const QString& filename);

// --- browser -------------------------------------------------------------------------
// Starts the default browser on the address; reports a failure to start.
void OpenInBrowser(const QString& address);
QString GetDefaultBrowserName();
QString GetDefaultBrowserCommand();
// The donation page in the browser, then the thank-you message (shown whether or not the
// browser could be started).
void OpenDonationPage();

// --- styles --------------------------------------------------------------------------
// The number of enterable folders of the themes directory.
int CountInstalledStyles();

// A host path in Windows form, through the drive that reaches it; unchanged when none does.
QString windowsPathOf(const QString& hostPath);

} // namespace mdlMain
