#pragma once
// The Windows roots this machine holds, for the user to choose from.
//
// The Linux back end looks in the places Wine front ends keep their prefixes and reads
// only the few files that name them: $WINEPREFIX; ~/.wine; Bottles' bottles
// (~/.local/share/bottles/bottles/<name>, and the same under
// ~/.var/app/com.usebottles.bottles/data/ for its Flatpak), named by their bottle.yml;
// Lutris' games (the "game: prefix:" of ~/.local/share/lutris/games/*.yml, of the older
// ~/.config/lutris/games/*.yml, and of ~/.var/app/net.lutris.Lutris/data/lutris/games/*.yml
// for its Flatpak); PlayOnLinux's prefixes (~/.PlayOnLinux/wineprefix/<name>); Steam's
// Proton prefixes (<library>/steamapps/compatdata/<appid>/pfx, the libraries being
// ~/.steam/steam, or ~/.var/app/com.valvesoftware.Steam/.local/share/Steam for its Flatpak,
// and those its steamapps/libraryfolders.vdf lists), named by appmanifest_<appid>.acf;
// winetricks' prefixes (~/.local/share/wineprefixes/<name>); Heroic's games (the
// "winePrefix" of ~/.config/heroic/GamesConfig/*.json, and of
// ~/.var/app/com.heroicgameslauncher.hgl/config/heroic/GamesConfig/*.json for its Flatpak,
// its pfx folder for a Proton prefix), named by the prefix's folder, which Heroic names
// after the game; and the program's own private root. A file that is missing, unreadable, not a plain file,
// too large or not what it should be is passed over; nothing is ever written.
// The Win32 back end answers with the system's own root alone.

#include <filesystem>
#include <string>
#include <vector>

namespace platform {

struct FoundRoot {
    std::filesystem::path folder;
    // What a person knows it by: "WINEPREFIX", "Wine: ~/.wine", "Bottles: Gaming",
    // "Steam: Half-Life 2", ...; empty for the program's own root, which the program names.
    std::string name;
    bool programsOwn = false;
};

// Every root found, each folder once (the first place that names it gives its name), in
// the order of the places above. Only folders that hold a root (isWindowsRootFolder).
std::vector<FoundRoot> findWindowsRoots();

// Whether the folder holds a Windows root the program can manage: for the Linux back end
// a Wine prefix (a folder holding system.reg or drive_c); for the Win32 back end the
// system's root.
bool isWindowsRootFolder(const std::filesystem::path& folder);

} // namespace platform
