#pragma once
// The Wine a running wineserver belongs to. A server talks only to clients of its own
// build, so while one runs for a prefix only the wine beside it may be started there: its
// program is what /proc/<pid>/exe of the process holding the server's lock (Wineserver.h)
// names, and its wine lies in the same folder (bin/wineserver and bin/wine upstream, in a
// runner and in Proton; /usr/lib/wine/wineserver64 and /usr/lib/wine/wine64, or wine, on
// Debian). Linux only.

#include "platform/Problem.h"
#include "platform/WineChoice.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace platform::wine {

struct ServerWine {
    enum State {
        NoServer, // no wineserver runs for the prefix
        Found,    // wine is the one beside it
        NotFound, // one runs, and why says why its wine cannot be found
    } state = NoServer;
    long pid = 0;
    std::filesystem::path server; // the server's program
    std::filesystem::path wine;
    // What the server was started with that its clients must share: its WINEESYNC and
    // WINEFSYNC (Proton's servers and clients use them together or not at all).
    std::vector<EnvSetting> environment;
    Problem why;
};

// The Wine of the server running for the prefix.
ServerWine runningServerWine(const std::filesystem::path& prefix);

// The Wine of the server in that process (pid -1: a server runs in a process that cannot
// be seen from here, as from inside a Flatpak).
ServerWine serverWineOfProcess(long pid);

// The wine beside a server's program: "wine" in its folder, then for a server named
// wineserver<suffix> (Debian's wineserver64, wineserver32) wine<suffix>.
std::optional<std::filesystem::path> wineBesideServer(const std::filesystem::path& server);

} // namespace platform::wine
