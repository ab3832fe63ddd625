#pragma once
// Which Windows root the program manages: --prefix DIR, then WINEPREFIX, then the root
// picked last time in the window (kept in the program's own settings,
// $XDG_CONFIG_HOME/kolvmgr/kolvmgr.conf), then ~/.wine, then the private root. The
// platform resolves the order; this hands it what the command line and the settings say.

#include <QList>
#include <QString>

#include <filesystem>
#include <memory>

class QSettings;

namespace RootChoice {

// The program's own settings: $XDG_CONFIG_HOME/kolvmgr/kolvmgr.conf. The registry of a
// prefix cannot hold which prefix to open.
std::unique_ptr<QSettings> settings();

// The root picked last time, from the settings, for the platform to use after WINEPREFIX.
void loadRemembered();

// The folder --prefix names (made absolute against the working folder): the root of this
// run, whatever else is set. Not remembered.
void useForThisRun(const QString& folder);
// A folder named on the command line, made absolute against the working folder.
std::filesystem::path absoluteFolder(const QString& folder);

// Why a folder cannot be chosen as the root: "The folder <folder> is not a Wine prefix: it
// holds neither system.reg nor drive_c. ..." for a folder, "<folder> is a file, not a
// folder. ..." for anything else that is there; empty for a Wine prefix and for nothing
// at all (a root that does not exist is said so where it is used).
QString refusal(const std::filesystem::path& folder);
// "The folder <folder> is not a Wine prefix: it holds neither system.reg nor drive_c.
// Choose the folder of a Wine prefix, such as ~/.wine."
QString notAPrefixMessage(const std::filesystem::path& folder);
// Why the root picked last time is passed over although its folder is there (it holds no
// Wine prefix any more); empty when it is not, or another source comes first.
QString rememberedRefusal();

// The root picked in the window: the root of this run, and remembered for the next.
void choose(const std::filesystem::path& folder);

// A root to choose from: where it is, what a person knows it by, and whether it is the one
// managed now.
struct ListedRoot {
    std::filesystem::path folder;
    QString name;
    bool managed = false;
};
// The roots found on this machine, the managed one marked; when it was not found (a
// WINEPREFIX elsewhere) it comes first, named by its folder, so it is always there to see.
// Looks at the disk: for when the user asks, never at start-up.
QList<ListedRoot> listRoots();

// Whether two paths name the same folder (spelled alike, or the same on the disk).
bool sameFolder(const std::filesystem::path& a, const std::filesystem::path& b);

// The text the program shows for a folder: "~/..." for one in the home folder.
QString displayedFolder(const std::filesystem::path& folder);

} // namespace RootChoice
