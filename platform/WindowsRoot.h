#pragma once
// Where the Windows side lives on this machine: a Wine prefix for the Linux back end, the
// system itself for the Win32 one.

#include <cstdint>
#include <filesystem>
#include <string>

namespace platform {

// The Windows root. The Win32 back end: the root folder of the drive that holds the
// Windows directory ("C:\"). The Linux back end: resolved anew on every call so that a
// changed WINEPREFIX takes effect: $WINEPREFIX when set and not empty; otherwise ~/.wine
// when it exists; otherwise $XDG_DATA_HOME/kolvmgr (default ~/.local/share/kolvmgr),
// created on first use with the layout of a prefix (drive_c/windows/Resources/Themes/,
// dosdevices/c: and z:, user.reg, system.reg seeded with the default browser entry). The
// process that creates the private root also gives it the style Wine ships, as wineboot
// does for a new prefix: Wine's light.msstyles as Resources\Themes\Light\light.msstyles
// with a readme saying where it came from (nothing when no Wine is installed). A root
// that exists already is never given styles.
std::filesystem::path windowsRoot();

// GetWindowsDirectoryA: writes "C:\windows" and a terminating null into buffer when it
// fits (size counts the null) and returns the length without the null; returns the
// size needed, null included, when it does not fit (buffer untouched); returns 0 when
// the directory cannot be given (no C: drive, no windows folder).
uint32_t GetWindowsDirectoryA(char* buffer, uint32_t size);

// The Windows directory text the way the program reads it: a 500-blank buffer handed to
// GetWindowsDirectoryA, trimmed of blanks, the terminating null dropped. Empty when the
// directory cannot be given.
std::string windowsDirectoryText();

} // namespace platform
