#pragma once
// The installed Wine, as the Linux back end finds it to lay out a new private root the way
// wineboot lays out a new prefix.

#include <filesystem>
#include <optional>
#include <vector>

namespace platform {

// Where the installed Wine keeps its Windows-side files (light.msstyles among them): the
// folders of the `wine` found first on PATH, 64-bit first; where none is on PATH, the
// usual install places (/usr, /usr/local, /opt/wine-*).
std::vector<std::filesystem::path> wineLibraryFolders();

// The first readable light.msstyles in those folders.
std::optional<std::filesystem::path> wineStyleFile(const std::vector<std::filesystem::path>& libraryFolders);

} // namespace platform
