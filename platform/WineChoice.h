#pragma once
// Which Wine may be started in a prefix. A prefix belongs to the Wine build that made it:
// another build's `wine` runs its prefix update first (rewriting the prefix's files), and
// cannot talk to a wineserver of another build at all. So the program starts only the
// prefix's own Wine, where the prefix's launcher records it (Steam's compatibility tool,
// a Lutris, Bottles or Heroic runner, PlayOnLinux's version), else $WINE, else `wine` on
// PATH; `--wine` for the run, or a Wine chosen for the prefix in the window, come first;
// while a server runs, only the Wine beside that server. And it starts none that would
// update the prefix. The choice is made here, once, for every start. Linux only.

#include "platform/Problem.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace platform::wine {

// Where the Wine of a prefix was found.
enum class WineSource {
    None,            // nowhere
    GivenForRun,     // --wine on the command line
    ChosenForPrefix, // chosen for the prefix in the window, remembered
    Steam,           // the Proton of a Steam game's prefix
    Lutris,          // the Wine runner of a Lutris game
    Bottles,         // the runner of a bottle
    Heroic,          // the Wine of a Heroic game
    PlayOnLinux,     // the Wine version of a PlayOnLinux prefix
    WineVariable,    // $WINE
    SearchPath,      // `wine` on PATH
    RunningServer,   // beside the wineserver that runs for the prefix
};

// A change to the environment a Wine is started with.
struct EnvSetting {
    enum How {
        Set,     // name=value
        Prepend, // value, a colon and what the variable held (value alone when unset)
        Unset,   // another build's setting would lead this one astray
    } how = Set;
    std::string name;
    std::string value;
    bool operator==(const EnvSetting&) const = default;
};

// What the user named: --wine for this run, and the Wine chosen for the prefix. Empty
// paths: none. Each may name the wine program, a build's folder (bin/wine, files/bin/wine
// or dist/bin/wine below it) or Proton's `proton` script.
struct Overrides {
    std::filesystem::path givenForRun{};
    std::filesystem::path chosenForPrefix{};
};

// The Wine named on the command line for this run (an absolute path); empty: none.
void setWineForThisRun(const std::filesystem::path& wine);
// The Wines chosen in the window, each for its prefix (from the program's settings).
void setChosenWines(std::vector<std::pair<std::filesystem::path, std::filesystem::path>> prefixAndWine);
// What setWineForThisRun and setChosenWines gave for the prefix (the same folder however
// it is spelled).
Overrides wineOverrides(const std::filesystem::path& prefix);

// The Wine that may be started in the prefix, or why none may be.
struct WineChoice {
    // The wine program to start, and what to change in its environment (besides
    // WINEPREFIX); empty when none may be started.
    std::filesystem::path program;
    std::vector<EnvSetting> environment;
    // The prefix's Wine as a person knows it: "Proton 8.0-5", "lutris-GE-Proton8-26-x86_64",
    // "system 8.0", or its path where nothing names it; empty when none was found.
    std::string name;
    WineSource source = WineSource::None;
    // Whether a wineserver runs for the prefix (the program is then the Wine beside it).
    bool serverRunning = false;
    // None when the program may be started; else why nothing may be (its Wine is not
    // there, it would update the prefix, the running server's Wine cannot be found, ...).
    Problem why;
};

// Looks at the disk, the launchers' records and the running processes each time.
WineChoice chooseWine(const std::filesystem::path& prefix, const Overrides& overrides);
// The same with wineOverrides(prefix).
WineChoice chooseWine(const std::filesystem::path& prefix);

} // namespace platform::wine
