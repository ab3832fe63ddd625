#pragma once
// Starting one of Wine's programs (or a Windows program of ours) through `wine` for a
// prefix, with a time limit, and collecting what it said. The one way the Linux back end
// runs Wine; Linux only.

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace platform::wine {

struct Run {
    enum Outcome { NotStarted, Exited, Signalled, TimedOut } outcome = NotStarted;
    int code = 0;    // Exited: the exit code; Signalled: the signal
    std::string out; // what it wrote on standard output (its first MiB)
    std::string err; // likewise on standard error
    // NotStarted: why; error is errno for the last two.
    enum NotStartedCause { WineMissing, NoOutputFile, SpawnFailed } notStarted = WineMissing;
    int error = 0;
    bool exitedWith(int expected) const { return outcome == Exited && code == expected; }
};

// Runs `wine <args...>` with WINEPREFIX set to prefix and WINEDEBUG=-all, standard input
// from /dev/null, and waits for it without spinning; a program still running after limit
// is killed (TimedOut).
Run run(const std::filesystem::path& prefix, const std::vector<std::string>& args,
        std::chrono::milliseconds limit);

// The temporary folder for files handed to Wine: $TMPDIR when Wine can be given its path
// as is, else /tmp.
std::string temporaryFolder();

// A host path as a Windows program opens it whatever drives the prefix maps
// (\\?\unix\<path>).
std::string unixPathForWine(const std::string& host);

} // namespace platform::wine
