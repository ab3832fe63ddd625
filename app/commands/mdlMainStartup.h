#pragma once
// The program's module, what it says at start-up about the Windows root it works on.

#include <QList>
#include <QString>
#include <QStringList>

namespace mdlMain {

// What keeps the program from working on its Windows root as it should, said once at
// start-up: a root that does not exist or is a file (naming it; nothing else is then said),
// the root picked last time passed over because it holds no prefix any more, a
// registry file that cannot be read (no settings can be saved until it is repaired), a
// running Wine that holds the registry, either with the note that changes go through its
// registry tool or, where that cannot be started, that nothing can be saved.
struct StartupProblem {
    QString text;
    int style = 0; // the message box style: 48 a problem, 64 a note
    bool isNote() const { return style == 64; }
    bool noRoot = false;   // there is no root to work on: it does not exist or cannot be read
    bool onStderr = false; // the platform has said it on standard error already
};
QList<StartupProblem> startupProblems();
// Shows each of them that keeps the program from working as it should in a message box,
// with the default title, and returns the notes (what stops nothing: the window shows them
// in a line of its own, the command line once on standard error).
QStringList ReportStartupProblems();
// "The Wine prefix <root> that WINEPREFIX names does not exist, ..." (the same for --prefix,
// or for a private root that could not be made); "... is a file, not a folder, ..." when
// isFile.
QString missingRootMessage(const QString& root, bool fromWinePrefix, bool fromCommandLine = false,
                           bool isFile = false);
// "The Wine prefix <root> cannot be read (<why>), so there are no visual styles to manage
// and no settings can be saved."
QString unreadableRootMessage(const QString& root, const QString& why);
// "The registry file <file> cannot be read (<problem>). The settings it holds are not
// used, ..."
QString unreadableHiveMessage(const QString& file, const QString& problem);
// The warning while Wine runs in the prefix and its registry tool cannot be started, so
// that nothing can be saved.
QString busyPrefixMessage(const QString& prefix, const QString& why);
// The note while Wine runs in the prefix and changes go through its registry tool.
QString wineWritesNote(const QString& prefix);

} // namespace mdlMain
