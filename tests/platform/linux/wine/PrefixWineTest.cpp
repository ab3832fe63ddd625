// The Wine of a prefix, where its launcher records it, over a home of the test's own with
// the layouts of Steam, Lutris, Bottles, Heroic and PlayOnLinux and stand-in builds whose
// wine records its calls: the recorded runner is the one chosen and started (with the
// prefix in WINEPREFIX), a recorded Wine that is not there is said so (never the system's
// instead), and --wine, a choice, WINE and PATH come where they belong.
#include "platform/linux/wine/PrefixWine.h"
#include "StandInWines.h"
#include "common/ProblemText.h"
#include "platform/WineChoice.h"
#include "platform/linux/wine/WineBuild.h"
#include "platform/linux/wine/WineProgram.h"

#include <gtest/gtest.h>

using namespace platform::wine;
using platform::Problem;
using testing_support::EnvGuard;
using testing_support::kInfTime;
using testing_support::StandInHome;
namespace fs = std::filesystem;

namespace {

struct Chosen {
    std::string program;
    std::string name;
    WineSource source;
    std::string why;
    bool operator==(const Chosen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Chosen& c) {
    return out << "{" << c.program << " | " << c.name << " | " << static_cast<int>(c.source) << " | " << c.why
               << "}";
}

Chosen chosen(const fs::path& prefix, const Overrides& overrides = {}) {
    const WineChoice choice = chooseWine(prefix, overrides);
    return {choice.program.string(), choice.name, choice.source,
            choice.why ? quorlin::problemText(choice.why) : std::string()};
}

} // namespace

TEST(PrefixWine, EachLauncherNamesTheRunnerThatIsChosenAndStarted) {
    StandInHome h;
    const fs::path home = h.home;

    // Steam: the Proton that last set the prefix up, as its config_info says (another is
    // mapped to the game by now: the prefix is still the first one's).
    const fs::path steam = home / ".steam" / "steam";
    const fs::path proton8 = steam / "steamapps" / "common" / "Proton 8.0";
    h.proton(proton8, "proton-8.0-5");
    h.proton(steam / "compatibilitytools.d" / "GE-Proton8-25", "GE-Proton8-25");
    const fs::path compat = steam / "steamapps" / "compatdata" / "220";
    const fs::path steamPrefix = h.prefix(compat / "pfx");
    h.file(compat / "version", "8.0-104\n");
    h.file(compat / "config_info", "8.0-104\n" + (proton8 / "files/share/fonts/").string() + "\n" +
                                       (proton8 / "files/lib/").string() + "\n");
    h.file(steam / "config/config.vdf",
           "\"InstallConfigStore\" { \"Software\" { \"Valve\" { \"Steam\" { "
           "\"CompatToolMapping\" { \"220\" { \"name\" \"GE-Proton8-25\" } } } } } }");

    // Lutris: a game's runner, in a file whose YAML a line scanner would misread.
    const fs::path lutrisPrefix = h.prefix(home / "Games" / "diablo");
    const fs::path lutrisRunner = home / ".local/share/lutris/runners/wine/lutris-GE-Proton8-26-x86_64";
    h.build(lutrisRunner);
    h.build(home / ".local/share/lutris/runners/wine/lutris-7.2-2");
    h.file(home / ".local/share/lutris/games/diablo-1700000000.yml",
           "game: {exe: 'C:\\Diablo\\x.exe', prefix: \"~/Games/diablo\"}\n"
           "wine:\n  # version: lutris-7.2-2\n  version: 'lutris-GE-Proton8-26-x86_64'\n"
           "system:\n  notes: |\n    version: lutris-7.2-2\n");

    // Bottles: the bottle's runner.
    const fs::path bottlesData = home / ".local/share/bottles";
    const fs::path bottlePrefix = h.prefix(bottlesData / "bottles" / "Office");
    h.file(bottlePrefix / "bottle.yml", "Name: Office\nRunner: soda-7.0-9\nArch: win64\n");
    h.build(bottlesData / "runners" / "soda-7.0-9");

    // Heroic: a Wine game and a Proton game (its prefix is the pfx folder).
    const fs::path heroicPrefix = h.prefix(home / "Games/Heroic/Prefixes/Hades");
    const fs::path heroicWine = home / ".config/heroic/tools/wine/Wine-GE-Proton8-26";
    h.build(heroicWine);
    const fs::path heroicProtonPrefix = h.prefix(home / "Games/Heroic/Prefixes/Celeste/pfx");
    h.file(home / ".config/heroic/GamesConfig/Hades.json",
           "{\"Hades\": {\"winePrefix\": \"~/Games/Heroic/Prefixes/Hades\", \"wineVersion\": {\"bin\": \"" +
               (heroicWine / "bin/wine").string() +
               "\", \"name\": \"Wine - Wine-GE-Proton8-26\", \"type\": \"wine\"}}}");
    h.file(
        home / ".config/heroic/GamesConfig/Celeste.json",
        "{\"Celeste\": {\"winePrefix\": \"~/Games/Heroic/Prefixes/Celeste\", \"wineVersion\": {\"bin\": \"" +
            (proton8 / "proton").string() + "\", \"name\": \"Proton - Proton 8.0\", \"type\": \"proton\"}}}");

    // PlayOnLinux: the prefix's version and architecture.
    const fs::path polPrefix = h.prefix(home / ".PlayOnLinux/wineprefix/Notepad");
    h.file(polPrefix / "playonlinux.cfg", "PATH=C:\\x\nARCH=amd64\nVERSION=4.0\n");
    const fs::path polWine = h.build(home / ".PlayOnLinux/wine/linux-amd64/4.0");

    // Nothing records the Wine of this one: PATH's.
    const fs::path plainPrefix = h.prefix(home / ".wine");

    const std::vector<std::pair<fs::path, Chosen>> expected = {
        {steamPrefix, {(proton8 / "files/bin/wine").string(), "Proton 8.0-5", WineSource::Steam, ""}},
        {lutrisPrefix,
         {(lutrisRunner / "bin/wine").string(), "lutris-GE-Proton8-26-x86_64", WineSource::Lutris, ""}},
        {bottlePrefix,
         {(bottlesData / "runners/soda-7.0-9/bin/wine").string(), "soda-7.0-9", WineSource::Bottles, ""}},
        {heroicPrefix,
         {(heroicWine / "bin/wine").string(), "Wine - Wine-GE-Proton8-26", WineSource::Heroic, ""}},
        {heroicProtonPrefix,
         {(proton8 / "files/bin/wine").string(), "Proton - Proton 8.0", WineSource::Heroic, ""}},
        {polPrefix, {polWine.string(), "4.0 (amd64)", WineSource::PlayOnLinux, ""}},
        {plainPrefix, {(h.system / "bin/wine").string(), "system 9.1", WineSource::SearchPath, ""}},
    };
    for (const auto& [prefix, wine] : expected) {
        EXPECT_EQ(chosen(prefix), wine) << prefix;
        // Started through the program's one launcher: that build's wine runs, in that prefix.
        const platform::wine::Run run =
            platform::wine::run(prefix, {"reg", "query", "HKCU"}, std::chrono::seconds(10));
        ASSERT_TRUE(run.exitedWith(0)) << prefix << ": " << quorlin::problemText(run.notStarted);
    }
    EXPECT_EQ(
        h.calls(proton8 / "files"),
        (std::vector<std::string>{"WINEPREFIX=" + steamPrefix.string() + " WINESERVER=" +
                                      (proton8 / "files/bin/wineserver").string() + " ARGS=reg query HKCU",
                                  "WINEPREFIX=" + heroicProtonPrefix.string() + " WINESERVER=" +
                                      (proton8 / "files/bin/wineserver").string() + " ARGS=reg query HKCU"}));
    for (const auto& [build, prefix] :
         std::vector<std::pair<fs::path, fs::path>>{{lutrisRunner, lutrisPrefix},
                                                    {bottlesData / "runners/soda-7.0-9", bottlePrefix},
                                                    {heroicWine, heroicPrefix},
                                                    {polWine.parent_path().parent_path(), polPrefix},
                                                    {h.system, plainPrefix}})
        EXPECT_EQ(h.calls(build),
                  (std::vector<std::string>{"WINEPREFIX=" + prefix.string() + " WINESERVER=" +
                                            (build / "bin/wineserver").string() + " ARGS=reg query HKCU"}))
            << build;
    EXPECT_TRUE(h.calls(steam / "compatibilitytools.d" / "GE-Proton8-25" / "files").empty());
    EXPECT_TRUE(h.calls(home / ".local/share/lutris/runners/wine/lutris-7.2-2").empty());
}

TEST(PrefixWine, SteamsMappingNamesTheToolWhereNoProtonSetThePrefixUp) {
    StandInHome h;
    const fs::path steam = h.home / ".steam" / "steam";
    const fs::path library = h.home / "SteamLibrary";
    h.file(steam / "steamapps/libraryfolders.vdf", "\"libraryfolders\" { \"0\" { \"path\" \"" +
                                                       steam.string() + "\" } \"1\" { \"path\" \"" +
                                                       library.string() + "\" } }");
    h.proton(library / "steamapps/common/Proton 8.0", "proton-8.0-5");
    h.proton(library / "steamapps/common/Proton 9.0 (Beta)", "proton-9.0-1");
    h.proton(steam / "compatibilitytools.d/GE-Proton8-25", "GE-Proton8-25");
    h.file(steam / "compatibilitytools.d/GE-Proton8-25/compatibilitytool.vdf",
           "\"compatibilitytools\" { \"compat_tools\" { \"GE-Proton8-25\" { \"install_path\" \".\" "
           "\"display_name\" \"GE-Proton8-25\" } } }");
    // A declaration beside the tools, naming a folder elsewhere.
    h.proton(h.home / "tools/custom", "custom-1");
    h.file(steam / "compatibilitytools.d/custom.vdf",
           "\"compatibilitytools\" { \"compat tools\" { \"custom_proton\" { \"install_path\" \"" +
               (h.home / "tools/custom").string() + "\" } } }");
    auto mapping = [&](const std::string& entries) {
        h.file(steam / "config/config.vdf", "\"InstallConfigStore\" { \"Software\" { \"Valve\" { \"Steam\" { "
                                            "\"CompatToolMapping\" { " +
                                                entries + " } } } } }");
    };
    const fs::path prefix = h.prefix(library / "steamapps/compatdata/570/pfx");

    mapping("\"570\" { \"name\" \"GE-Proton8-25\" } \"0\" { \"name\" \"proton_8\" }");
    EXPECT_EQ(chosen(prefix), (Chosen{(steam / "compatibilitytools.d/GE-Proton8-25/files/bin/wine").string(),
                                      "GE-Proton8-25", WineSource::Steam, ""}));
    mapping("\"0\" { \"name\" \"proton_8\" }");
    EXPECT_EQ(chosen(prefix), (Chosen{(library / "steamapps/common/Proton 8.0/files/bin/wine").string(),
                                      "Proton 8.0-5", WineSource::Steam, ""}))
        << "the default mapping, Valve's own Proton by its folder";
    mapping("\"570\" { \"name\" \"proton_9\" }");
    EXPECT_EQ(chosen(prefix).program,
              (library / "steamapps/common/Proton 9.0 (Beta)/files/bin/wine").string());
    mapping("\"570\" { \"name\" \"custom_proton\" }");
    EXPECT_EQ(chosen(prefix).program, (h.home / "tools/custom/files/bin/wine").string());

    // A tool that is not installed: said so, and the system's Wine is not taken instead.
    mapping("\"570\" { \"name\" \"GE-Proton7-1\" }");
    EXPECT_EQ(chosen(prefix), (Chosen{"", "GE-Proton7-1", WineSource::Steam,
                                      "Steam's compatibility tool GE-Proton7-1 (named in " +
                                          (steam / "config/config.vdf").string() + ") is not installed"}));
    // A Proton that set the prefix up and is gone since: that one is the prefix's.
    h.file(library / "steamapps/compatdata/570/config_info",
           "7.0-5\n" + (library / "steamapps/common/Proton 7.0/files/share/fonts/").string() + "\n");
    EXPECT_EQ(chosen(prefix),
              (Chosen{"", "Proton 7.0", WineSource::Steam,
                      "the Wine " + (library / "steamapps/common/Proton 7.0/files/bin/wine").string() +
                          " named in " + (library / "steamapps/compatdata/570/config_info").string() +
                          " is not there"}));

    EXPECT_EQ(valveProtonFolder("proton_513"), "Proton 5.13");
    EXPECT_EQ(valveProtonFolder("proton_7"), "Proton 7.0");
    EXPECT_EQ(valveProtonFolder("proton_10"), "Proton 10.0");
    EXPECT_EQ(valveProtonFolder("proton_experimental"), "Proton - Experimental");
    EXPECT_EQ(valveProtonFolder("proton_8/../../x"), "");
}

TEST(PrefixWine, ARecordedWineThatIsNotThereIsSaidSoNeverTheSystems) {
    StandInHome h;
    const fs::path home = h.home;
    const fs::path lutris = h.prefix(home / "Games/a");
    h.file(home / ".config/lutris/games/a-1.yml",
           "game:\n  prefix: " + lutris.string() + "\nwine:\n  version: gone-1\n");
    const fs::path bottle = h.prefix(home / ".local/share/bottles/bottles/B");
    h.file(bottle / "bottle.yml", "Name: B\nRunner: caffe-7.20\n");
    const fs::path pol = h.prefix(home / ".PlayOnLinux/wineprefix/P");
    h.file(pol / "playonlinux.cfg", "VERSION=3.0.3\n");
    const fs::path heroic = h.prefix(home / "Games/H");
    h.file(home / ".config/heroic/GamesConfig/H.json",
           "{\"H\": {\"winePrefix\": \"" + heroic.string() +
               "\", \"wineVersion\": {\"bin\": \"/nowhere/bin/wine\"}}}");
    // A runner whose name would climb out of the runners' folder is no name.
    const fs::path climbing = h.prefix(home / "Games/c");
    h.file(home / ".config/lutris/games/c-1.yml",
           "game:\n  prefix: " + climbing.string() + "\nwine:\n  version: ../../../system\n");

    auto notThere = [](const fs::path& wine, const fs::path& record) {
        return "the Wine " + wine.string() + " named in " + record.string() + " is not there";
    };
    EXPECT_EQ(chosen(lutris), (Chosen{"", "gone-1", WineSource::Lutris,
                                      notThere(home / ".config/lutris/runners/wine/gone-1/bin/wine",
                                               home / ".config/lutris/games/a-1.yml")}));
    EXPECT_EQ(chosen(bottle), (Chosen{"", "caffe-7.20", WineSource::Bottles,
                                      notThere(home / ".local/share/bottles/runners/caffe-7.20/bin/wine",
                                               bottle / "bottle.yml")}));
    EXPECT_EQ(chosen(pol), (Chosen{"", "3.0.3 (x86)", WineSource::PlayOnLinux,
                                   notThere(home / ".PlayOnLinux/wine/linux-x86/3.0.3/bin/wine",
                                            pol / "playonlinux.cfg")}));
    EXPECT_EQ(chosen(heroic),
              (Chosen{"", "/nowhere/bin/wine", WineSource::Heroic,
                      notThere("/nowhere/bin/wine", home / ".config/heroic/GamesConfig/H.json")}));
    EXPECT_EQ(chosen(climbing).source, WineSource::SearchPath);
}

TEST(PrefixWine, TheCommandLineAndTheChoiceComeFirstThenWineThenPath) {
    StandInHome h;
    const fs::path prefix = h.prefix(h.home / ".local/share/bottles/bottles/B");
    h.file(prefix / "bottle.yml", "Runner: soda-7.0-9\n");
    h.build(h.home / ".local/share/bottles/runners/soda-7.0-9");
    const fs::path given = h.build(h.scratch.root() / "given");
    const fs::path proton = h.proton(h.scratch.root() / "Proton 8.0", "proton-8.0-5");

    EXPECT_EQ(chosen(prefix, {given, proton}),
              (Chosen{given.string(), given.string(), WineSource::GivenForRun, ""}));
    EXPECT_EQ(chosen(prefix, {{}, h.scratch.root() / "Proton 8.0" / "proton"}),
              (Chosen{proton.string(), (h.scratch.root() / "Proton 8.0" / "proton").string(),
                      WineSource::ChosenForPrefix, ""}))
        << "Proton's script names its folder's wine";
    EXPECT_EQ(chosen(prefix, {h.scratch.root() / "given"}).program, given.string()) << "a build's folder";
    EXPECT_EQ(chosen(prefix, {"/nowhere/wine", given}),
              (Chosen{"", "/nowhere/wine", WineSource::GivenForRun,
                      "the Wine /nowhere/wine named by --wine is not there"}));
    EXPECT_EQ(chosen(prefix, {{}, "/nowhere/wine"}).why,
              "the Wine /nowhere/wine chosen for the prefix is not there");
    h.file(h.scratch.root() / "notes.txt", "not a program");
    EXPECT_EQ(chosen(prefix, {h.scratch.root() / "notes.txt"}).why,
              "the Wine " + (h.scratch.root() / "notes.txt").string() +
                  " named by --wine is no wine program");

    // The overrides a run was given reach every prefix; a choice only its own.
    setWineForThisRun({});
    setChosenWines({{prefix.string() + "/", given}});
    EXPECT_EQ(chooseWine(prefix).program, given);
    EXPECT_EQ(chooseWine(h.prefix(h.home / "other")).source, WineSource::SearchPath);
    setChosenWines({});

    // Without a record: WINE (a path, or a name looked for on PATH), then PATH.
    fs::remove(prefix / "bottle.yml");
    {
        EnvGuard wine("WINE", given.c_str());
        EXPECT_EQ(chosen(prefix), (Chosen{given.string(), given.string(), WineSource::WineVariable, ""}));
    }
    {
        EnvGuard wine("WINE", "wine");
        EXPECT_EQ(chosen(prefix).program, (h.system / "bin/wine").string());
    }
    {
        EnvGuard wine("WINE", "/nowhere/wine64");
        EXPECT_EQ(chosen(prefix).why, "the Wine /nowhere/wine64 named by WINE is not there");
    }
    EnvGuard path("PATH", "/nowhere");
    EXPECT_EQ(chosen(prefix),
              (Chosen{"", "", WineSource::None,
                      "no Wine is recorded for the prefix, WINE is not set and no wine is on PATH"}));
}

TEST(PrefixWine, AProtonBuildGetsWhatProtonSetsForItsWineAndNoOtherBuildsSettings) {
    StandInHome h;
    const fs::path tool = h.scratch.root() / "Proton 8.0";
    const fs::path files = tool / "files";
    h.proton(tool, "proton-8.0-5");
    EXPECT_EQ(buildEnvironment(files / "bin/wine"),
              (std::vector<EnvSetting>{
                  {EnvSetting::Unset, "WINELOADER", ""},
                  {EnvSetting::Set, "WINESERVER", (files / "bin/wineserver").string()},
                  {EnvSetting::Set, "WINEDLLPATH",
                   (files / "lib/vkd3d").string() + ":" + (files / "lib64/wine").string() + ":" +
                       (files / "lib/wine").string()},
                  {EnvSetting::Prepend, "LD_LIBRARY_PATH",
                   (files / "lib64").string() + ":" + (files / "lib").string()},
                  {EnvSetting::Set, "WINEFSYNC", "1"},
              }));
    // The system's Wine finds its libraries where the system's loader looks anyway.
    EXPECT_EQ(buildEnvironment("/usr/bin/wine").size(), 3u);

    EXPECT_EQ(
        withSettings(
            {"PATH=/bin", "WINEDLLPATH=/other/lib/wine", "LD_LIBRARY_PATH=/a", "WINELOADER=/other/wine"},
            {{EnvSetting::Unset, "WINELOADER", ""},
             {EnvSetting::Set, "WINEDLLPATH", "/mine"},
             {EnvSetting::Prepend, "LD_LIBRARY_PATH", "/b"},
             {EnvSetting::Prepend, "NEW", "/c"}}),
        (std::vector<std::string>{"PATH=/bin", "WINEDLLPATH=/mine", "LD_LIBRARY_PATH=/b:/a", "NEW=/c"}));
}
