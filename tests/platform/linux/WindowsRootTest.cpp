// Pins how the Windows root is chosen and what a fresh private root holds, and the
// GetWindowsDirectoryA buffer behaviour the themes-directory lookup is built on.
#include "platform/WindowsRoot.h"
#include "EnvGuard.h"
#include "TestRoot.h"
#include "platform/Paths.h"
#include "platform/WindowsDirectoryText.h"
#include "platform/linux/wine/WineInstall.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <sstream>

using namespace platform;
using testing_support::EnvGuard;
using testing_support::TestRoot;
namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A fake home folder in a TestRoot, with WINEPREFIX emptied so the fallbacks are used.
struct PrivateHome {
    TestRoot scratch;
    fs::path home = scratch.root() / "home";
    EnvGuard prefix{"WINEPREFIX", ""};
    EnvGuard homeVar{"HOME", home.c_str()};
    PrivateHome() { fs::create_directories(home); }
};

} // namespace

TEST(WindowsRoot, PrefixFromEnvironmentWins) {
    TestRoot root;
    EXPECT_EQ(windowsRoot(), root.root());
}

TEST(WindowsRoot, EmptyPrefixFallsBackToDotWineWhenItExists) {
    PrivateHome home;
    fs::create_directories(home.home / ".wine");
    EnvGuard xdg("XDG_DATA_HOME", (home.home / "data").c_str());
    EXPECT_EQ(windowsRoot(), home.home / ".wine");
    EXPECT_FALSE(fs::exists(home.home / "data" / "kolvmgr")) << "no private root when ~/.wine exists";
}

TEST(WindowsRoot, PrivateRootIsCreatedWithThePrefixLayout) {
    PrivateHome home;
    EnvGuard xdg("XDG_DATA_HOME", (home.home / "data").c_str());
    const fs::path root = windowsRoot();
    ASSERT_EQ(root, home.home / "data" / "kolvmgr");
    EXPECT_TRUE(fs::is_directory(root / "drive_c" / "windows" / "Resources" / "Themes"));
    EXPECT_EQ(fs::read_symlink(root / "dosdevices" / "c:"), "../drive_c");
    EXPECT_EQ(fs::read_symlink(root / "dosdevices" / "z:"), "/");
    EXPECT_EQ(
        readAll(root / "user.reg"),
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win32\n");
    EXPECT_EQ(windowsDirectoryText(), "C:\\windows");
}

TEST(WindowsRoot, PrivateSystemHiveNamesTheDefaultBrowserInWineFormat) {
    PrivateHome home;
    EnvGuard xdg("XDG_DATA_HOME", (home.home / "data").c_str());
    const std::string hive = readAll(windowsRoot() / "system.reg");
    const std::string header =
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n";
    ASSERT_EQ(hive.substr(0, header.size()), header);

    // Three keys, sorted, each "[name] <seconds>", "#time=<hex>", then its default value.
    std::istringstream lines(hive.substr(header.size()));
    std::vector<std::pair<std::string, std::string>> keys;
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty())
            continue;
        ASSERT_EQ(line.front(), '[') << line;
        const auto close = line.find("] ");
        ASSERT_NE(close, std::string::npos) << line;
        EXPECT_GT(std::stoll(line.substr(close + 2)), 1600000000LL) << line;
        std::string time, value;
        ASSERT_TRUE(std::getline(lines, time));
        EXPECT_EQ(time.rfind("#time=", 0), 0u) << time;
        EXPECT_EQ(time.find_first_not_of("0123456789abcdef", 6), std::string::npos) << time;
        ASSERT_TRUE(std::getline(lines, value));
        keys.emplace_back(line.substr(1, close - 1), value);
    }
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Software\\\\Clients\\\\StartMenuInternet", "@=\"xdg-open\""},
        {"Software\\\\Clients\\\\StartMenuInternet\\\\xdg-open", "@=\"Default web browser (xdg-open)\""},
        {"Software\\\\Clients\\\\StartMenuInternet\\\\xdg-open\\\\shell\\\\open\\\\command",
         "@=\"xdg-open\""},
    };
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(hive.find("Windows NT"), std::string::npos) << "the private root records no Windows version";
}

TEST(WindowsRoot, PrivateRootIsSeededOnlyOnce) {
    PrivateHome home;
    EnvGuard xdg("XDG_DATA_HOME", (home.home / "data").c_str());
    const fs::path root = windowsRoot();
    std::ofstream(root / "system.reg", std::ios::binary | std::ios::trunc) << "edited by the user\n";
    fs::remove(root / "dosdevices" / "z:");
    EXPECT_EQ(windowsRoot(), root);
    EXPECT_EQ(readAll(root / "system.reg"), "edited by the user\n");
    EXPECT_TRUE(fs::is_symlink(root / "dosdevices" / "z:")) << "a missing part is made again";
}

TEST(WindowsRoot, PrivateRootDefaultsToLocalShare) {
    PrivateHome home;
    EnvGuard xdg("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(windowsRoot(), home.home / ".local" / "share" / "kolvmgr");
    EnvGuard relative("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(windowsRoot(), home.home / ".local" / "share" / "kolvmgr")
        << "a relative XDG_DATA_HOME is ignored";
}

// The roots the program was given, withdrawn when the test ends.
struct GivenRoots {
    ~GivenRoots() {
        setChosenRoot({});
        setRememberedRoot({});
    }
};

TEST(WindowsRoot, PrecedenceIsChosenThenWinePrefixThenRememberedThenDotWineThenPrivate) {
    PrivateHome home;
    GivenRoots given;
    EnvGuard xdg("XDG_DATA_HOME", (home.home / "data").c_str());
    const fs::path chosen = home.home / "chosen", remembered = home.home / "remembered";
    fs::create_directories(chosen);
    fs::create_directories(remembered / "drive_c");
    fs::create_directories(home.home / ".wine");
    setRememberedRoot(remembered);
    setChosenRoot(chosen);
    EnvGuard prefix("WINEPREFIX", (home.home / "from-env").c_str());

    EXPECT_EQ(windowsRoot(), chosen);
    EXPECT_EQ(windowsRootSource(), RootSource::Chosen);
    setChosenRoot({});
    EXPECT_EQ(windowsRoot(), home.home / "from-env") << "WINEPREFIX wins over the remembered root";
    EXPECT_EQ(windowsRootSource(), RootSource::WinePrefix);
    ::unsetenv("WINEPREFIX");
    EXPECT_EQ(windowsRoot(), remembered);
    EXPECT_EQ(windowsRootSource(), RootSource::Remembered);
    fs::remove(remembered / "drive_c");
    EXPECT_EQ(windowsRoot(), home.home / ".wine")
        << "a remembered folder that holds no prefix is passed over";
    EXPECT_TRUE(fs::is_empty(remembered)) << "and nothing is made in it";
    fs::remove(remembered);
    EXPECT_EQ(windowsRoot(), home.home / ".wine") << "a remembered root that is gone is passed over";
    EXPECT_EQ(windowsRootSource(), RootSource::HomeWine);
    fs::remove(home.home / ".wine");
    EXPECT_EQ(windowsRoot(), home.home / "data" / "kolvmgr");
    EXPECT_EQ(windowsRootSource(), RootSource::Private);
}

TEST(WindowsRoot, AChosenRootCountsEvenWhenItDoesNotExist) {
    PrivateHome home;
    GivenRoots given;
    setChosenRoot(home.home / "missing");
    EXPECT_EQ(windowsRoot(), home.home / "missing") << "the program says it is missing, nothing else is used";
    EXPECT_FALSE(fs::exists(home.home / "missing"));
}

// A Wine installed under folder: bin/wine, and light.msstyles (when given) in the library
// folder below it.
fs::path fakeWine(const fs::path& folder, const std::string& libraryFolder, const std::string& style) {
    fs::create_directories(folder / "bin");
    std::ofstream(folder / "bin" / "wine") << "#!/bin/sh\nexit 0\n";
    fs::permissions(folder / "bin" / "wine", fs::perms::owner_all);
    fs::create_directories(folder / libraryFolder);
    if (!style.empty())
        std::ofstream(folder / libraryFolder / "light.msstyles", std::ios::binary) << style;
    return folder / "bin";
}

TEST(WindowsRoot, NewPrivateRootGetsTheStyleWineShips) {
    PrivateHome home;
    EnvGuard xdg("XDG_DATA_HOME", (home.home / "data").c_str());
    const char data[] = "MZ\0style data\xff";
    const std::string style(data, sizeof data - 1);
    // Debian's layout: the multiarch library folder below /usr.
    const fs::path bin = fakeWine(home.home / "usr", "lib/x86_64-linux-gnu/wine/x86_64-windows", style);
    EnvGuard path("PATH", ((home.home / "empty").string() + ":" + bin.string() + ":/usr/bin:/bin").c_str());

    const fs::path light = windowsRoot() / "drive_c" / "windows" / "Resources" / "Themes" / "Light";
    EXPECT_EQ(readAll(light / "light.msstyles"), style);
    const std::string readme = readAll(light / "readme.txt");
    EXPECT_NE(readme.find((home.home / "usr" / "lib").string()), std::string::npos) << readme;
    EXPECT_NE(readme.find("\r\n"), std::string::npos) << "a Windows text file";
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(light), {}).size(), 2u)
        << "no temporary file left";
}

TEST(WindowsRoot, NoWineNoStyleAndAnExistingRootIsNeverGivenOne) {
    PrivateHome home;
    EnvGuard xdg("XDG_DATA_HOME", (home.home / "data").c_str());
    // The Wine on PATH ships no style: nothing is added, nothing fails, and the usual
    // install places are not searched instead of the Wine the user runs.
    const fs::path bin = fakeWine(home.home / "wine", "lib/wine/x86_64-windows", "");
    EnvGuard path("PATH", bin.c_str());
    const fs::path themes = windowsRoot() / "drive_c" / "windows" / "Resources" / "Themes";
    EXPECT_TRUE(fs::is_directory(themes));
    EXPECT_TRUE(fs::is_empty(themes));

    // Wine gets its style later: the root exists already and stays as it is.
    std::ofstream(home.home / "wine" / "lib" / "wine" / "x86_64-windows" / "light.msstyles") << "style";
    EXPECT_TRUE(wineStyleFile(wineLibraryFolders()));
    windowsRoot();
    EXPECT_TRUE(fs::is_empty(themes));
}

TEST(WindowsRoot, WineLibraryFoldersFollowTheWineOnPath) {
    PrivateHome home;
    // A link on PATH to a Wine installed elsewhere (an upstream build in its own folder):
    // its real folder's library is searched, 64-bit before 32-bit.
    const fs::path real = fakeWine(home.home / "opt" / "wine-staging", "lib/wine/i386-windows", "32");
    fs::create_directories(home.home / "opt" / "wine-staging" / "lib" / "wine" / "x86_64-windows");
    std::ofstream(home.home / "opt" / "wine-staging" / "lib" / "wine" / "x86_64-windows" / "light.msstyles")
        << "64";
    fs::create_directories(home.home / "links");
    fs::create_symlink(real / "wine", home.home / "links" / "wine");
    EnvGuard path("PATH", (home.home / "links").c_str());
    const auto found = wineStyleFile(wineLibraryFolders());
    ASSERT_TRUE(found);
    EXPECT_EQ(readAll(*found), "64");
    EXPECT_FALSE(wineStyleFile({home.home / "nowhere", home.home}))
        << "only light.msstyles in the folders given";
}

TEST(WindowsDirectory, EmptyWhenTheDirectoryCannotBeGiven) {
    TestRoot root;
    fs::remove_all(root.windows());
    char buffer[20] = "untouched";
    EXPECT_EQ(GetWindowsDirectoryA(buffer, 20), 0u);
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(windowsDirectoryText(), "");

    TestRoot noDrive;
    fs::remove(noDrive.root() / "dosdevices" / "c:");
    EXPECT_EQ(GetWindowsDirectoryA(buffer, 20), 0u);
    EXPECT_EQ(windowsDirectoryText(), "");
}

TEST(WindowsDirectory, WineLowerCaseWindowsFolderCounts) {
    TestRoot root;
    fs::rename(root.windows(), root.driveC() / "WINDOWS");
    EXPECT_EQ(windowsDirectoryText(), "C:\\windows");
}
