// The prefixes a user has, found over a fake home holding each kind of prefix store, with
// the garbage real homes hold too: files that are not text, not what they claim, too
// large, pipes, and prefixes that are not prefixes.
#include "platform/RootDiscovery.h"

#include "TestRoot.h"
#include "platform/linux/wine/FakeWine.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

using namespace platform;
using testing_support::EnvGuard;
using testing_support::TestRoot;
namespace fs = std::filesystem;

namespace {

class FakeHome {
public:
    FakeHome() : home(scratch.root() / "home") { fs::create_directories(home); }

    // A Wine prefix: a folder with system.reg (or, with drive_c true, only drive_c).
    fs::path prefix(const fs::path& folder, bool driveC = false) const {
        fs::create_directories(folder);
        if (driveC)
            fs::create_directories(folder / "drive_c");
        else
            std::ofstream(folder / "system.reg") << "WINE REGISTRY Version 2\n";
        return folder;
    }
    void file(const fs::path& path, const std::string& text) const {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    TestRoot scratch;
    fs::path home;
    EnvGuard prefixVar{"WINEPREFIX", nullptr};
    EnvGuard homeVar{"HOME", home.c_str()};
    EnvGuard data{"XDG_DATA_HOME", (home / "data").c_str()};
};

std::vector<std::pair<std::string, std::string>> found() {
    std::vector<std::pair<std::string, std::string>> out;
    for (const FoundRoot& root : findWindowsRoots())
        out.emplace_back(root.folder.string(), (root.programsOwn ? "(own)" : "") + root.name);
    return out;
}

// text wrapped in depth blocks "k" { ... }.
std::string nested(int depth, const std::string& text) {
    std::string out;
    for (int i = 0; i < depth; ++i)
        out += "\"k\" { ";
    out += text;
    for (int i = 0; i < depth; ++i)
        out += " }";
    return out;
}

} // namespace

TEST(RootDiscovery, EveryKindOfStoreIsFoundAndNamedGarbageIsSkipped) {
    FakeHome h;
    const fs::path home = h.home;
    h.prefix(home / ".wine");

    const fs::path bottles = home / ".local" / "share" / "bottles" / "bottles";
    h.prefix(bottles / "Gaming", true);
    h.file(bottles / "Gaming" / "bottle.yml",
           "Arch: win64\nName: 'My Games'\nEnvironment_Variables:\n  Name: not this one\n");
    h.prefix(bottles / "Plain");
    h.file(bottles / "Plain" / "bottle.yml", std::string("Name: \0binary", 13));
    fs::create_directories(bottles / "NotAPrefix");
    h.prefix(home / ".var" / "app" / "com.usebottles.bottles" / "data" / "bottles" / "bottles" / "Office");

    const fs::path games = home / ".config" / "lutris" / "games";
    h.prefix(home / "Games" / "epic", true);
    h.file(games / "epic-games-store-1650000000.yml",
           "game:\n  exe: /nowhere/x.exe\n  prefix: ~/Games/epic\nsystem: {}\n");
    h.file(games / "named.yml",
           "name: \"Diablo II\"\ngame:\n  prefix: \"" + (bottles / "Gaming").string() + "\"\n");
    h.file(games / "relative.yml", "game:\n  prefix: Games/epic\n");
    h.file(games / "garbage.yml", std::string("\x7f"
                                              "ELF\0\0prefix: /tmp\n",
                                              19));
    h.file(games / "huge.yml",
           "game:\n  prefix: " + (home / "Games" / "epic").string() + "\n" + std::string(2 << 20, '#'));
    ASSERT_EQ(::mkfifo((games / "pipe.yml").c_str(), 0600), 0) << "a pipe must not be waited on";
    h.file(games / "notes.txt", "prefix: " + (home / "Games" / "epic").string() + "\n");

    h.prefix(home / ".PlayOnLinux" / "wineprefix" / "Notepad++");

    const fs::path steam = home / ".steam" / "steam" / "steamapps";
    const fs::path library = home / "SteamLibrary";
    h.file(steam / "libraryfolders.vdf", "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" +
                                             (home / ".steam" / "steam").string() +
                                             "\"\n\t}\n\t// a comment\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" +
                                             library.string() + "\"\n\t\t\"apps\"\n\t\t{\n\t\t}\n\t}\n}\n");
    h.prefix(steam / "compatdata" / "220" / "pfx", true);
    h.file(steam / "appmanifest_220.acf",
           "\"AppState\"\n{\n\t\"appid\"\t\"220\"\n\t\"name\"\t\"Half-Life 2\"\n}\n");
    h.prefix(library / "steamapps" / "compatdata" / "440" / "pfx");
    h.file(library / "steamapps" / "appmanifest_440.acf", "\"AppState\"\n{\n\t\"name\"\t\"unterminated\n");
    h.prefix(library / "steamapps" / "compatdata" / "tools" / "pfx");
    fs::create_directories(library / "steamapps" / "compatdata" / "550");

    h.prefix(home / "data" / "kolvmgr", true);

    const std::vector<std::pair<std::string, std::string>> expected = {
        {(home / ".wine").string(), "Wine: ~/.wine"},
        {(bottles / "Gaming").string(), "Bottles: My Games"},
        {(bottles / "Plain").string(), "Bottles: Plain"},
        {(home / ".var/app/com.usebottles.bottles/data/bottles/bottles/Office").string(),
         "Bottles (Flatpak): Office"},
        {(home / "Games" / "epic").string(), "Lutris: epic-games-store"},
        {(home / ".PlayOnLinux" / "wineprefix" / "Notepad++").string(), "PlayOnLinux: Notepad++"},
        {(steam / "compatdata" / "220" / "pfx").string(), "Steam: Half-Life 2"},
        {(library / "steamapps" / "compatdata" / "440" / "pfx").string(), "Steam: app 440"},
        {(home / "data" / "kolvmgr").string(), "(own)"},
    };
    EXPECT_EQ(found(), expected);
}

TEST(RootDiscovery, AGarbageLibraryListStillLeavesSteamsOwnLibrary) {
    FakeHome h;
    const fs::path steam = h.home / ".steam" / "steam" / "steamapps";
    const fs::path library = h.home / "Elsewhere";
    h.prefix(library / "steamapps" / "compatdata" / "10" / "pfx");
    h.prefix(steam / "compatdata" / "20" / "pfx");
    for (const std::string& garbage :
         {"\"libraryfolders\" { \"1\" { \"path\" \"" + library.string() + "\" }", // unclosed
          "\"libraryfolders\" { \"1\" { \"path\" \"" + library.string() + " } }", // unterminated
          nested(100000, "\"1\" { \"path\" \"" + library.string() + "\" }"), // deeper than any Steam file
          std::string("\"libraryfolders\" { \"1\" \"relative/path\" }")}) {
        h.file(steam / "libraryfolders.vdf", garbage);
        const auto roots = found();
        ASSERT_EQ(roots.size(), 1u) << garbage;
        EXPECT_EQ(roots[0].first, (steam / "compatdata" / "20" / "pfx").string());
    }
    // The format older Steam wrote: the path straight under the library's number.
    h.file(steam / "libraryfolders.vdf",
           "\"LibraryFolders\"\n{\n\t\"TimeNextStatsReport\"\t\"1\"\n\t\"1\"\t\"" + library.string() +
               "\"\n}\n");
    EXPECT_EQ(found().size(), 2u);
}

TEST(RootDiscovery, WinePrefixComesFirstWhenItIsAPrefix) {
    FakeHome h;
    h.prefix(h.home / ".wine");
    EnvGuard prefix("WINEPREFIX", h.prefix(h.home / "elsewhere").c_str());
    EXPECT_EQ(found(), (std::vector<std::pair<std::string, std::string>>{
                           {(h.home / "elsewhere").string(), "WINEPREFIX"},
                           {(h.home / ".wine").string(), "Wine: ~/.wine"}}));
    ::setenv("WINEPREFIX", (h.home / ".wine").c_str(), 1);
    EXPECT_EQ(found().size(), 1u) << "each folder once, under the first name found";
    ::setenv("WINEPREFIX", (h.home / "missing").c_str(), 1);
    EXPECT_EQ(found().size(), 1u);
}

TEST(RootDiscovery, NothingInAnEmptyHomeAndNothingIsMade) {
    FakeHome h;
    EXPECT_TRUE(found().empty());
    EXPECT_FALSE(fs::exists(h.home / "data")) << "looking makes no private root";
}

TEST(RootDiscovery, APrefixIsAFolderWithSystemRegOrDriveC) {
    FakeHome h;
    EXPECT_TRUE(isWindowsRootFolder(h.prefix(h.home / "a")));
    EXPECT_TRUE(isWindowsRootFolder(h.prefix(h.home / "b", true)));
    fs::create_directories(h.home / "c");
    EXPECT_FALSE(isWindowsRootFolder(h.home / "c"));
    h.file(h.home / "d", "system.reg");
    EXPECT_FALSE(isWindowsRootFolder(h.home / "d"));
    EXPECT_FALSE(isWindowsRootFolder(h.home / "missing"));
}

TEST(RootDiscovery, TheNewerPlacesOfLutrisSteamWinetricksAndHeroicAreFound) {
    FakeHome h;
    const fs::path home = h.home;
    // Lutris' current data folder, its Flatpak's, and a game in both it and the old one.
    h.prefix(home / "Games" / "gog", true);
    h.prefix(home / "Games" / "flat");
    h.file(home / ".local/share/lutris/games/witcher-1700000000.yml",
           "game:\n  prefix: " + (home / "Games" / "gog").string() + "\n");
    h.file(home / ".config/lutris/games/witcher-1600000000.yml", "game:\n  prefix: ~/Games/gog\n");
    h.file(home / ".var/app/net.lutris.Lutris/data/lutris/games/doom-2.yml",
           "game:\n  prefix: ~/Games/flat\n");
    // Steam as a Flatpak, with a game's name in its manifest.
    const fs::path steam = home / ".var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps";
    h.prefix(steam / "compatdata" / "70" / "pfx", true);
    h.file(steam / "appmanifest_70.acf", "\"AppState\" { \"name\" \"Half-Life\" }");
    // winetricks' prefixes, one of them no prefix at all.
    h.prefix(home / ".local/share/wineprefixes/vcrun", true);
    fs::create_directories(home / ".local/share/wineprefixes/empty");
    // Heroic: a Wine prefix, a Proton prefix (Wine's in its pfx folder), escapes in the
    // path, and its Flatpak; garbage beside them.
    const fs::path heroic = home / ".config/heroic/GamesConfig";
    h.prefix(home / "Games/Heroic/Prefixes/default/Hades");
    h.file(heroic / "Min.json",
           "{\"Min\":{\"winePrefix\":\"" + (home / "Games/Heroic/Prefixes/default/Hades").string() +
               "\",\"wineVersion\":{\"type\":\"wine\"}},\"version\":\"v0\",\"explicit\":true}");
    h.prefix(home / "Games/Heroic/Prefixes/default/Celeste/pfx", true);
    h.file(heroic / "1207.json", "{\n  \"1207\": {\n    \"autoInstallDxvk\": true,\n    \"maxSharpness\": "
                                 "2.5e0,\n    \"enviromentOptions\": [],\n"
                                 "    \"winePrefix\": \"~/Games/Heroic/Prefixes/default/C\\u0065leste\",\n   "
                                 " \"wineVersion\": {\"type\": \"proton\"}\n  }\n}\n");
    h.prefix(home / "Games/Heroic/Prefixes/default/Flatpak Game", true);
    h.file(home / ".var/app/com.heroicgameslauncher.hgl/config/heroic/GamesConfig/F.json",
           "{\"F\": {\"winePrefix\": \"" + (home / "Games/Heroic/Prefixes/default/Flatpak Game").string() +
               "/\"}}");
    // A prefix that only garbage names, so that any garbage taken would show.
    const std::string hidden = h.prefix(home / "Hidden").string();
    const std::string deep = std::string(100000, '[') + "{\"x\": {\"winePrefix\": \"" + hidden + "\"}}";
    for (const std::string& garbage : std::vector<std::string>{
             "{\"x\": {\"winePrefix\": \"" + hidden + "\"",
             "{\"x\": {\"winePrefix\": \"\\q" + hidden + "\"}}",
             "{\"x\": {\"winePrefix\": [\"" + hidden + "\"]}}", "{\"x\": {\"winePrefix\": \"Hidden\"}}",
             "{\"x\": {\"winePrefix\": \"" + hidden + "\"}} trailing", deep,
             "{\"x\": {\"winePrefix\": \"" + hidden + "\n\"}}", "\xff\xfe{"})
        h.file(heroic / ("garbage" + std::to_string(garbage.size()) + ".json"), garbage);
    h.file(heroic / "notes.txt", "{\"x\": {\"winePrefix\": \"" + hidden + "\"}}");

    const std::vector<std::pair<std::string, std::string>> expected = {
        {(home / "Games" / "gog").string(), "Lutris: witcher"},
        {(home / "Games" / "flat").string(), "Lutris (Flatpak): doom"},
        {(steam / "compatdata" / "70" / "pfx").string(), "Steam (Flatpak): Half-Life"},
        {(home / ".local/share/wineprefixes/vcrun").string(), "winetricks: vcrun"},
        {(home / "Games/Heroic/Prefixes/default/Celeste/pfx").string(), "Heroic: Celeste"},
        {(home / "Games/Heroic/Prefixes/default/Hades").string(), "Heroic: Hades"},
        {(home / "Games/Heroic/Prefixes/default/Flatpak Game").string(), "Heroic (Flatpak): Flatpak Game"},
    };
    EXPECT_EQ(found(), expected);
}

TEST(RootDiscovery, ANameNeverSplitsALine) {
    FakeHome h;
    const fs::path bottle = h.prefix(h.home / ".local/share/bottles/bottles/B");
    h.file(bottle / "bottle.yml", "Name: \"My\\tGames\\nand more\"\n");
    EXPECT_EQ(found(), (std::vector<std::pair<std::string, std::string>>{
                           {bottle.string(), "Bottles: My?Games?and more"}}));
}
