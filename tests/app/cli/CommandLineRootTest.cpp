// The root a command works on, as a user names it wrongly or finds it damaged: a folder
// that is no prefix, a file, a prefix that cannot be read.
#include "CommandLineFixture.h"

#include <sys/stat.h>

using namespace cli_test;
namespace fs = std::filesystem;

namespace {

const std::string kNotAPrefix = " is not a Wine prefix: it holds neither system.reg nor drive_c. Choose the "
                                "folder of a Wine prefix, such as ~/.wine.";

} // namespace

TEST_F(CommandLine, AFolderThatHoldsNoPrefixIsRefusedAndNothingIsMadeInIt) {
    const fs::path empty = scratch / "empty";
    fs::create_directories(empty / "stuff");
    for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
             {"--check"}, {"--list"}, {"--apply", "Luna"}, {"--prefixes"}, {}})
        expectResult(runOn(empty, command), 2, "",
                     "kolvmgr: The folder " + empty.string() + kNotAPrefix + "\n" + kUsageHint);
    EXPECT_EQ(entriesBelow(empty), std::vector<std::string>{"stuff"});
    EXPECT_FALSE(fs::exists(home / ".local/share/kolvmgr")) << "nor is another root made instead";

    // A file is no folder, and says so.
    const fs::path file = scratch / "file";
    std::ofstream(file) << "x";
    expectResult(runOn(file, {"--list"}), 2, "",
                 "kolvmgr: " + file.string() +
                     " is a file, not a folder. Choose the folder of a Wine prefix, such as ~/.wine.\n" +
                     kUsageHint);
    // So does WINEPREFIX naming one, which Wine itself would make a prefix of were it a folder.
    expectResult(
        run({"--list"}, {{"WINEPREFIX", file.string()}}), 1, "",
        "kolvmgr: The Wine prefix " + file.string() +
            " that WINEPREFIX names is a file, not a folder, so there are no visual styles to manage and "
            "no settings can be saved. Set WINEPREFIX to an existing Wine prefix, or unset it to use "
            "~/.wine, and start the program again.\n");
    // Help and the version need no root at all.
    EXPECT_EQ(runOn(empty, {"--version"}).code, 0);
}

TEST_F(CommandLine, TheRootPickedLastTimeIsPassedOverOnceItHoldsNoPrefix) {
    const fs::path emptied = scratch / "emptied";
    fs::create_directories(emptied);
    const fs::path dotWine = makePrefix(home / ".wine");
    addStyle(dotWine, "DotWine", {});
    fs::create_directories(home / ".config" / "kolvmgr");
    std::ofstream(home / ".config" / "kolvmgr" / "kolvmgr.conf")
        << "[General]\nWindowsRoot=" << emptied.string() << "\n";
    expectResult(run({"--list"}), 0, "  DotWine\n",
                 "kolvmgr: The folder " + emptied.string() + kNotAPrefix + "\n");
    EXPECT_TRUE(fs::is_empty(emptied));
}

TEST_F(CommandLine, APrefixThatCannotBeReadIsOneProblemAndEachFileOne) {
    addStyle(prefix, "Luna", {"luna.msstyles"});
    std::ofstream(prefix / "user.reg") << "WINE REGISTRY Version 2\n";
    std::ofstream(prefix / "system.reg") << "WINE REGISTRY Version 2\n";
    // The program runs as another user than the prefix's owner, whom permissions bind.
    fs::permissions(scratch, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(home, fs::perms::all);
    fs::permissions(prefix, fs::perms::none);
    expectResult(run({"--prefix", prefix.string(), "--list"}, {}, true), 1, "",
                 "kolvmgr: The Wine prefix " + prefix.string() +
                     " cannot be read (Permission denied), so there are no visual styles to manage and no "
                     "settings can be saved.\n");

    // Readable, but its two registry files are not: one word for each.
    fs::permissions(prefix, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    for (const char* hive : {"user.reg", "system.reg"})
        fs::permissions(prefix / hive, fs::perms::none);
    const Result r = run({"--prefix", prefix.string(), "--list"}, {}, true);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "  Luna\n");
    EXPECT_EQ(r.err, "kolvmgr: cannot open " + (prefix / "user.reg").string() +
                         ": Permission denied; its settings are not used and the file is left as it is\n"
                         "kolvmgr: cannot open " +
                         (prefix / "system.reg").string() +
                         ": Permission denied; its settings are not used and the file is left as it is\n");
    fs::permissions(prefix, fs::perms::owner_all);
}
