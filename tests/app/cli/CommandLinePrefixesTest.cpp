// One command in several prefixes: the prefixes a user's launchers keep (~/.wine, a Lutris
// game's, a bottle, a Steam game's), each run with its own Wine, one line of outcome each.
#include "CommandLineFixture.h"
#include "app/style/StyleFileBuilder.h"

#include <chrono>
#include <csignal>
#include <optional>
#include <set>
#include <thread>

using namespace cli_test;
namespace fs = std::filesystem;

namespace {

class Prefixes : public CommandLine {
protected:
    void SetUp() override {
        CommandLine::SetUp();
        dotWine = makePrefix(home / ".wine");
        wine.emplace(dotWine, scratch / "wine", testing_support::FakeWine::Options{false, "win64"});
        lutris = madeByTheBuild(home / "Games" / "witcher");
        write(home / ".local/share/lutris/games/witcher-1700000000.yml",
              "game:\n  prefix: " + lutris.string() + "\n");
        bottle = madeByTheBuild(home / ".local/share/bottles/bottles/Games");
        // A Steam game's prefix whose Proton has been uninstalled since it set it up.
        const fs::path apps = home / ".steam/steam/steamapps";
        steam = makePrefix(apps / "compatdata/220/pfx");
        write(steam / "system.reg", "WINE REGISTRY Version 2\n\n#arch=win64\n");
        write(apps / "appmanifest_220.acf",
              "\"AppState\"\n{\n\t\"appid\"\t\"220\"\n\t\"name\"\t\"Half-Life 2\"\n}\n");
        proton = apps / "common/Proton 8.0";
        write(apps / "compatdata/220/config_info",
              "8.0-104\n" + (proton / "files/share/fonts/").string() + "\n");
    }
    void TearDown() override {
        wine.reset();
        CommandLine::TearDown();
    }

    static void write(const fs::path& file, const std::string& text) {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
    }
    // A prefix the stand-in Wine made, as it lays one out for 64 bits.
    fs::path madeByTheBuild(const fs::path& folder) const {
        makePrefix(folder);
        testing_support::madeByWineIn(folder, wine->build() / "bin");
        write(folder / "system.reg", "WINE REGISTRY Version 2\n\n#arch=win64\n");
        write(folder / "drive_c/windows/system32/uxtheme.dll", "MZ");
        return folder;
    }
    void addRoyale(const fs::path& root) const {
        write(themes(root) / "Royale" / "Royale.msstyles",
              testing_support::styleFile({u"Blue"}, {u"Normal"}));
    }
    // The prefixes the stand-in's Windows program was started in, sorted: the runs go side
    // by side, in no fixed order.
    std::multiset<std::string> programPrefixes() const {
        std::multiset<std::string> out;
        for (const std::string& call : wine->programCalls())
            out.insert(call.substr(0, call.find(' ')));
        return out;
    }

    // Why the Steam game's prefix is not driven.
    std::string steamSkipped() const {
        return "no Wine of its own may be started in it: the Wine " + proton.string() +
               "/files/bin/wine named in " + (steam.parent_path() / "config_info").string() + " is not there";
    }

    std::optional<testing_support::FakeWine> wine;
    fs::path dotWine, lutris, bottle, steam, proton;
};

} // namespace

TEST_F(Prefixes, AllPrefixesInstallPutsTheStyleInEachAndAFailureStopsNoOther) {
    const fs::path archive = scratch / "royale.zip";
    const std::string style = testing_support::styleFile({u"Blue"}, {u"Normal"});
    testing_support::writeArchive(archive, {testing_support::fileEntry("Royale/Royale.msstyles", style)});
    // The bottle's themes folder cannot be made: a file stands where its Resources folder goes.
    fs::remove_all(bottle / "drive_c/windows/Resources");
    write(bottle / "drive_c/windows/Resources", "not a folder");
    // Installing is file work: the Steam game's prefix takes the style though no Wine of its
    // own may be started there, its themes folder made as Install makes it, with the note
    // Install gives, under the prefix's name.
    fs::remove_all(steam / "drive_c/windows/Resources");
    const std::string bottleFailed =
        "failed: Error: unable to find folder C:\\windows\\Resources\\Themes which contains all the visual "
        "styles.; " +
        archive.string() + ": 2 an entry's data was corrupt, or the extraction folder could not be made";
    // In the order --prefixes lists them; what the bottle's run said to its standard error
    // is its reason.
    expectResult(run({"--all-prefixes", "--install", archive.string()}), 1,
                 dotWine.string() + "\tinstalled\n" + bottle.string() + "\t" + bottleFailed + "\n" +
                     lutris.string() + "\tinstalled\n" + steam.string() + "\tinstalled\n",
                 "kolvmgr: " + steam.string() +
                     ": Error: unable to find folder C:\\windows\\Resources\\Themes which contains all the "
                     "visual styles.\n");
    for (const fs::path& root : {dotWine, lutris, steam})
        EXPECT_EQ(readFile(themes(root) / "Royale" / "Royale.msstyles"), style) << root;
    EXPECT_EQ(readFile(bottle / "drive_c/windows/Resources"), "not a folder");
}

TEST_F(Prefixes, AllPrefixesApplyRecordsItInEachItsWineDrivesAndSkipsWhatNoneMay) {
    for (const fs::path& root : {dotWine, lutris, bottle, steam})
        addRoyale(root);
    const std::string gone = steamSkipped();
    // Found, not named: a Steam game's prefix that cannot be driven is no failure.
    expectResult(run({"--all-prefixes", "--apply", "Royale"}), 0,
                 dotWine.string() + "\tapplied\n" + bottle.string() + "\tapplied\n" + lutris.string() +
                     "\tapplied\n" + steam.string() + "\tskipped: " + gone + "\n",
                 "");
    EXPECT_EQ(programPrefixes(),
              std::multiset<std::string>({"WINEPREFIX=" + dotWine.string(), "WINEPREFIX=" + bottle.string(),
                                          "WINEPREFIX=" + lutris.string()}));
    EXPECT_FALSE(fs::exists(steam / "user.reg")) << "the Steam game's prefix was written";

    // A registry that cannot be read: the bottle is skipped with the reason, and the file
    // stays as it was.
    write(bottle / "user.reg", "WINE REGISTRY Version 2\n[Software\\\\Broken\n");
    const Result r = run({"--all-prefixes", "--classic"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out,
              dotWine.string() + "\tapplied\n" + bottle.string() +
                  "\tskipped: " + (bottle / "user.reg").string() +
                  ":2: unterminated key name; its settings are not used and the file is left as it is\n" +
                  lutris.string() + "\tapplied\n" + steam.string() + "\tskipped: " + gone + "\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(readFile(bottle / "user.reg"), "WINE REGISTRY Version 2\n[Software\\\\Broken\n");
}

TEST_F(Prefixes, TwoPrefixOptionsTouchThoseTwoOnlyAndANamedPrefixNotDoneFails) {
    addRoyale(lutris);
    addRoyale(bottle);
    addRoyale(dotWine);
    expectResult(run({"--prefix", lutris.string(), "--prefix", bottle.string(), "--apply", "Royale"}), 0,
                 lutris.string() + "\tapplied\n" + bottle.string() + "\tapplied\n", "");
    EXPECT_EQ(programPrefixes(),
              std::multiset<std::string>({"WINEPREFIX=" + lutris.string(), "WINEPREFIX=" + bottle.string()}));

    // The style is missing in one, and the other is named twice: run once, failing alone.
    fs::remove_all(themes(bottle) / "Royale");
    const Result r = run({"--prefix", lutris.string(), "--prefix", bottle.string(), "--prefix",
                          lutris.string() + "/", "--apply", "Royale", "--color", "Blue"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(
        r.out,
        lutris.string() + "\tapplied\n" + bottle.string() +
            "\tfailed: no visual style named Royale is installed in C:\\windows\\Resources\\Themes\\\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(wine->programCalls().size(), 3u);

    // A prefix named that may not be driven is asked for and not done.
    const std::string gone = steamSkipped();
    const Result skipped =
        run({"--prefix", lutris.string(), "--prefix", steam.string(), "--scheme", "Brick"});
    EXPECT_EQ(skipped.code, 1);
    EXPECT_EQ(skipped.out, lutris.string() + "\tapplied\n" + steam.string() + "\tskipped: " + gone + "\n");
}

TEST_F(Prefixes, NamesThatAreNoUtf8ReachEachPrefixsRunByteForByte) {
    // A prefix and an archive named in Latin-1, with a % that is no escape of ours.
    const fs::path latin = makePrefix(home / "Games" / "caf\xe9 100%41");
    const fs::path archive = scratch / "r\xf6yale%25.zip";
    const std::string style = testing_support::styleFile({u"Blue"}, {u"Normal"});
    testing_support::writeArchive(archive, {testing_support::fileEntry("Royale/Royale.msstyles", style)});
    expectResult(
        run({"--prefix", latin.string(), "--prefix", lutris.string(), "--install", archive.string()}), 0,
        latin.string() + "\tinstalled\n" + lutris.string() + "\tinstalled\n", "");
    for (const fs::path& root : {latin, lutris})
        EXPECT_EQ(readFile(themes(root) / "Royale" / "Royale.msstyles"), style) << root;

    addRoyale(latin);
    expectResult(run({"--prefix", latin.string(), "--prefix", lutris.string(), "--uninstall", "Royale"}), 0,
                 latin.string() + "\tuninstalled\n" + lutris.string() + "\tuninstalled\n", "");
    EXPECT_FALSE(fs::exists(themes(latin) / "Royale"));
}

TEST_F(Prefixes, SeveralPrefixesGoOnlyWithTheCommandsThatTakeThem) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--all-prefixes", "--list"},
         "--all-prefixes goes only with --install, --apply, --classic, --scheme, --uninstall or --check"},
        {{"--all-prefixes"},
         "--all-prefixes goes only with --install, --apply, --classic, --scheme, --uninstall or --check"},
        {{"--all-prefixes", "--prefix", "a", "--classic"},
         "--all-prefixes and --prefix cannot be given together"},
        {{"--prefix", "a", "--prefix", "b", "--wine", "w", "--classic"}, "--wine goes only with one prefix"},
        {{"--all-prefixes", "--check", "--log", "x.log"}, "--log goes only with one prefix"},
        {{"--all-prefixes", "--all-prefixes", "--check"}, "--all-prefixes is given twice"},
    };
    for (const auto& [args, why] : cases)
        expectResult(run(args), 2, "", "kolvmgr: " + why + "\n" + kUsageHint);
}

// An interrupt while prefixes run: those running finish, those not started are left as
// they were and said so, and the run fails.
TEST_F(Prefixes, AnInterruptStartsNoMorePrefixesAndLetsThoseRunningFinish) {
    // One more prefix than run at once.
    const unsigned atOnce = 2 * std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::string> args;
    std::vector<fs::path> roots;
    for (unsigned i = 0; i <= atOnce; ++i) {
        roots.push_back(madeByTheBuild(scratch / ("prefix" + std::to_string(i))));
        addRoyale(roots.back());
        args.insert(args.end(), {"--prefix", roots.back().string()});
    }
    args.insert(args.end(), {"--apply", "Royale"});
    wine->also("sleep 2");
    const pid_t pid = start(args);
    for (int i = 0; i < 600 && wine->programCalls().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_FALSE(wine->programCalls().empty());
    ::kill(pid, SIGINT);
    const Result r = finish(pid);
    EXPECT_EQ(r.code, 1);
    std::string expected;
    for (unsigned i = 0; i < atOnce; ++i)
        expected += roots[i].string() + "\tapplied\n";
    expected += roots.back().string() + "\tskipped: interrupted before it started\n";
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(wine->programCalls().size(), atOnce);
    EXPECT_FALSE(fs::exists(roots.back() / "user.reg"));
}
