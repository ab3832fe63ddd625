#pragma once
// The names of the temporary files an install writes, which process they belong to, and
// the sweep at start-up that takes away what an install killed earlier left behind.
//
// ".kolv~<pid>.<start>~<n>" is a temporary file (data being written, or a file the install
// replaced, kept aside until it ends) and ".kolv~<pid>.<start>~run" the mark an install
// keeps in the themes folder while it runs. They are hidden, unlike any name a style would
// hold, and name the writing process by its number and its start time (a number alone may
// belong to a later process). Earlier versions wrote temporary files as ".kolv~<pid>~<n>"
// and no mark.

#include <dirent.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace InstallLeftovers {

// ".kolv~<pid>.<start>~" for this process (read again in a child made by fork).
std::string ownPrefix();

enum class Kind { None, Temporary, RunMark };
// Which of our names this is when the process it names has gone: its number runs no
// process, or one that started at another time. None for any other name, and for the
// names of a process that still runs.
Kind stale(std::string_view name);
// Whether the name is the mark of an install whose process still runs.
bool isLiveRunMark(std::string_view name);

// The type of an entry of the folder being read (DT_DIR, DT_REG, ...), a link never
// followed; DT_UNKNOWN when the entry has gone.
unsigned char entryType(DIR* dir, const dirent& item);

struct Swept {
    std::size_t files = 0;   // temporary files and marks removed
    std::size_t folders = 0; // folders removed because they then held nothing
};
// Removes, below the themes folder (a host path), the temporary files and marks of installs
// whose process has gone, at any depth; then each folder they were taken from that holds
// nothing any more, up to and including its style folder, unless an install runs there
// now. Nothing else is touched: no other file, no folder that held none of them, no link
// followed. Every folder is read when everyFolder is set; otherwise the themes folder,
// and the folders below it only when a killed install's mark lies there (an install of
// this version leaves its mark there, so a walk finds all it left; one of an earlier
// version left none).
Swept sweep(const std::filesystem::path& themesFolder, bool everyFolder = true);
// The same for the themes folder open at themesFolderFd (left open).
Swept sweep(int themesFolderFd, bool everyFolder = true);

} // namespace InstallLeftovers
