#include "platform/linux/wine/WineInstall.h"

#include "platform/linux/ProcessEnvironment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace platform {
namespace {

bool isExecutableFile(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The folders an installed Wine keeps its Windows-side files in, below the folder it is
// installed under (/usr, /opt/wine-stable, a runner's folder): the upstream layouts
// before Debian's multiarch one, and in each 64-bit before 32-bit.
void addLibraryFolders(const fs::path& installFolder, std::vector<fs::path>& out) {
    static const char* const kLibraries[] = {"lib/wine", "lib64/wine", "lib32/wine",
                                             "lib/x86_64-linux-gnu/wine", "lib/i386-linux-gnu/wine"};
    static const char* const kArchitectures[] = {"x86_64-windows", "i386-windows"};
    for (const char* library : kLibraries) {
        for (const char* architecture : kArchitectures) {
            fs::path folder = installFolder / library / architecture;
            if (std::find(out.begin(), out.end(), folder) == out.end())
                out.push_back(std::move(folder));
        }
    }
}

} // namespace

std::vector<fs::path> wineLibraryFolders() {
    std::vector<fs::path> folders;
    // The Wine on PATH is the one the user runs: only its own folders count.
    const std::string path = environmentValue("PATH");
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find(':', start);
        if (end == std::string::npos)
            end = path.size();
        const fs::path folder = path.substr(start, end - start);
        start = end + 1;
        if (folder.empty() || folder.is_relative() || !isExecutableFile(folder / "wine"))
            continue;
        addLibraryFolders(folder.parent_path(), folders);
        std::error_code ec;
        const fs::path real = fs::canonical(folder / "wine", ec);
        if (!ec)
            addLibraryFolders(real.parent_path().parent_path(), folders);
        return folders;
    }
    for (const char* install :
         {"/usr", "/usr/local", "/opt/wine-stable", "/opt/wine-staging", "/opt/wine-devel"})
        addLibraryFolders(install, folders);
    return folders;
}

std::optional<fs::path> wineStyleFile(const std::vector<fs::path>& libraryFolders) {
    for (const auto& folder : libraryFolders) {
        fs::path file = folder / "light.msstyles";
        struct stat st {};
        if (::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(file.c_str(), R_OK) == 0)
            return file;
    }
    return std::nullopt;
}

} // namespace platform
