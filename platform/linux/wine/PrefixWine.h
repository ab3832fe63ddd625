#pragma once
// The Wine a prefix belongs to, where its launcher records it. In this order: --wine for the
// run; the Wine chosen for the prefix; a Steam game's Proton (the one that last set up the
// prefix, from its compatdata's config_info, else the compatibility tool config.vdf maps to
// the game, else the default one); a bottle's runner (bottle.yml); a PlayOnLinux prefix's
// version (playonlinux.cfg); a Lutris game's Wine (games/*.yml, else runners/wine.yml); a
// Heroic game's Wine (GamesConfig/*.json, else config.json); $WINE; `wine` on PATH. A
// launcher that records a Wine which is not there is said so: the search never goes on to
// another build. Nothing is started and nothing written. Linux only.

#include "platform/Problem.h"
#include "platform/WineChoice.h"

#include <filesystem>
#include <string>
#include <vector>

namespace platform::wine {

struct PrefixWine {
    // The wine program; empty when none was found.
    std::filesystem::path wine;
    // As a person knows it (WineChoice::name); when it is missing, the name the record
    // gives it.
    std::string name;
    WineSource source = WineSource::None;
    // The launcher's file that names it; empty for --wine, a choice, $WINE and PATH.
    std::filesystem::path record;
    // What its wine needs in its environment (buildEnvironment).
    std::vector<EnvSetting> environment;
    // None when found; else why not (WineNotThere, ToolNotInstalled, NoWineFound).
    Problem missing;
};

PrefixWine prefixWine(const std::filesystem::path& prefix, const Overrides& overrides);

// The folders of Valve's own Proton that Steam's internal name stands for: Steam keeps
// those names only in its binary app cache, but names the folders after the versions
// ("proton_8" -> "Proton 8.0", "proton_513" -> "Proton 5.13", "proton_10" -> "Proton
// 10.0", "proton_experimental" -> "Proton - Experimental", "proton_hotfix" ->
// "Proton Hotfix"); a folder named so with a suffix in brackets ("Proton 9.0 (Beta)")
// counts. Empty for any other name.
std::string valveProtonFolder(const std::string& internalName);

} // namespace platform::wine
