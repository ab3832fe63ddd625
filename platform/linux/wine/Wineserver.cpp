#include "platform/linux/wine/Wineserver.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {
namespace {

// The server folders where a server for this prefix would live.
std::vector<std::filesystem::path> serverFolders(const std::filesystem::path& prefix) {
    std::vector<std::filesystem::path> out;
    struct stat st {};
    if (::stat(prefix.c_str(), &st) != 0)
        return out;
    char leaf[64];
    std::snprintf(leaf, sizeof leaf, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    out.push_back(std::filesystem::path("/tmp") / (".wine-" + std::to_string(::getuid())) / leaf);

    std::ifstream named(prefix / "wineserver");
    std::string name;
    if (named && std::getline(named, name)) {
        while (!name.empty() && (name.back() == '\r' || name.back() == ' ' || name.back() == '\t'))
            name.pop_back();
        // One folder name, nothing that climbs out of the temporary folder.
        if (!name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
            name.find('\0') == std::string::npos) {
            const char* tmp = std::getenv("TMPDIR");
            const std::filesystem::path base = tmp && *tmp ? tmp : "/tmp";
            out.push_back(base / name / leaf);
        }
    }
    return out;
}

// A running server holds a POSIX write lock on its folder's "lock" file: the holder's
// process id, or 0.
long lockHolder(const std::filesystem::path& folder) {
    const int fd = ::open((folder / "lock").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0;
    const bool held = ::fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
    ::close(fd);
    return held ? (fl.l_pid > 0 ? fl.l_pid : -1) : 0;
}

} // namespace

bool wineserverRunning(const std::filesystem::path& prefix) {
    return wineserverProcess(prefix) != 0;
}

long wineserverProcess(const std::filesystem::path& prefix) {
    for (const auto& folder : serverFolders(prefix))
        if (const long holder = lockHolder(folder))
            return holder;
    return 0;
}

bool wineserverServing(const std::filesystem::path& prefix) {
    for (const auto& folder : serverFolders(prefix)) {
        if (!lockHolder(folder))
            continue;
        const std::string socketPath = (folder / "socket").string();
        sockaddr_un address{};
        if (socketPath.size() >= sizeof address.sun_path)
            return false;
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            return false;
        // Connected, or waiting in the queue of a socket that listens: it serves.
        const int connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        const bool serving = connected == 0 || errno == EAGAIN || errno == EINPROGRESS;
        ::close(fd);
        return serving;
    }
    return false;
}

} // namespace platform
