#include "platform/linux/wine/ServerWine.h"

#include "platform/linux/ReadAll.h"
#include "platform/linux/wine/WineBuild.h"
#include "platform/linux/wine/Wineserver.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace fs = std::filesystem;

namespace platform::wine {
namespace {

// A process's environment is a few KiB; /proc gives it up to the limit of its arguments.
constexpr size_t kMaxEnvironment = size_t(4) << 20;

std::string procFile(long pid, const char* name) {
    return "/proc/" + std::to_string(pid) + "/" + name;
}

// The value of each of names in the process's environment; empty where it is not set.
std::vector<EnvSetting> sharedSettings(long pid) {
    static const char* const kShared[] = {"WINEESYNC", "WINEFSYNC"};
    std::vector<EnvSetting> out;
    for (const char* name : kShared)
        out.push_back({EnvSetting::Unset, name, {}});
    const int fd = ::open(procFile(pid, "environ").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {}; // cannot be read: leave the caller's own as they are
    std::string environ;
    readAll(fd, kMaxEnvironment, environ);
    ::close(fd);
    for (size_t start = 0; start < environ.size();) {
        size_t end = environ.find('\0', start);
        if (end == std::string::npos)
            end = environ.size();
        const std::string_view entry(environ.data() + start, end - start);
        start = end + 1;
        for (EnvSetting& setting : out)
            if (entry.size() > setting.name.size() && entry.starts_with(setting.name) &&
                entry[setting.name.size()] == '=') {
                setting.how = EnvSetting::Set;
                setting.value = std::string(entry.substr(setting.name.size() + 1));
            }
    }
    return out;
}

} // namespace

std::optional<fs::path> wineBesideServer(const fs::path& server) {
    const std::string name = server.filename().string();
    std::vector<std::string> candidates{"wine"};
    if (name.starts_with("wineserver") && name.size() > 10)
        candidates.push_back("wine" + name.substr(10));
    for (const std::string& candidate : candidates)
        if (isProgram(server.parent_path() / candidate))
            return server.parent_path() / candidate;
    return std::nullopt;
}

ServerWine serverWineOfProcess(long pid) {
    ServerWine out;
    out.state = ServerWine::NotFound;
    out.pid = pid;
    if (pid <= 0) {
        out.why = {Problem::ServerUnseen};
        return out;
    }
    const std::string exe = procFile(pid, "exe");
    std::error_code ec;
    const fs::path named = fs::read_symlink(exe, ec);
    if (ec) {
        out.why = {Problem::ServerProgramUnknown, std::to_string(pid), {}, ec.value()};
        return out;
    }
    out.server = named;
    // The path /proc gives is what the process was started from; it leads elsewhere when
    // that file was deleted or replaced since (an upgrade), or the process sees another
    // file system (a container): then the wine beside it may be another build.
    struct stat running {
    }, there{};
    const bool same = ::stat(exe.c_str(), &running) == 0 && named.is_absolute() &&
                      ::stat(named.c_str(), &there) == 0 && running.st_dev == there.st_dev &&
                      running.st_ino == there.st_ino;
    if (!same) {
        std::string shown = named.string();
        if (shown.ends_with(" (deleted)"))
            shown.erase(shown.size() - 10);
        out.why = {Problem::ServerProgramReplaced, shown};
        return out;
    }
    const auto wine = wineBesideServer(named);
    if (!wine) {
        out.why = {Problem::NoWineBesideServer, named.string()};
        return out;
    }
    out.state = ServerWine::Found;
    out.wine = *wine;
    out.environment = sharedSettings(pid);
    return out;
}

ServerWine runningServerWine(const fs::path& prefix) {
    const long pid = wineserverProcess(prefix);
    if (pid == 0)
        return {};
    return serverWineOfProcess(pid);
}

} // namespace platform::wine
