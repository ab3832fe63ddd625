#pragma once
// The folders behind the Windows root as the Linux back end finds them: the home folder,
// the folder of the program's private root, and whether the user chose a root. Linux
// only.

#include <filesystem>
#include <utility>

namespace platform {

// $HOME, or the account's home folder when HOME is unset or empty.
std::filesystem::path homeFolder();

// Where the private root lives: $XDG_DATA_HOME/kolvmgr, ~/.local/share/kolvmgr when
// XDG_DATA_HOME is unset, empty or relative. Nothing is made.
std::filesystem::path privateRootFolder();

// The roots the program was given through setChosenRoot and setRememberedRoot
// (WindowsRoot.h), kept here so that every path translated can ask rootChosen(). Another
// thread may ask while the window changes them.
void keepChosenRoot(const std::filesystem::path& root);
void keepRememberedRoot(const std::filesystem::path& root);
// The chosen root and the remembered one; empty paths where none was given.
std::pair<std::filesystem::path, std::filesystem::path> givenRoots();

// Whether a root was chosen (setChosenRoot): it then comes before WINEPREFIX. Cheap
// enough for every path translated.
bool rootChosen();

} // namespace platform
