#pragma once
// The commands on installed styles, without a window: the main window and the command
// line both run them, so each has one implementation. Nothing here asks or shows
// anything; the callers say what came of it in their own way.

#include "RegistryValues.h"
#include "common/prgmain.h"
#include "mdlMainControl.h"
#include "platform/DirectoryListing.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <type_traits>
#include <utility>

namespace StyleCommands {

// Lists the installed styles of the themes directory (text ending in a backslash) in the
// host file system's order (callers that show them sort them): found(name) for each entry
// other than "." and ".." that ChkPathExist takes as an enterable folder, after(), for every
// entry examined, once it has been looked at (the windows let their events through there).
// An after() that answers false ends the listing there; the result says whether it ran to
// the end.
template <class Found, class After>
bool listInstalledStyles(const QString& themes, Found&& found, After&& after) {
    platform::DirectoryListing entries(themes.toStdString(), 16);
    // Each folder's path is written over the last one's, after the themes directory.
    QString folder = themes;
    const qsizetype nameStart = folder.size();
    while (const auto name = entries.next()) {
        QString entry = QString::fromStdString(*name);
        folder.truncate(nameStart);
        folder += entry;
        folder += QLatin1Char('\\');
        if (entry != QLatin1String(".") && entry != QLatin1String("..") && mdlMain::ChkPathExist(folder))
            found(std::move(entry));
        if constexpr (std::is_void_v<std::invoke_result_t<After&>>)
            after();
        else if (!after())
            return false;
    }
    return true;
}

// The installed styles in the catalogue's order.
QStringList installedStyles(const QString& themes);

// The catalogue's order, the order in which NTFS lists a folder: names compared one UTF-16
// unit at a time after upper-casing each unit, so case is ignored ("blue" and "Blue"
// differ only by their units, which then decide). Whether a comes before b. Compared in
// place, without a copy of either name: a refresh sorts thousands of them.
bool catalogueOrder(const QString& a, const QString& b);

// The installed style a name given by the user means: the one spelled so, else the first
// one spelled so ignoring case (style folders are named without regard to case). Empty
// when none is; a name that is a path or "." or ".." never names one.
QString installedStyleNamed(const QString& themes, const QString& name);

// "no visual style named <name> is installed in <themes>"
QString notInstalledMessage(const QString& name, const QString& themes);

// The style file of a style folder: the first plain *.msstyles file its listing reports
// (hidden and system files are not seen). Empty when there is none.
QString findStyleFile(const QString& themes, const QString& style);
// "Unable to find MSStyles file in the folder."
QString noStyleFileMessage();

// The style the registry holds as the user's visual style (what a running Wine holds,
// else the hive): the folder and the file below it that ThemeManager's DllName names in
// the themes directory (%systemroot% or %windir% standing for the Windows directory),
// spelled as recorded (the theme service may record the path in another case: compare
// folder names ignoring case). Empty when ThemeActive is "0" (the classic look, whatever
// DllName still says), when DllName names nothing in the themes directory, or when the
// registry cannot say.
struct StyleInUse {
    QString folder;
    QString file;    // the path below the folder: "Luna.msstyles"
    QString dllName; // as stored
    bool isEmpty() const { return folder.isEmpty(); }
};
StyleInUse styleInUse();
StyleInUse styleInUseOf(const RegistryValues::ThemeRecord& record);
// The folder of the style in use, empty when none is.
QString appliedStyle();
// The path of the file the registry names as the style in use, %systemroot% and %windir%
// expanded, wherever it lies; empty when no style is in use or the registry cannot say.
QString fileOfStyleInUse();
// Which of styles a name given by the user or the registry means: the one spelled so,
// else the first one spelled so ignoring case (style folders are named without regard to
// case). Empty when none is.
QString styleNamedIn(const QStringList& styles, const QString& name);

// Whether the registry's ANSI text can carry the style's folder and file names, and the
// message that says why not.
bool canApply(const QString& style, const QString& styleFile);
QString cannotApplyMessage(const QString& style, const QString& styleFile);

// The file of the style in use that lies in the installed style's folder (its path below
// the folder, as the registry spells it), when the style is the one in use; empty when it
// is not. Windows keeps that file open while the style is in use, so it is never deleted.
QString fileInUse(const QString& themes, const QString& style);

// What became of a style folder being removed: gone, missing before anything was
// deleted, or kept (empty, its own removal refused with removalError; with entries left in
// it; or with the file of the style in use left in it, othersKept saying whether more
// stayed).
struct Removal {
    enum Outcome { Removed, Missing, KeptEmpty, KeptEntries, KeptInUse } outcome = Removed;
    int removalError = 0;
    QString fileInUse{};
    bool othersKept = false;
};
// Empties a folder (text ending in a backslash), leaving the file kept (a full path,
// empty for none).
using ClearFunction = std::function<void(const QString& folder, const QString& kept)>;
// Deletes the style folder (text ending in a backslash) and everything in it but the file
// of the style in use (fileInUse's answer, empty for none), emptying it with clearFolder
// (the window's own ClearFolder; the shared routine by default); a style that is a link to
// a folder elsewhere loses only the link, unless it is the style in use. Yields once per
// entry.
Removal removeStyleFolder(
    const QString& folderPath, const QString& inUseFile = QString(),
    const ClearFunction& clearFolder = [](const QString& folder, const QString& kept) {
        prgmain::ClearFolder(folder, kept);
    });
// What the user is told about the removal of the style from the themes directory.
QString removalMessage(const QString& style, const QString& themes, const Removal& removal);

} // namespace StyleCommands
