#pragma once
// Windows paths and their host paths: the names the back end's own system gives the same
// files. The Win32 back end's host path is the Windows path itself, made full.
//
// The Linux back end's host homes: a DOS path ("C:\windows\x", "c:/a", a drive root
// "D:\") is translated through <root>/dosdevices; an absolute host path ("/tmp/x")
// passes unchanged; a path rooted without a drive ("\x") is on C:, never on the drive of
// the host's working folder; a relative path is taken relative to the current directory.
// Components are matched case-insensitively when the exact spelling does not exist.
// A drive's resolved folder and a handle of each of the last folders tested in are reused
// for up to kRecheckInterval (Recheck.h): a drive pointed elsewhere, or a folder renamed
// or replaced by another program, shows within that time; what happens inside a folder
// (a name made, removed or renamed) shows at once.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The host path of a Windows path. Components that do not exist (yet) are kept as
// given, so the result can name a file about to be created. nullopt when the drive does
// not exist or the text is not a usable path (empty, a character Windows forbids in a
// name, a NUL).
std::optional<std::filesystem::path> toHostPath(std::string_view windowsPath);

// The DOS path of a host path: the drive whose dosdevices entry holds it (the longest
// match), otherwise Z: for the host's root. Backslashes, no trailing one except a root.
std::optional<std::string> toDosPath(const std::filesystem::path& hostPath);

// A drive exists when its dosdevices entry resolves. Only the first character counts
// ("c", "C:", "c:\windows" all name C:).
bool driveExists(std::string_view drive);

// The current directory in DOS form ("C:\windows"); the process's own working directory
// translated, Z: when no other drive holds it.
std::string currentDirectory();

// Could the process make this its current directory: an existing folder (a link to one
// counts) it may enter. Never changes the current directory.
bool isEnterableDirectory(std::string_view windowsPath);

// Could the process open this for reading: an existing readable file that is not a
// folder. Never changes anything.
bool isReadableFile(std::string_view windowsPath);

// Joins a Windows folder text and a name the way the callers do: folder + name.
// (Kept here so every caller agrees on where the backslash goes.)
inline std::string joinWindowsPath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    if (!out.empty() && out.back() != '\\' && out.back() != '/')
        out += '\\';
    out += name;
    return out;
}

} // namespace platform
