#pragma once
// Whether a wineserver runs for a Wine prefix. Wine keeps the registry in memory while
// its server runs and writes the hive files back when it exits, so a change made to the
// files meanwhile would be undone.

#include <filesystem>
#include <string>

namespace platform {

// True when a server holds the lock of the prefix's server folder: upstream
// "/tmp/.wine-<uid>/server-<dev>-<ino>", or "${TMPDIR:-/tmp}/<name>/server-<dev>-<ino>"
// when the prefix holds a file "wineserver" naming <name>; <dev> and <ino> are the
// prefix folder's device and inode in hex.
bool wineserverRunning(const std::filesystem::path& prefix);
// The process id of the server holding that lock, 0 when none does: tells one server from
// the next.
long wineserverProcess(const std::filesystem::path& prefix);
// Whether that server still takes clients: one that is shutting down (its programs killed,
// its registry about to be saved) has closed its socket, though it holds the lock until it
// exits. A Wine program whose server went away may end as if all went well; only a server
// still serving afterwards vouches that it did the program's work.
bool wineserverServing(const std::filesystem::path& prefix);

} // namespace platform
