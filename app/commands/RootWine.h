#pragma once
// The Wine of each Windows root, as the command line and the windows say it and as the user
// overrides it: --wine PATH for one run, or a Wine chosen for a prefix in the window and
// remembered in the program's own settings ($XDG_CONFIG_HOME/kolvmgr/kolvmgr.conf), one for
// each prefix. Which Wine is started is the platform's choice (platform/WineChoice.h); this
// hands it what the command line and the settings say and words what it decided.

#include "RootChoice.h"

#include <QString>

#include <filesystem>

namespace RootWine {

// The Wines chosen for prefixes in the window, from the settings, for the platform.
void loadChosen();
// The Wine --wine names (made absolute against the working folder), for every prefix of
// this run. Not remembered.
void useForThisRun(const QString& wine);

// The Wine chosen for the prefix in the window, remembered for the next start; an empty
// path forgets the choice (the prefix's own Wine then).
void choose(const std::filesystem::path& prefix, const std::filesystem::path& wine);
// The Wine chosen for the prefix; empty when none is.
std::filesystem::path chosen(const std::filesystem::path& prefix);

// What a root's Wine is as the program says it: its name (or path; empty when none was
// found) and, when none of it may be started, why ("the Wine ... is not there",
// "starting ... would update the prefix (...)", ...).
struct Shown {
    QString wine;
    QString cannotDrive;
};
Shown shown(const std::filesystem::path& root);

// A line of --prefixes: "* " for the root managed, else two blanks, then its folder, a tab,
// its name, a tab and "wine=<name or path>", and when its Wine cannot be started a tab and
// "cannot drive: <why>".
QString prefixesLine(const RootChoice::ListedRoot& root);

} // namespace RootWine
