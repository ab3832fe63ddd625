// --install with the archives people download: flat ones, ones named in an old code page,
// an install the user interrupts, and what an install that was killed left.
#include "CommandLineFixture.h"
#include "app/style/StyleFileBuilder.h"

#include <chrono>
#include <csignal>
#include <thread>

using namespace cli_test;
namespace fs = std::filesystem;
using testing_support::fileEntry;
using testing_support::writeArchive;
using testing_support::writeFile;

TEST_F(CommandLine, AnArchiveWithoutATopFolderBecomesItsStylesFolder) {
    const fs::path flat = scratch / "flat.zip";
    writeArchive(flat, {fileEntry("Flat.msstyles", "style"), fileEntry("readme.txt", "readme")});
    expectResult(runOn(prefix, {"--install", flat.string()}), 0, flat.string() + ": 0 everything went well\n",
                 "");
    expectResult(runOn(prefix, {"--list"}), 0, "  Flat\n", "");
    EXPECT_EQ(readFile(themes(prefix) / "Flat" / "readme.txt"), "readme");
    EXPECT_FALSE(fs::exists(themes(prefix) / "readme.txt"));
}

// A style file given on its own is a style of its own folder, once the style reader
// accepts it; one it refuses, or whose name cannot name a folder, is refused with why.
TEST_F(CommandLine, ABareStyleFileIsInstalledAsItsOwnStyle) {
    const std::string style = testing_support::styleFile({u"Blue"}, {u"NormalSize"});
    const fs::path light = scratch / "light.msstyles";
    writeFile(light, style);
    const fs::path broken = scratch / "broken.MSSTYLES";
    writeFile(broken, "MZ");
    const fs::path nameless = scratch / ".msstyles";
    writeFile(nameless, style);
    expectResult(
        runOn(prefix, {"--install", light.string(), broken.string(), nameless.string()}), 1,
        light.string() + ": 0 everything went well\n",
        "kolvmgr: The file broken.MSSTYLES was not installed: it is no visual style that Wine's theme "
        "service can load (the file cannot be read). Nothing was written.\n"
        "kolvmgr: The file .msstyles was not installed: its name cannot name the folder of a visual "
        "style. Nothing was written.\n");
    EXPECT_EQ(entriesBelow(themes(prefix)), std::vector<std::string>({"light", "light/light.msstyles"}));
    EXPECT_EQ(readFile(themes(prefix) / "light" / "light.msstyles"), style);
    expectResult(runOn(prefix, {"--list"}), 0, "  light\tcolors=Blue\tsizes=NormalSize\n", "");
}

TEST_F(CommandLine, AnArchiveNamedInLatin1InstallsAndIsNamedAsGiven) {
    const fs::path archive = scratch / "caf\xe9.zip";
    writeArchive(archive, {fileEntry("Cafe/Cafe.msstyles", "style")});
    expectResult(runOn(prefix, {"--install", archive.string()}), 0,
                 archive.string() + ": 0 everything went well\n", "");
    EXPECT_EQ(readFile(themes(prefix) / "Cafe" / "Cafe.msstyles"), "style");
    const fs::path missing = scratch / "gon\xe9.zip";
    expectResult(runOn(prefix, {"--install", missing.string()}), 1, "",
                 "kolvmgr: " + missing.string() +
                     ": 9 the archive is missing, unreadable or not an archive\n");
}

// Ctrl+C is the command line's Cancel: the style the user had is as it was, nothing of
// the archive stays, and the archives after it are not installed.
TEST_F(CommandLine, AnInterruptCancelsTheInstallAndUndoesIt) {
    addStyle(prefix, "Luna", {"luna.msstyles"});
    std::vector<testing_support::ArchiveEntry> entries = {fileEntry("Luna/luna.msstyles", "the archive's")};
    for (int i = 0; i < 20000; ++i)
        entries.push_back(fileEntry("Big/part" + std::to_string(i) + ".txt", std::string(256, 'x')));
    const fs::path big = scratch / "big.tar", next = scratch / "next.zip";
    writeArchive(big, entries, testing_support::ArchiveFormat("pax"));
    writeArchive(next, {fileEntry("Next/Next.msstyles", "next")});

    const pid_t pid = start({"--prefix", prefix.string(), "--install", big.string(), next.string()});
    // The install has begun once its mark lies in the themes folder.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool begun = false;
    while (!begun && std::chrono::steady_clock::now() < deadline) {
        for (const auto& entry : fs::directory_iterator(themes(prefix)))
            begun = begun || entry.path().filename().string().ends_with("~run");
        if (!begun)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ASSERT_TRUE(begun);
    ::kill(pid, SIGINT);
    expectResult(finish(pid), 1, "",
                 "kolvmgr: " + big.string() + ": 80 The installation was cancelled; nothing was changed.\n");
    EXPECT_EQ(readFile(themes(prefix) / "Luna" / "luna.msstyles"), "data");
    EXPECT_EQ(entriesBelow(themes(prefix)), (std::vector<std::string>{"Luna", "Luna/luna.msstyles"}));
}

TEST_F(CommandLine, WhatAKilledInstallLeftGoesBeforeACommandLooks) {
    // An install of this program that was killed: its mark, and a style it had only begun.
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const std::string ours = ".kolv~" + std::to_string(gone);
    std::ofstream(themes(prefix) / (ours + ".1~run")) << "";
    fs::create_directories(themes(prefix) / "Bomb" / "Shell");
    std::ofstream(themes(prefix) / "Bomb" / (ours + ".1~0")) << std::string(1 << 16, 'x');
    addStyle(prefix, "Luna", {"luna.msstyles"});
    expectResult(runOn(prefix, {"--list"}), 0, "  Luna\n", "");
    EXPECT_EQ(entriesBelow(themes(prefix)), (std::vector<std::string>{"Luna", "Luna/luna.msstyles"}));

    // Killed again later, deep in the style: its mark leads the next command to it.
    std::ofstream(themes(prefix) / (ours + ".2~run")) << "";
    std::ofstream(themes(prefix) / "Luna" / (ours + ".2~0")) << "x";
    expectResult(runOn(prefix, {"--list"}), 0, "  Luna\n", "");
    EXPECT_EQ(entriesBelow(themes(prefix)), (std::vector<std::string>{"Luna", "Luna/luna.msstyles"}));
}
