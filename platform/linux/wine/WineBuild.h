#pragma once
// A Wine build on disk, found from its `wine` program: where its files lie in each layout
// the program meets (an upstream install, Debian's /usr/lib/wine/, a Lutris or Bottles
// runner, Proton's files/ or older dist/), which wine.inf it updates a prefix from, which
// version it names itself, and what its `wine` needs in its environment. Linux only.

#include "platform/WineChoice.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform::wine {

// Whether the path leads to a regular file that may be executed.
bool isProgram(const std::filesystem::path& path);

// The wine program of a build's folder: files/bin/wine (Proton), dist/bin/wine (Proton
// before 5.13), bin/wine (anything else); nothing when none of them is a program.
std::optional<std::filesystem::path> wineOfBuildFolder(const std::filesystem::path& folder);

// What a person or a record names as a Wine: the program itself, a build's folder, or
// Proton's `proton` script (its folder's wine); nothing when it leads to no wine program.
std::optional<std::filesystem::path> wineOfNamed(const std::filesystem::path& named);

// The wine.inf the build's loader compares a prefix with. Wine takes its data folder
// relative to the folder of its real program (links resolved): ../share/wine for an
// upstream install, a runner or Proton, ../../share/wine for Debian's /usr/lib/wine/ (whose
// /usr/bin/wine is a script in /usr/bin, where ../share/wine leads to the same file).
// Nothing when neither holds a wine.inf.
std::optional<std::filesystem::path> wineInfOf(const std::filesystem::path& wine);

// The version the build names itself in its ntdll.so ("8.0" of "wine-8.0 (Debian
// 8.0~repack-4)"); empty when it cannot be found.
std::string wineVersionOf(const std::filesystem::path& wine);

// What the build's wine needs in its environment to run as its own launcher runs it,
// without a Steam runtime: another build's WINELOADER, WINESERVER and WINEDLLPATH go (they
// would lead this one to the other's loader, server or DLLs), its own wineserver is named;
// a self-contained build (anything not installed under /usr or /usr/local) finds its own
// libraries first (LD_LIBRARY_PATH); a Proton build gets what Proton's script sets for its
// wine (WINEDLLPATH with its vkd3d and wine folders, WINEFSYNC=1, which its wineservers
// expect of their clients).
std::vector<EnvSetting> buildEnvironment(const std::filesystem::path& wine);

// An environment ("NAME=value" entries) with the settings made, in their order.
std::vector<std::string> withSettings(std::vector<std::string> environment,
                                      const std::vector<EnvSetting>& settings);

} // namespace platform::wine
