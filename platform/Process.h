#pragma once
// Starting a program from a Windows command line, without waiting for it.

#include "platform/Problem.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits a command line as Windows does for a program's arguments (CommandLineToArgvW
// rules: the program token ends at the closing quote or the first blank, so blanks before
// it make it empty; later tokens honour quotes and backslash-quote escapes). An empty
// line gives no tokens.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// The system's own text for an error number (strerror, or FormatMessage on Win32),
// without a closing full stop.
std::string systemErrorText(int error);

// Starts the command line; the started program is never waited for. What kept it from
// starting (NoProgram, ProgramNotFound, WineMissing, CannotStart; None once started). showState is the
// Windows show state (1 normal, 2 minimised with focus, ...). The Win32 back end hands both to CreateProcess.
// The Linux back end: the program (first token) given as a DOS path is translated to its
// host path; a Windows program (.exe) runs through `wine` with WINEPREFIX set to the
// Windows root when `wine` is on PATH; a native program gets every argument that is the
// DOS path of an existing file or folder as its host path; the show state is left to
// the desktop.
Problem startProcess(std::string_view commandLine, int showState);

// Starts the command line followed by one blank and argument, as startProcess does with
// that whole line, except that a native program gets argument whole, as one argument
// (its host path when it is the DOS path of an existing file or folder), whatever blanks
// it holds: an address or a path reaches it as the caller meant it. A Windows program
// gets the whole line, as Windows hands it over. A command without a program starts
// nothing.
Problem startProcess(std::string_view commandLine, std::string_view argument, int showState);

// The host path of the program of this name (no folder) that a bare command would start,
// searched along PATH; empty when there is none.
std::optional<std::string> findProgramOnPath(std::string_view name);

} // namespace platform
