#pragma once
// Wine's front ends as the Linux back end knows them: where each keeps its data under the
// home folder (and under its Flatpak's), and what its records say, taken from the trees
// LauncherRecords reads. Both the discovery of prefixes and the choice of a prefix's Wine
// read them here, so that they agree on every file. Nothing is written. Linux only.

#include "platform/linux/LauncherRecords.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::launchers {

// A folder of a front end, and what a person knows that front end by ("Steam",
// "Steam (Flatpak)", ...).
struct Place {
    std::filesystem::path folder;
    std::string kind;
};

// A path as a record gives it, "~/x" and "$HOME/x" made absolute against home; empty when
// it is empty, relative or holds a NUL.
std::filesystem::path recordPath(const std::string& text, const std::filesystem::path& home);
// A name a record gives, as it may be shown: each control character (a tab or a line break
// would split a line of --prefixes) as '?'.
std::string shownName(std::string text);

// The names in a folder (no "." or ".."), sorted, so that what is found keeps its order;
// a folder of a front end holds a handful, and one with thousands is read only so far.
std::vector<std::string> entriesOf(const std::filesystem::path& folder);

// Whether a record's text can name one folder below another (a runner, a version): not
// empty, not "." or "..", no "/" and no NUL, so that it never leads out of that folder.
bool isFolderName(std::string_view text);

// ---- Steam ------------------------------------------------------------------------------

// Steam's own folders: ~/.steam/steam, and its Flatpak's.
std::vector<Place> steamRoots(const std::filesystem::path& home);
// A Steam folder's libraries: the folder itself, then each absolute path its
// steamapps/libraryfolders.vdf lists (today's blocks with "path", and the older plain
// entries).
std::vector<std::filesystem::path> steamLibraries(const std::filesystem::path& root);
// The game's name from its appmanifest_<appid>.acf in any library; empty when none names it.
std::string steamGameName(const std::vector<std::filesystem::path>& libraries, const std::string& appid);

// The Steam game a Proton prefix belongs to: <library>/steamapps/compatdata/<appid>/pfx.
struct SteamApp {
    std::filesystem::path library;
    std::string appid;
    std::filesystem::path compatdata() const;
};
std::optional<SteamApp> steamAppOfPrefix(const std::filesystem::path& prefix);

// The compatibility tool config/config.vdf maps to the game
// (InstallConfigStore/Software/Valve/Steam/CompatToolMapping/<appid>/name), else the
// default one (the mapping of "0"); empty when neither is there.
std::string compatToolMapping(const records::Node& config, std::string_view appid);

// The tools a compatibilitytool.vdf declares ("compatibilitytools" / "compat_tools",
// which some write "compat tools"): each by its internal name, its folder (install_path
// against the folder the file is in) and its display name.
struct CompatTool {
    std::string name;
    std::filesystem::path folder;
    std::string displayName;
};
std::vector<CompatTool> compatTools(const records::Node& declaration, const std::filesystem::path& vdfFolder);

// The folder of the Proton that last set up a prefix, from its compatdata's config_info:
// Proton writes its fonts folder (<tool>/files/share/fonts/, older <tool>/dist/...) on the
// second line and its library folder on the third. Nothing when neither is there.
std::optional<std::filesystem::path> protonOfConfigInfo(std::string_view configInfo);

// A Proton build's name from its "version" file ("1694456744 proton-8.0-5" ->
// "Proton 8.0-5", "1700000000 GE-Proton8-25" -> "GE-Proton8-25"); empty when it names none.
std::string protonVersionName(std::string_view versionFile);

// ---- Lutris -----------------------------------------------------------------------------

// Lutris' folders: ~/.local/share/lutris, the older ~/.config/lutris, and its Flatpak's
// data folder. Each may hold games/*.yml, runners/wine.yml and runners/wine/<version>/.
std::vector<Place> lutrisFolders(const std::filesystem::path& home);

// What a game's games/<slug>-<number>.yml says: its name ("name"), its prefix
// ("game: prefix:"), and its Wine ("wine: version:", which is a folder of runners/wine/,
// "system", or "custom" with "wine: custom_wine_path:").
struct LutrisGame {
    std::string name;
    std::filesystem::path prefix;
    std::string wineVersion;
    std::filesystem::path customWine;
};
LutrisGame lutrisGame(const records::Node& game, const std::filesystem::path& home);
// The Wine version runners/wine.yml makes the default ("wine: version:"); empty when none.
std::string lutrisDefaultWine(const records::Node& runner);

// ---- Bottles ----------------------------------------------------------------------------

// Bottles' data folders (~/.local/share/bottles and its Flatpak's): bottles/<name>/ and
// runners/<runner>/.
std::vector<Place> bottlesFolders(const std::filesystem::path& home);

// What a bottle's bottle.yml says: its name ("Name") and its runner ("Runner": a folder of
// runners/, or "sys-..." for the system's Wine).
struct Bottle {
    std::string name;
    std::string runner;
};
Bottle bottle(const records::Node& yml);

// ---- Heroic -----------------------------------------------------------------------------

// Heroic's configuration folders (~/.config/heroic and its Flatpak's): GamesConfig/*.json
// and config.json.
std::vector<Place> heroicFolders(const std::filesystem::path& home);

// A Wine as Heroic records it ("wineVersion": "bin", "name", "type": "wine", "proton", ...).
// For a Proton, bin is Proton's script in its folder.
struct HeroicWine {
    std::filesystem::path bin;
    std::string name;
    std::string type;
};
// The games of a GamesConfig file: { "<game>": { "winePrefix": ..., "wineVersion": ... } }.
struct HeroicGame {
    std::filesystem::path winePrefix;
    std::optional<HeroicWine> wine;
};
std::vector<HeroicGame> heroicGames(const records::Node& config, const std::filesystem::path& home);
// The default Wine of config.json ("defaultSettings": { "wineVersion": ... }).
std::optional<HeroicWine> heroicDefaultWine(const records::Node& config, const std::filesystem::path& home);

// ---- PlayOnLinux ------------------------------------------------------------------------

// ~/.PlayOnLinux: wineprefix/<name>/ and wine/linux-<arch>/<version>/.
std::filesystem::path playOnLinuxFolder(const std::filesystem::path& home);

// What a prefix's playonlinux.cfg says of its Wine: lines VERSION=<version> and
// ARCH=<x86|amd64> (x86 when not given). version is empty where the prefix uses the
// system's Wine.
struct PlayOnLinuxWine {
    std::string version;
    std::string arch;
};
PlayOnLinuxWine playOnLinuxWine(std::string_view cfg);

} // namespace platform::launchers
