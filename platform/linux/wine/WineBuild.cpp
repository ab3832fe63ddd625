#include "platform/linux/wine/WineBuild.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <string_view>

namespace fs = std::filesystem;

namespace platform::wine {
namespace {

// ntdll.so is a few MiB; the name is in its read-only data.
constexpr size_t kMaxScanned = size_t(64) << 20;

bool isFolder(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isFile(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The program with its links resolved, or as given when that fails.
fs::path realProgram(const fs::path& wine) {
    std::error_code ec;
    fs::path real = fs::canonical(wine, ec);
    return ec ? wine : real;
}

// The folders a build's files lie below: the folder above the real program's (bin/ ->
// the install), and for Debian's /usr/lib/wine/wine64 the one above that.
std::vector<fs::path> installFolders(const fs::path& wine) {
    const fs::path bin = realProgram(wine).parent_path();
    std::vector<fs::path> out{bin.parent_path()};
    if (bin.parent_path().has_relative_path())
        out.push_back(bin.parent_path().parent_path());
    return out;
}

// The installs shared with the system, whose libraries the system's loader finds anyway.
bool isSystemInstall(const fs::path& folder) {
    const fs::path normal = folder.lexically_normal();
    return normal == "/" || normal == "/usr" || normal == "/usr/local";
}

// "8.0" of the first "wine-8.0..." in the file, the text running to a blank or a NUL.
std::string versionInFile(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    struct stat st {};
    std::string found;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        static constexpr std::string_view kMark = "wine-";
        std::string window; // what is left of the last block, so a name across blocks is seen
        char block[65536];
        size_t scanned = 0;
        while (found.empty() && scanned < kMaxScanned) {
            const ssize_t n = ::read(fd, block, sizeof block);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            scanned += static_cast<size_t>(n);
            window.append(block, static_cast<size_t>(n));
            size_t at = 0;
            while ((at = window.find(kMark, at)) != std::string::npos) {
                const size_t start = at + kMark.size();
                size_t end = start;
                while (end < window.size() && window[end] != '\0' && window[end] != ' ' && end - start < 64)
                    ++end;
                if (end == window.size())
                    break; // its end is in the next block
                if (end > start && std::isdigit(static_cast<unsigned char>(window[start]))) {
                    found = window.substr(start, end - start);
                    break;
                }
                at = start;
            }
            // Keep a tail long enough for a name that began near the end.
            if (window.size() > 128)
                window.erase(0, window.size() - 128);
        }
    }
    ::close(fd);
    return found;
}

void setOrUnset(std::vector<EnvSetting>& out, const char* name, const std::string& value) {
    if (value.empty())
        out.push_back({EnvSetting::Unset, name, {}});
    else
        out.push_back({EnvSetting::Set, name, value});
}

// The folders of the list that exist, joined with colons.
std::string existing(const fs::path& base, std::initializer_list<const char*> folders) {
    std::string joined;
    for (const char* folder : folders)
        if (isFolder(base / folder))
            joined += (joined.empty() ? "" : ":") + (base / folder).string();
    return joined;
}

} // namespace

bool isProgram(const fs::path& path) {
    return isFile(path) && ::access(path.c_str(), X_OK) == 0;
}

std::optional<fs::path> wineOfBuildFolder(const fs::path& folder) {
    for (const char* place : {"files/bin/wine", "dist/bin/wine", "bin/wine"})
        if (isProgram(folder / place))
            return folder / place;
    return std::nullopt;
}

std::optional<fs::path> wineOfNamed(const fs::path& named) {
    if (named.empty())
        return std::nullopt;
    if (isFolder(named))
        return wineOfBuildFolder(named);
    if (named.filename() == "proton" && isFile(named))
        return wineOfBuildFolder(named.parent_path());
    if (isProgram(named))
        return named;
    return std::nullopt;
}

std::optional<fs::path> wineInfOf(const fs::path& wine) {
    const fs::path bin = realProgram(wine).parent_path();
    for (const char* up : {"../share/wine/wine.inf", "../../share/wine/wine.inf"}) {
        const fs::path inf = (bin / up).lexically_normal();
        if (isFile(inf))
            return inf;
    }
    return std::nullopt;
}

std::string wineVersionOf(const fs::path& wine) {
    static const char* const kNtdll[] = {
        "lib/wine/x86_64-unix/ntdll.so", "lib64/wine/x86_64-unix/ntdll.so",
        "lib/x86_64-linux-gnu/wine/x86_64-unix/ntdll.so", "lib/wine/i386-unix/ntdll.so",
        "lib32/wine/i386-unix/ntdll.so", "lib/i386-linux-gnu/wine/i386-unix/ntdll.so",
        // Before Wine 7 the Unix libraries lay in the library folder itself.
        "lib64/wine/ntdll.so", "lib/wine/ntdll.so", "lib/x86_64-linux-gnu/wine/ntdll.so",
        "lib/i386-linux-gnu/wine/ntdll.so"};
    for (const fs::path& install : installFolders(wine))
        for (const char* ntdll : kNtdll)
            if (isFile(install / ntdll))
                return versionInFile(install / ntdll);
    return {};
}

std::vector<EnvSetting> buildEnvironment(const fs::path& wine) {
    const fs::path bin = realProgram(wine).parent_path();
    const fs::path install = bin.parent_path();
    std::vector<EnvSetting> out;
    out.push_back({EnvSetting::Unset, "WINELOADER", {}});
    setOrUnset(out, "WINESERVER",
               isProgram(bin / "wineserver") ? (bin / "wineserver").string() : std::string());
    const bool proton = (install.filename() == "files" || install.filename() == "dist") &&
                        isFile(install.parent_path() / "proton");
    setOrUnset(out, "WINEDLLPATH",
               proton ? existing(install, {"lib64/vkd3d", "lib/vkd3d", "lib64/wine", "lib/wine"})
                      : std::string());
    if (!isSystemInstall(install))
        if (const std::string libraries =
                existing(install, {"lib/x86_64-linux-gnu", "lib/i386-linux-gnu", "lib64", "lib"});
            !libraries.empty())
            out.push_back({EnvSetting::Prepend, "LD_LIBRARY_PATH", libraries});
    if (proton)
        out.push_back({EnvSetting::Set, "WINEFSYNC", "1"});
    return out;
}

std::vector<std::string> withSettings(std::vector<std::string> environment,
                                      const std::vector<EnvSetting>& settings) {
    for (const EnvSetting& setting : settings) {
        const std::string prefix = setting.name + "=";
        std::string old;
        bool had = false;
        environment.erase(std::remove_if(environment.begin(), environment.end(),
                                         [&](const std::string& entry) {
                                             if (!entry.starts_with(prefix))
                                                 return false;
                                             if (!had)
                                                 old = entry.substr(prefix.size());
                                             had = true;
                                             return true;
                                         }),
                          environment.end());
        switch (setting.how) {
        case EnvSetting::Set:
            environment.push_back(prefix + setting.value);
            break;
        case EnvSetting::Prepend:
            environment.push_back(prefix + setting.value + (old.empty() ? "" : ":" + old));
            break;
        case EnvSetting::Unset:
            break;
        }
    }
    return environment;
}

} // namespace platform::wine
