#pragma once
// Wine's theme service, reached through kolvmgr's own small Windows program
// (kolvmgr-apply-theme, cross-built with mingw-w64 and installed with the program), which
// wine runs in the prefix: it applies a style with its colours, metrics and fonts, or the
// classic look, the way Wine's own configuration program does, and records the values the
// program's readers expect. One `wine` start per call. Linux only.

#include "platform/Problem.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace platform::wine {

// The architecture of a prefix's Windows: what its system.reg records ("#arch=win32" or
// "#arch=win64"); nullopt when the prefix has no such line (no Wine prefix, or not made
// by Wine).
enum class PrefixArch { Win32, Win64 };
std::optional<PrefixArch> prefixArchitecture(const std::filesystem::path& prefix);

// The Windows program for that architecture: beside the running program (a build) or
// under <libdir>/kolvmgr/ next to its bin/ folder (an installation). nullopt when
// neither holds it.
std::optional<std::filesystem::path> applyThemeProgram(PrefixArch arch);

// Why Wine's theme service cannot be tried in the prefix (a folder no Wine made, the
// Windows program not installed, wine not on PATH); cause None when it can.
Problem whyUnreachable(const std::filesystem::path& prefix);

struct ThemeRun {
    enum Outcome {
        // wine, the prefix or the program is not there or cannot run it: nothing was
        // changed; `why` says what is missing.
        CannotRun,
        Applied,
        // The theme service refused the style file, its colour scheme or its size, or the
        // file is not there; the registry is as it was.
        Refused,
        // The theme service failed, or wine or the program ended abnormally.
        Failed,
        // Applied, but the values recorded afterwards could not be written or read back.
        NotRecorded,
        // Still running at the time limit: stopped.
        TimedOut,
        // Ended by a signal before it said how it went (killed, or its wineserver
        // stopped): the style may have been applied or not, as what Wine holds says.
        Interrupted,
    } outcome = CannotRun;
    Problem why; // what happened (the program's own last line, or wine's)
};

// The time an apply may take: a cold start of Wine in a prefix that Wine first updates
// takes tens of seconds; beyond this one it hangs.
inline constexpr std::chrono::seconds kApplyTimeLimit{120};

// Applies the style whose file dllName names (a Windows path, "%systemroot%\..." kept
// literally: the program expands it and records it so), in the given colour scheme and
// size (UTF-8), through wine in the prefix.
ThemeRun applyStyle(const std::filesystem::path& prefix, const std::string& dllName, const std::string& color,
                    const std::string& size, std::chrono::milliseconds limit = kApplyTimeLimit);

// Switches the prefix to the classic look (no visual style).
ThemeRun applyClassic(const std::filesystem::path& prefix, std::chrono::milliseconds limit = kApplyTimeLimit);

// A text as the program takes it on its command line: the hex digits of its UTF-16 code
// units, four a unit.
std::string hexArgument(const std::string& utf8);

} // namespace platform::wine
