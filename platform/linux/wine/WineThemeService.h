#pragma once
// The Linux back end of the theme service (platform/ThemeService.h): kolvmgr's own small
// Windows program (kolvmgr-apply-theme, cross-built with mingw-w64 and installed with the
// program), run through wine in the prefix, one start per call. What it needs of the
// prefix and of the installation. Linux only.

#include "platform/ThemeService.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform::wine {

// The architecture of a prefix's Windows: what its system.reg records ("#arch=win32" or
// "#arch=win64"); nullopt when the prefix has no such line (no Wine prefix, or not made
// by Wine).
enum class PrefixArch { Win32, Win64 };
std::optional<PrefixArch> prefixArchitecture(const std::filesystem::path& prefix);

// The Windows program for that architecture: in the folder KOLV_WINDOWS_PROGRAMS names (an
// absolute path; for packagers and tests), under <libdir>/kolvmgr/ next to the running
// program's bin/ folder (an installation), or beside the running program (a build).
// nullopt when none holds it.
std::optional<std::filesystem::path> applyThemeProgram(PrefixArch arch);

// A text as the program takes it on its command line: the hex digits of its UTF-16 code
// units, four a unit.
std::string hexArgument(const std::string& utf8);

// The arguments of the program's look and scheme requests after their name: FLAGS COLORS,
// and with the look's metrics SIZES and its six FONTs (ApplyThemeProtocol.h).
std::vector<std::string> lookArguments(const Look& look);

} // namespace platform::wine
