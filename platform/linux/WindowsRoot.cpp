#include "platform/WindowsRoot.h"

#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/RootDiscovery.h"
#include "platform/UniqueFd.h"
#include "platform/WriteAll.h"
#include "platform/linux/EntryTests.h"
#include "platform/linux/ProcessEnvironment.h"
#include "platform/linux/RootFolders.h"
#include "platform/linux/hive/HiveDocument.h"
#include "platform/linux/hive/HiveText.h"
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

constexpr std::string_view kArch = "#arch=win32";

std::string seededUserHive() {
    return hive::formatHeader(hive::kUserHiveRoot, kArch);
}

// The machine hive of a fresh private root. It names xdg-open as the default browser so
// that web pages open in the desktop's browser; it records no Windows version, because
// no Windows runs here.
std::string seededSystemHive() {
    hive::Document doc;
    doc.makeEmpty(hive::formatHeader(hive::kMachineHiveRoot, kArch));
    const uint64_t now = hive::fileTimeNow();
    const auto setDefault = [&](std::u16string_view key, std::u16string_view text) {
        constexpr uint32_t kRegSz = 1;
        doc.setValue(hive::splitPath(key), u"", kRegSz, utf16Le(std::u16string(text) + u'\0'), now);
    };
    setDefault(u"Software\\Clients\\StartMenuInternet", u"xdg-open");
    setDefault(u"Software\\Clients\\StartMenuInternet\\xdg-open", u"Default web browser (xdg-open)");
    setDefault(u"Software\\Clients\\StartMenuInternet\\xdg-open\\shell\\open\\command", u"xdg-open");
    return doc.render();
}

// Creates path with the given text unless it exists. The text goes to a temporary file
// first and is linked into place, so that two processes setting up the root at once
// never see a half-written hive and never overwrite one another's.
void createFileOnce(const fs::path& path, const std::string& text) {
    if (text.empty() || existsWithoutFollowingLinks(path))
        return;
    std::string temp = path.string() + ".XXXXXX";
    UniqueFd fd(::mkstemp(temp.data()));
    if (!fd)
        return;
    bool ok = writeAll(fd.get(), text);
    ok = ::fchmod(fd.get(), 0644) == 0 && ok;
    ok = ::fsync(fd.get()) == 0 && ok;
    ok = fd.close() && ok;
    if (ok)
        (void)::link(temp.c_str(), path.c_str()); // fails harmlessly when someone was quicker
    ::unlink(temp.c_str());
}

void createLinkOnce(const fs::path& link, const char* target) {
    if (!existsWithoutFollowingLinks(link))
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
    createFileOnce(root / "user.reg", seededUserHive());
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
    if (!home.empty() && isFolderFollowingLinks(home / ".wine"))
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
    if (!host || !isFolderFollowingLinks(*host))
        return 0;
    const auto length = static_cast<uint32_t>(std::strlen(kWindowsDirectory));
    if (buffer == nullptr || size < length + 1)
        return length + 1;
    std::memcpy(buffer, kWindowsDirectory, length + 1);
    return length;
}

} // namespace platform
