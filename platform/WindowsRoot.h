#pragma once
// Where the Windows side lives on this machine: a Wine prefix for the Linux back end, the
// system itself for the Win32 one.

#include <cstdint>
#include <filesystem>
#include <string>

namespace platform {

// The Windows root. The Win32 back end: the root folder of the drive that holds the
// Windows directory ("C:\"). The Linux back end: resolved anew on every call so that a
// changed WINEPREFIX or choice takes effect: the chosen root (setChosenRoot) when there is
// one; otherwise $WINEPREFIX when set and not empty; otherwise the remembered root
// (setRememberedRoot) while it holds a prefix; otherwise ~/.wine when it exists; otherwise
// $XDG_DATA_HOME/kolvmgr (default ~/.local/share/kolvmgr),
// created on first use with the layout of a prefix (drive_c/windows/Resources/Themes/,
// dosdevices/c: and z:, user.reg, system.reg seeded with the default browser entry). The
// process that creates the private root also gives it the style Wine ships, as wineboot
// does for a new prefix: Wine's light.msstyles as Resources\Themes\Light\light.msstyles
// with a readme saying where it came from (nothing when no Wine is installed). A root
// that exists already is never given styles.
std::filesystem::path windowsRoot();

// Where windowsRoot() takes the root from. The Win32 back end always answers System.
enum class RootSource { Chosen, WinePrefix, Remembered, HomeWine, Private, System };
RootSource windowsRootSource();

// The root the user named for this run (on the command line, or picked in the window):
// it wins over every other source, whether or not it exists (the program then says it
// does not). An empty path withdraws the choice. The Win32 back end manages the system it
// runs on and ignores it.
void setChosenRoot(const std::filesystem::path& root);
// The root picked last time, from the program's own settings: it comes after WINEPREFIX
// and before ~/.wine, and only while it holds a Wine prefix (a prefix deleted since, or a
// folder that no longer holds one, is passed over). An empty path: none. Ignored by the
// Win32 back end.
void setRememberedRoot(const std::filesystem::path& root);

// GetWindowsDirectoryA: writes "C:\windows" and a terminating null into buffer when it
// fits (size counts the null) and returns the length without the null; returns the
// size needed, null included, when it does not fit (buffer untouched); returns 0 when
// the directory cannot be given (no C: drive, no windows folder).
uint32_t GetWindowsDirectoryA(char* buffer, uint32_t size);

} // namespace platform
