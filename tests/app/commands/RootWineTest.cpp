// The Wine of each root as --prefixes says it (the platform's choice, worded), and the
// overrides the command line and the settings hand to the platform.
#include "commands/RootWine.h"
#include "commands/RootChoice.h"
#include "platform/WindowsRoot.h"
#include "platform/WineChoice.h"
#include "platform/linux/EnvGuard.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

using testing_support::EnvGuard;
namespace fs = std::filesystem;

namespace {

void file(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

} // namespace

TEST(RootWine, PrefixesLinesSayEachPrefixsWineAndWhyNoneMayBeStarted) {
    QTemporaryDir scratch;
    const fs::path home = scratch.path().toStdString();
    EnvGuard homeVar("HOME", home.c_str());
    EnvGuard config("XDG_CONFIG_HOME", (home / ".config").c_str());
    EnvGuard data("XDG_DATA_HOME", (home / ".local/share").c_str());
    // A Wine for the prefixes no launcher records, of the time ~/.wine is stamped with.
    const fs::path wine = home / "standin" / "bin" / "wine";
    file(wine, "#!/bin/sh\n");
    fs::permissions(wine, fs::perms::owner_all);
    file(home / "standin/share/wine/wine.inf", "[Version]\n");
    fs::last_write_time(
        home / "standin/share/wine/wine.inf",
        std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(1676758571)));
    EnvGuard wineVar("WINE", wine.c_str());
    file(home / ".wine/system.reg", "WINE REGISTRY Version 2\n");
    file(home / ".wine/.update-timestamp", "1676758571\n");
    // A Lutris game whose runner is gone.
    file(home / "Games/x/system.reg", "WINE REGISTRY Version 2\n");
    file(home / ".local/share/lutris/games/x-1.yml",
         "game:\n  prefix: " + (home / "Games/x").string() + "\nwine:\n  version: gone-1\n");
    platform::setChosenRoot(home / ".wine");

    QStringList lines;
    for (const RootChoice::ListedRoot& root : RootChoice::listRoots())
        lines.append(RootWine::prefixesLine(root));
    const QString h = QString::fromStdString(home.string());
    EXPECT_EQ(lines, QStringList({"* " + h + "/.wine\tWine: ~/.wine\twine=" + h + "/standin/bin/wine",
                                  "  " + h + "/Games/x\tLutris: x\twine=gone-1\tcannot drive: the Wine " + h +
                                      "/.local/share/lutris/runners/wine/gone-1/bin/wine named in " + h +
                                      "/.local/share/lutris/games/x-1.yml is not there"}));

    // --wine, made absolute against the working folder, for every prefix of the run.
    RootWine::useForThisRun(QStringLiteral("rel/wine"));
    EXPECT_EQ(platform::wine::wineOverrides(home / "Games/x").givenForRun,
              fs::path(QDir::currentPath().toStdString()) / "rel" / "wine");
    platform::wine::setWineForThisRun({});
    platform::setChosenRoot({});
}
