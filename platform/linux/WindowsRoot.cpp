#include "platform/WindowsRoot.h"

#include "platform/Paths.h"
#include "platform/RootDiscovery.h"
#include "platform/linux/ProcessEnvironment.h"
#include "platform/linux/RootFolders.h"
#include "platform/linux/wine/WineInstall.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace platform {
namespace {

constexpr char kWindowsDirectory[] = "C:\\windows";

bool entryExists(const fs::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Wine stamps every key with the FILETIME of its last change (100 ns since 1601).
std::string keyStamp(std::time_t now) {
    const unsigned long long fileTime = (static_cast<unsigned long long>(now) + 11644473600ULL) * 10000000ULL;
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, " %lld\n#time=%llx\n", static_cast<long long>(now), fileTime);
    return buffer;
}

std::string hiveHeader(const char* relativeTo) {
    return std::string("WINE REGISTRY Version 2\n;; All keys relative to ") + relativeTo +
           "\n\n#arch=win32\n";
}

// The machine hive of a fresh private root. It names xdg-open as the default browser so
// that web pages open in the desktop's browser; it records no Windows version, because
// no Windows runs here.
std::string seededSystemHive() {
    const std::string stamp = keyStamp(std::time(nullptr));
    std::string text = hiveHeader("\\\\Machine");
    text += "\n[Software\\\\Clients\\\\StartMenuInternet]" + stamp + "@=\"xdg-open\"\n";
    text += "\n[Software\\\\Clients\\\\StartMenuInternet\\\\xdg-open]" + stamp +
            "@=\"Default web browser (xdg-open)\"\n";
    text += "\n[Software\\\\Clients\\\\StartMenuInternet\\\\xdg-open\\\\shell\\\\open\\\\command]" + stamp +
            "@=\"xdg-open\"\n";
    return text;
}

// Creates path with the given text unless it exists. The text goes to a temporary file
// first and is linked into place, so that two processes setting up the root at once
// never see a half-written hive and never overwrite one another's.
void createFileOnce(const fs::path& path, const std::string& text) {
    if (entryExists(path))
        return;
    std::string temp = path.string() + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return;
    bool ok = true;
    for (size_t done = 0; ok && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += static_cast<size_t>(n);
    }
    ok = ::fchmod(fd, 0644) == 0 && ok;
    ok = ::fsync(fd) == 0 && ok;
    ::close(fd);
    if (ok)
        (void)::link(temp.c_str(), path.c_str()); // fails harmlessly when someone was quicker
    ::unlink(temp.c_str());
}

void createLinkOnce(const fs::path& link, const char* target) {
    if (!entryExists(link))
        (void)::symlink(target, link.c_str());
}

// Copies a file through a temporary name, so that a copy cut short never lies under the
// real name.
bool copyFileOnce(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    const fs::path temp = to.parent_path() / ("." + to.filename().string() + ".part");
    if (!fs::copy_file(from, temp, fs::copy_options::overwrite_existing, ec))
        return false;
    fs::permissions(
        temp, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read,
        ec);
    if (::rename(temp.c_str(), to.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

std::string lightReadme(const fs::path& source) {
    return "Light\r\n"
           "\r\n"
           "This visual style comes with Wine. Quorlin Visual Style Manager copied it here from\r\n" +
           source.string() +
           "\r\n"
           "when it set up its own Windows root, the way wineboot gives every new Wine prefix\r\n"
           "this style, so that there is a style to look at and apply from the first start.\r\n"
           "Uninstall it like any other style; it is not copied again.\r\n";
}

// Lays out the styles the machine already has, as wineboot does for a new prefix: Wine's
// own light.msstyles. Nothing found, nothing added.
void seedStyles(const fs::path& themes) {
    const auto source = wineStyleFile(wineLibraryFolders());
    if (!source)
        return;
    const fs::path folder = themes / "Light";
    std::error_code ec;
    if (!fs::create_directory(folder, ec))
        return;
    if (copyFileOnce(*source, folder / "light.msstyles"))
        createFileOnce(folder / "readme.txt", lightReadme(*source));
    else
        fs::remove(folder, ec);
}

// Gives the private root the layout of a prefix. Each part is made only when missing,
// so a root the user has trimmed or extended is left as it is.
void ensurePrivateRoot(const fs::path& root) {
    std::error_code ec;
    // Only the process that makes the root gives it styles: a root that exists already,
    // however the user has changed it since, keeps what it holds.
    fs::create_directories(root.parent_path(), ec);
    const bool made = ::mkdir(root.c_str(), 0755) == 0;
    const fs::path themes = root / "drive_c" / "windows" / "Resources" / "Themes";
    fs::create_directories(themes, ec);
    fs::create_directories(root / "dosdevices", ec);
    createLinkOnce(root / "dosdevices" / "c:", "../drive_c");
    createLinkOnce(root / "dosdevices" / "z:", "/");
    createFileOnce(root / "user.reg", hiveHeader("\\\\User\\\\S-1-5-21-0-0-0-1000"));
    createFileOnce(root / "system.reg", seededSystemHive());
    if (made)
        seedStyles(themes);
}

} // namespace

void setChosenRoot(const fs::path& root) {
    keepChosenRoot(root);
}

void setRememberedRoot(const fs::path& root) {
    keepRememberedRoot(root);
}

namespace {

// The root and where it comes from; the private root is made when it is the one.
std::pair<fs::path, RootSource> resolveRoot() {
    const auto [chosen, remembered] = givenRoots();
    if (!chosen.empty())
        return {chosen, RootSource::Chosen};
    if (std::string prefix = environmentValue("WINEPREFIX"); !prefix.empty())
        return {prefix, RootSource::WinePrefix};
    // A folder that holds no prefix (any more) is never made one.
    if (!remembered.empty() && isWindowsRootFolder(remembered))
        return {remembered, RootSource::Remembered};
    const fs::path home = homeFolder();
    if (!home.empty() && isFolder(home / ".wine"))
        return {home / ".wine", RootSource::HomeWine};
    const fs::path root = privateRootFolder();
    ensurePrivateRoot(root);
    return {root, RootSource::Private};
}

} // namespace

fs::path windowsRoot() {
    return resolveRoot().first;
}

RootSource windowsRootSource() {
    return resolveRoot().second;
}

uint32_t GetWindowsDirectoryA(char* buffer, uint32_t size) {
    const auto host = toHostPath(kWindowsDirectory);
    if (!host || !isFolder(*host))
        return 0;
    const auto length = static_cast<uint32_t>(std::strlen(kWindowsDirectory));
    if (buffer == nullptr || size < length + 1)
        return length + 1;
    std::memcpy(buffer, kWindowsDirectory, length + 1);
    return length;
}

} // namespace platform
