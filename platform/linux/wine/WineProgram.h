#pragma once
// Every start of wine the program makes goes through here: the prefix's own Wine, as
// chooseWine decides it (WineChoice.h: the launcher's record, the running server's build,
// none that would update the prefix), with the environment that build needs, WINEPREFIX
// and WINEDEBUG. Waited for with a time limit (run), or left to run (a Windows program
// the user starts). Linux only.

#include "platform/Problem.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace platform::wine {

struct Run {
    enum Outcome { NotStarted, Exited, Signalled, TimedOut } outcome = NotStarted;
    int code = 0;    // Exited: the exit code; Signalled: the signal
    std::string out; // what it wrote on standard output (its first MiB)
    std::string err; // likewise on standard error
    // NotStarted: why (WineMissing, NoOutputFile, WineNotStarted).
    Problem notStarted{Problem::WineMissing};
    bool exitedWith(int expected) const { return outcome == Exited && code == expected; }
};

// What became of a run that did not end well (not started, stopped at its time limit,
// ended by a signal, or exited with the code it did), as a problem of what (the command as
// the user knows it: "wine reg import", "wine"), with the words it said; limit is the
// time it was given.
Problem runProblem(const Run& run, const std::string& what, std::chrono::milliseconds limit,
                   const std::string& said = {});

// The last line of a program's output that holds anything, without its line end and
// trailing blanks; empty when there is none.
std::string_view lastLine(std::string_view text);

// How wine is started in a prefix with the arguments given: the program, its argv and
// its whole environment; or, refused, why no wine may be started there.
struct WineStart {
    std::string program;
    std::vector<std::string> argv;
    std::vector<std::string> env;
    Problem refused;
};
WineStart wineStart(const std::filesystem::path& prefix, const std::vector<std::string>& args,
                    const std::vector<std::string>& extraEnv = {});

// Why no wine may be started in the prefix now (None when one may): asked again at most
// once a second, for the questions a registry read asks.
Problem wineUnavailable(const std::filesystem::path& prefix);

// Runs the prefix's wine with the arguments, WINEDEBUG=-all and standard input from
// /dev/null, and waits for it without spinning; a program still running after limit is
// killed (TimedOut). NotStarted, with the choice's reason, where no wine may be started.
Run run(const std::filesystem::path& prefix, const std::vector<std::string>& args,
        std::chrono::milliseconds limit);

// The temporary folder for files handed to Wine: $TMPDIR when Wine can be given its path
// as is, else /tmp.
std::string temporaryFolder();

// A host path as a Windows program opens it whatever drives the prefix maps
// (\\?\unix\<path>).
std::string unixPathForWine(const std::string& host);

} // namespace platform::wine
