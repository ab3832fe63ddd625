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
    enum Command { Windows, Help, Version, Prefixes, List, Apply, Classic, Install, Uninstall, Check };
    // Windows: no command, the windows start (and offer to install archives).
    Command command = Windows;
    QString prefix;       // --prefix DIR; empty when not given
    QString name;         // the style of --apply and --uninstall
    QString color;        // --apply's --color SCHEME; empty when not given
    QString size;         // --apply's --size SIZE; empty when not given
    QStringList archives; // --install, or the archives handed to the windows
    QString logFile;      // --check --log FILE
    QString usageError;   // why the arguments cannot be used; empty when they can
};

// The arguments after the program's name.
Request parse(const QStringList& arguments);

// What --help prints, the README's "Command line" section word for word.
QString helpText();
// What --version prints: the program's name and version.
QString versionText();

// Whether a display is there to show the windows on.
bool displayAvailable();

// Hands the root the request names (and the one remembered from the window) to the
// platform. Needs the application object.
void chooseRoot(const Request& request);

// Runs a command other than Windows and returns its exit code. Needs a QCoreApplication
// and no QApplication.
int run(const Request& request);

// Prints a usage error and the hint to --help on standard error.
int usageError(const QString& why);

} // namespace CommandLine
