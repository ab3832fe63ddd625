#pragma once
// The command line: the arguments the program was started with, and the commands that
// run without a display (no QApplication, no window) on the same code as the windows.
// Results go to standard output, errors to standard error; the exit code is 0 on success,
// 1 when the command failed, 2 for bad usage.

#include <QString>
#include <QStringList>

namespace CommandLine {

enum ExitCode { Success = 0, Failed = 1, BadUsage = 2 };

struct Request {
    enum Command {
        Windows,
        Help,
        Version,
        Prefixes,
        List,
        Apply,
        Classic,
        Install,
        Uninstall,
        Check,
        Preview,
        Schemes,
        Scheme
    };
    // Windows: no command, the windows start (and offer to install archives).
    Command command = Windows;
    QString prefix;             // --prefix DIR; empty when not given (the first when given again)
    QStringList prefixes;       // every --prefix DIR, in the order given
    bool allPrefixes = false;   // --all-prefixes: every prefix --prefixes lists
    QString wine;               // --wine PATH; empty when not given
    QString name;               // the style of --apply, --uninstall and --preview; the colour
                                // scheme of --scheme and of --preview --scheme
    bool previewScheme = false; // --preview --scheme NAME FILE: a scheme, not a style
    QStringList archives;       // --install, or the archives handed to the windows
    QString logFile;            // --check --log FILE
    QString pictureFile;        // --preview NAME FILE
    QString color;              // --color SCHEME of --apply and --preview; empty when not given
    QString size;               // --size SIZE of --apply and --preview; empty when not given
    QString usageError;         // why the arguments cannot be used; empty when they can
};

// The arguments after the program's name.
Request parse(const QStringList& arguments);

// What --help prints, the README's "Command line" section word for word.
QString helpText();
// What --version prints: the program's name and version.
QString versionText();

// Whether a display is named to show the windows on.
bool displayAvailable();
// Why the windows do not start, and what runs without them: "kolvmgr: no display to show
// the windows on (...); ..." and a line end. opened: a display is named but could not be
// opened.
QString noDisplayMessage(const Request& request, bool opened);

// Why the folder --prefix names cannot be managed when it is there but holds no Wine
// prefix, or is a file; empty when it can be (or does not exist, which the commands say).
QString refusedPrefix(const Request& request);

// Hands the root the request names (and the one remembered from the window) to the
// platform, and the Wine --wine names (and those chosen for prefixes in the window). Needs
// the application object.
void chooseRoot(const Request& request);

// Runs a command other than Windows and returns its exit code. Needs a QCoreApplication
// and no QApplication.
int run(const Request& request);

// Whether the command runs in several prefixes (--all-prefixes, or --prefix more than once),
// each on its own line of outcome.
bool severalPrefixes(const Request& request);
// Runs such a command: each prefix's share as the program run on it alone, side by side.
int runInEachPrefix(const Request& request);

// Prints a usage error and the hint to --help on standard error.
int usageError(const QString& why);

} // namespace CommandLine
