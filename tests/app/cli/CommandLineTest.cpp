// The command line as a user or a script meets it: the built program in a process of its
// own, without a display, its standard output, standard error and exit code compared
// exactly.
#include "CommandLineFixture.h"
#include "app/style/PreviewStyles.h"
#include "app/style/StyleFileBuilder.h"
#include "platform/linux/wine/StandInWines.h"
#include "platform/linux/wine/WineInstall.h"

#include <regex>
#include <set>

namespace fs = std::filesystem;
using namespace cli_test;
using namespace platform;
using namespace registry_test;

namespace {

// What --apply says where Wine's theme service cannot be reached.
std::string registryOnlyNote(const std::string& why) {
    return "kolvmgr: Wine's theme service was not reached (" + why +
           "): the registry names the style, and its colours and sizes take effect when the style is next "
           "applied by Wine.\n";
}

// The README's block under "(`kolvmgr --help` prints this):", its indent taken off.
std::string readmeHelp() {
    std::istringstream readme(readFile(KOLV_README));
    std::string line, text;
    while (std::getline(readme, line) && line.find("(`kolvmgr --help` prints this):") == std::string::npos) {
    }
    std::getline(readme, line); // the blank line before the block
    std::string pendingBlanks;
    while (std::getline(readme, line)) {
        if (line.empty()) {
            pendingBlanks += "\n";
            continue;
        }
        if (!line.starts_with("    "))
            break;
        text += pendingBlanks + line.substr(4) + "\n";
        pendingBlanks.clear();
    }
    return text;
}

} // namespace

TEST_F(CommandLine, HelpIsTheReadmesTextAndWinsOverEverythingElse) {
    const std::string help = readmeHelp();
    ASSERT_NE(help.find("Usage: kolvmgr"), std::string::npos);
    expectResult(run({"--help"}), 0, help, "");
    expectResult(run({"--list", "--bogus", "--help"}), 0, help, "");
}

// The manual page and --help document the same options.
TEST_F(CommandLine, TheManualPageNamesTheOptionsOfTheHelp) {
    const auto options = [](std::string text) {
        // The manual page writes a minus as "\-".
        for (size_t at; (at = text.find("\\-")) != std::string::npos;)
            text.erase(at, 1);
        std::set<std::string> found;
        const std::regex option("--[a-z]+");
        for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator();
             ++it)
            found.insert(it->str());
        return found;
    };
    const std::set<std::string> inHelp = options(run({"--help"}).out);
    ASSERT_TRUE(inHelp.contains("--prefixes"));
    EXPECT_EQ(options(readFile(KOLV_MANUAL)), inHelp);
}

TEST_F(CommandLine, VersionNamesTheProgram) {
    expectResult(run({"--version"}), 0, "kolvmgr (Quorlin Visual Style Manager) 3.26.2640\n", "");
}

TEST_F(CommandLine, ShortHelpAndVersionAreTheLongOnes) {
    expectResult(run({"-h"}), 0, run({"--help"}).out, "");
    expectResult(run({"-v"}), 0, "kolvmgr (Quorlin Visual Style Manager) 3.26.2640\n", "");
    expectResult(run({"--list", "-h"}), 0, run({"--help"}).out, "");
    expectResult(run({"-v", "--list"}), 2, "",
                 "kolvmgr: -v and --list cannot be given together\n" + kUsageHint);
}

TEST_F(CommandLine, BadUsageIsExitCodeTwo) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--frobnicate"}, "unknown option --frobnicate"},
        {{"--apply"}, "--apply needs a style name"},
        {{"--uninstall", ""}, "--uninstall needs a style name"},
        {{"--list", "--prefix"}, "--prefix needs a folder"},
        {{"--prefix", "a", "--prefix", "b", "--list"}, "--prefix is given twice"},
        {{"--list", "--wine"}, "--wine needs a program"},
        {{"--wine", "a", "--wine", "b", "--prefixes"}, "--wine is given twice"},
        {{"--list", "--apply", "Luna"}, "--list and --apply cannot be given together"},
        {{"--list", "--log", "x.log"}, "--log goes only with --check"},
        {{"--check", "--log"}, "--log needs a file"},
        {{"--install"}, "--install needs at least one archive"},
        {{"--list", "extra"}, "unexpected argument extra"},
        {{"--preview"}, "--preview needs a style name and a file"},
        {{"--preview", "Luna"}, "--preview needs a style name and a file"},
        {{"--list", "--color", "Blue"}, "--color goes only with --apply or --preview"},
        {{"--classic", "--size", "Large"}, "--size goes only with --apply or --preview"},
        {{"--preview", "Luna", "l.png", "--size", "a", "--size", "b"}, "--size is given twice"},
        {{"--apply", "Luna", "--color", "Blue", "--color", "Olive"}, "--color is given twice"},
        {{"--preview", "Luna", "l.png", "--color"}, "--color needs a colour scheme"},
        {{"--apply", "Luna", "--size"}, "--size needs a size"},
        {{"--classic", "--apply", "Luna"}, "--classic and --apply cannot be given together"},
    };
    for (const auto& [args, why] : cases)
        expectResult(run(args), 2, "", "kolvmgr: " + why + "\n" + kUsageHint);
}

TEST_F(CommandLine, WithoutADisplayTheWindowsDoNotStart) {
    expectResult(run({}), 1, "",
                 "kolvmgr: no display to show the windows on (DISPLAY and WAYLAND_DISPLAY are not set); the "
                 "commands of kolvmgr --help run without one\n");
    expectResult(run({"style.zip"}), 1, "",
                 "kolvmgr: no display to show the windows on (DISPLAY and WAYLAND_DISPLAY are not set); "
                 "kolvmgr --install ARCHIVE... installs without one\n");
}

// A display named that cannot be opened (no such X server, or only Wayland where Qt's
// plug-in for it is missing or finds no compositor) is said as plainly, never a crash.
TEST_F(CommandLine, ADisplayThatCannotBeOpenedIsSaidSo) {
    expectResult(
        run({"style.zip"}, {{"DISPLAY", ":87"}}), 1, "",
        "kolvmgr: no display to show the windows on (DISPLAY=:87 cannot be opened); kolvmgr --install "
        "ARCHIVE... installs without one\n");
    expectResult(
        run({}, {{"WAYLAND_DISPLAY", "kolv-no-such-compositor"}}), 1, "",
        "kolvmgr: no display to show the windows on (WAYLAND_DISPLAY=kolv-no-such-compositor cannot be "
        "opened); the commands of kolvmgr --help run without one\n");
    expectResult(
        run({}, {{"DISPLAY", ":87"}, {"WAYLAND_DISPLAY", "kolv-none"}, {"QT_QPA_PLATFORM", "wayland"}}), 1,
        "",
        "kolvmgr: no display to show the windows on (DISPLAY=:87, WAYLAND_DISPLAY=kolv-none and "
        "QT_QPA_PLATFORM=wayland cannot be opened); the commands of kolvmgr --help run without one\n");
    EXPECT_FALSE(fs::exists(home / ".local")) << "nothing made before the display is open";
}

TEST_F(CommandLine, PrefixesListsWhatIsFoundAndMarksTheManagedOne) {
    fs::create_directories(home / ".wine" / "drive_c");
    const fs::path bottle = home / ".local/share/bottles/bottles/Games";
    fs::create_directories(bottle / "drive_c");
    // The Wine on PATH made ~/.wine; the bottle, never stamped, it would update.
    const fs::path bin = scratch / "wine-build" / "bin";
    fs::create_directories(bin);
    std::ofstream(bin / "wine") << "#!/bin/sh\nexit 0\n";
    fs::permissions(bin / "wine", fs::perms::owner_all);
    testing_support::madeByWineIn(home / ".wine", bin);
    const std::map<std::string, std::string> path{{"PATH", bin.string() + ":/usr/bin:/bin"}};
    // Wine on PATH without a version it says is "system".
    const std::string wine = "\twine=system";
    const std::string wineRoot = (home / ".wine").string() + "\tWine: ~/.wine" + wine;
    const std::string bottleLine = bottle.string() + "\tBottles: Games" + wine + "\tcannot drive: starting " +
                                   (bin / "wine").string() +
                                   " would update the prefix (it has no .update-timestamp)";
    expectResult(run({"--prefixes"}, path), 0, "* " + wineRoot + "\n  " + bottleLine + "\n", "");
    expectResult(run({"--prefix", bottle.string(), "--prefixes"}, path), 0,
                 "  " + wineRoot + "\n* " + bottleLine + "\n", "");
    // A managed root found nowhere else comes first, named by its folder.
    const fs::path other = makePrefix(scratch / "other");
    testing_support::madeByWineIn(other, bin);
    expectResult(run({"--prefix", other.string(), "--prefixes"}, path), 0,
                 "* " + other.string() + "\t" + other.string() + wine + "\n  " + wineRoot + "\n  " +
                     bottleLine + "\n",
                 "");
    // The program's own root comes last, under the program's name; no Wine made it.
    fs::create_directories(home / ".local/share/kolvmgr/drive_c");
    const std::string lines = run({"--prefixes"}, path).out;
    EXPECT_NE(lines.find("\n  " + (home / ".local/share/kolvmgr").string() +
                         "\tQuorlin Visual Style Manager: its own root" + wine + "\tcannot drive: "),
              std::string::npos)
        << lines;
}

TEST_F(CommandLine, ListMarksTheAppliedStyleInTheOrderWindowsListsThem) {
    for (const char* name : {"Zune", "light", "LUNA", "Royale", "Blue Steel", "aero"})
        addStyle(prefix, name, {});
    addStyle(prefix, ".hidden", {});
    std::ofstream(themes(prefix) / "loose.txt") << "x";
    {
        Registry reg(prefix);
        ASSERT_EQ(setString(reg, HKEY_CURRENT_USER,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", "DllName",
                            "%SystemRoot%\\resources\\themes\\luna\\luna.msstyles"),
                  ERROR_SUCCESS);
    }
    expectResult(runOn(prefix, {"--list"}), 0, "  aero\n  Blue Steel\n  light\n* LUNA\n  Royale\n  Zune\n",
                 "");
    // The classic look: DllName stays, but no style is in use.
    {
        Registry reg(prefix);
        ASSERT_EQ(setString(reg, HKEY_CURRENT_USER,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", "ThemeActive", "0"),
                  ERROR_SUCCESS);
    }
    expectResult(runOn(prefix, {"--list"}), 0, "  aero\n  Blue Steel\n  light\n  LUNA\n  Royale\n  Zune\n",
                 "");
}

TEST_F(CommandLine, ApplyMakesTheWindowsChanges) {
    addStyle(prefix, "Luna", {"luna.msstyles"});
    expectResult(
        runOn(prefix, {"--apply", "luna"}), 0,
        "Selected visual style applied. You will need to logoff and login again to apply the settings\n",
        registryOnlyNote(prefix.string() + " is no prefix made by Wine"));
    Registry reg(prefix);
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
    const auto dll = query(reg, HKEY_CURRENT_USER, key, "DllName");
    ASSERT_TRUE(dll);
    EXPECT_EQ(dll->first, REG_EXPAND_SZ);
    EXPECT_EQ(dll->second, std::string("%systemroot%\\Resources\\Themes\\Luna\\luna.msstyles\0", 49));
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, key, "ColorName"), "NormalColor");
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, key, "ThemeActive"), "1");
}

TEST_F(CommandLine, ApplyAndUninstallTakeOnlyAnInstalledStyle) {
    addStyle(prefix, "Luna", {"luna.msstyles"});
    addStyle(prefix, "NoFile", {"readme.txt"});
    fs::create_directories(prefix / "drive_c" / "windows" / "Resources" / "Elsewhere");
    for (const std::string name : {"Missing", "..", ".", "../Elsewhere", "Luna\\..", "Luna/", "*"}) {
        for (const char* command : {"--apply", "--uninstall"})
            expectResult(runOn(prefix, {command, name}), 1, "",
                         "kolvmgr: no visual style named " + name + " is installed in " + kThemes + "\n");
    }
    expectResult(runOn(prefix, {"--apply", "NoFile"}), 1, "",
                 "kolvmgr: NoFile: Unable to find MSStyles file in the folder.\n");
    EXPECT_FALSE(fs::exists(prefix / "user.reg")) << "nothing written";
    EXPECT_TRUE(fs::exists(prefix / "drive_c" / "windows" / "Resources" / "Elsewhere"));
    EXPECT_TRUE(fs::exists(themes(prefix) / "Luna" / "luna.msstyles"));
}

TEST_F(CommandLine, UninstallDeletesTheStyle) {
    const fs::path blue = addStyle(prefix, "Blue", {"blue.msstyles", "Shell/shellstyle.dll"});
    expectResult(runOn(prefix, {"--uninstall", "Blue"}), 0, "Visual Style Blue uninstalled from system.\n",
                 "");
    EXPECT_FALSE(fs::exists(blue));

    // The style in use keeps its style file, as Windows keeps it open; the registry stays.
    const fs::path luna = addStyle(prefix, "Luna", {"luna.msstyles", "Shell/shellstyle.dll", "readme.txt"});
    const std::string dllName = "%systemroot%\\Resources\\Themes\\Luna\\luna.msstyles";
    {
        Registry reg(prefix);
        ASSERT_EQ(setString(reg, HKEY_CURRENT_USER,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", "DllName", dllName),
                  ERROR_SUCCESS);
    }
    expectResult(
        runOn(prefix, {"--uninstall", "luna"}), 1, "",
        "kolvmgr: Visual Style Luna uninstalled from system, except its file luna.msstyles: Luna is the "
        "visual style in use; apply another style or the classic look first, then uninstall it again.\n");
    EXPECT_EQ(entriesBelow(luna), std::vector<std::string>({"luna.msstyles"}));
    Registry reg(prefix);
    EXPECT_EQ(
        text(reg, HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", "DllName"),
        dllName);
}

TEST_F(CommandLine, InstallSaysEachArchivesResult) {
    const fs::path good = scratch / "good.zip";
    testing_support::writeArchive(good, {testing_support::fileEntry("Aero/aero.msstyles", "style")});
    const fs::path missing = scratch / "missing.zip";
    expectResult(runOn(prefix, {"--install", good.string(), missing.string()}), 1,
                 good.string() + ": 0 everything went well\n",
                 "kolvmgr: " + missing.string() +
                     ": 9 the archive is missing, unreadable or not an archive\n");
    EXPECT_EQ(readFile(themes(prefix) / "Aero" / "aero.msstyles"), "style");
    expectResult(runOn(prefix, {"--install", good.string()}), 0, good.string() + ": 0 everything went well\n",
                 "");
}

TEST_F(CommandLine, CheckPrintsTheReportAndSavesTheLog) {
    addStyle(prefix, "Blue", {"blue.msstyles", "Shell/shellstyle.dll", "readme.txt", "preview.jpg"});
    const fs::path log = scratch / "checkup.log";
    const Result r = runOn(prefix, {"--check", "--log", log.string()});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    const std::string separator(76, '-');
    const std::string report =
        "Message: Scanning of Blue resulted in no errors found. This VS is safe for usage.\n" + separator +
        "\nMessage: Scanning for " + kThemes + "*.*\n" + separator +
        "\nMessage: Scanning process completed!\n"
        "Message: You have 1 visual styles installed.\n"
        "Message: You are using None of None.\n"
        "Message: You have 0 errors/warning messages\n"
        "Message: Time taken to complete task - ";
    ASSERT_EQ(r.out.substr(0, report.size()), report);
    EXPECT_TRUE(r.out.ends_with(" seconds\n"));

    // The log: the checkup window's format, in Windows text.
    std::string expected = r.out;
    std::string crlf;
    for (const char c : expected)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const std::string saved = readFile(log);
    const std::string head = "[Quorlin Visual Style Manager] Checkup Tool Log File\r\n[DateTime] ";
    ASSERT_EQ(saved.substr(0, head.size()), head);
    const size_t body = saved.find("\r\n", head.size()) + 2;
    EXPECT_EQ(saved.substr(body),
              std::string(68, '-') + "\r\n" + crlf + std::string(68, '-') +
                  "\r\n[Quorlin Visual Style Manager] Checkup Tool Log File [End of log file]\r\n");
    Registry reg(prefix);
    EXPECT_TRUE(text(reg, HKEY_CURRENT_USER, "Software\\Quorlin\\Zevra", "LastChk"))
        << "the check's time recorded";

    const fs::path nowhere = scratch / "no-such-folder" / "checkup.log";
    const Result failed = runOn(prefix, {"--check", "--log", nowhere.string()});
    EXPECT_EQ(failed.code, 1);
    EXPECT_EQ(failed.err, "kolvmgr: An error occurred when saving the log file " + nowhere.string() +
                              ". Error details: 76 - Path not found\n");
}

TEST_F(CommandLine, ACommandOnAMissingRootFails) {
    const fs::path gone = scratch / "gone";
    expectResult(
        runOn(gone, {"--list"}), 1, "",
        "kolvmgr: The Wine prefix " + gone.string() +
            " that --prefix names does not exist, so there are no visual styles to manage and no settings "
            "can be saved. Name an existing Wine prefix.\n");
    EXPECT_FALSE(fs::exists(gone));
}

TEST_F(CommandLine, TheRootIsPrefixThenWinePrefixThenTheLastChoiceThenDotWine) {
    const fs::path fromOption = makePrefix(scratch / "option"), fromEnv = makePrefix(scratch / "env"),
                   remembered = makePrefix(scratch / "remembered"), dotWine = makePrefix(home / ".wine");
    addStyle(fromOption, "Option", {});
    addStyle(fromEnv, "Env", {});
    addStyle(remembered, "Remembered", {});
    addStyle(dotWine, "DotWine", {});
    fs::create_directories(home / ".config" / "kolvmgr");
    std::ofstream(home / ".config" / "kolvmgr" / "kolvmgr.conf")
        << "[General]\nWindowsRoot=" << remembered.string() << "\n";
    const std::map<std::string, std::string> env = {{"WINEPREFIX", fromEnv.string()}};
    expectResult(run({"--prefix", fromOption.string(), "--list"}, env), 0, "  Option\n", "");
    expectResult(run({"--list"}, env), 0, "  Env\n", "");
    expectResult(run({"--list"}), 0, "  Remembered\n", "");
    fs::remove_all(remembered);
    expectResult(run({"--list"}), 0, "  DotWine\n", "");
}

TEST_F(CommandLine, ApplyWhileWineRunsIsOneCallOfItsTool) {
    addStyle(prefix, "Luna", {"luna.msstyles"});
    testing_support::FakeWine wine(prefix, scratch / "wine");
    // Each command says once that Wine runs and takes the changes.
    const std::string note =
        "kolvmgr: Wine is running in the prefix " + prefix.string() +
        ". While its programs run, Quorlin Visual Style Manager saves its changes through "
        "Wine's registry tool (wine reg), so that Wine keeps them; each change takes a "
        "moment, and the registry files show it once Wine has saved its registry.\n";
    expectResult(runOn(prefix, {"--list"}), 0, "  Luna\n", note);
    const size_t listed = wine.exports().size();
    expectResult(
        runOn(prefix, {"--apply", "Luna"}), 0,
        "Selected visual style applied. You will need to logoff and login again to apply the settings\n",
        note + registryOnlyNote(prefix.string() + " is no prefix made by Wine"));
    ASSERT_EQ(wine.imports().size(), 1u) << "Dllname, ColorName and ThemeActive in one call";
    EXPECT_EQ(wine.exports().size() - listed, 2u) << "what Wine holds, before and after";
    const std::string file = wine.file(0);
    for (const char* value : {"\"Dllname\"=hex(2):", "\"ColorName\"=hex(1):", "\"ThemeActive\"=hex(1):"})
        EXPECT_NE(file.find(value), std::string::npos) << file;
    EXPECT_FALSE(fs::exists(prefix / "user.reg")) << "the files are Wine's to write while it runs";

    // Wine holds another style since; its tool refuses the change.
    const std::string key = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
    wine.setLive(key, "\n[" + key + "]\n\"ColorName\"=\"NormalColor\"\n\"DllName\"=\"other\"\n");
    wine.setExitCode(1);
    expectResult(runOn(prefix, {"--apply", "Luna"}), 1, "",
                 note + "kolvmgr: the registry of the running Wine in " + prefix.string() +
                     " was not changed: wine reg import ended with exit code 1 (reg: the fake tool says no)\n"
                     "kolvmgr: Visual Style Luna was not applied: the registry did not take the change.\n");

    // Nor can Wine be asked afterwards whether it took the change.
    wine.onImport("echo 3 > \"$log/export-exit\"");
    expectResult(
        runOn(prefix, {"--apply", "Luna"}), 1, "",
        note + "kolvmgr: whether the registry of the running Wine in " + prefix.string() +
            " took the changes cannot be told: wine reg import ended with exit code 1 (reg: the fake "
            "tool says no); what the running Wine holds could not be read: wine reg export ended with "
            "exit code 3 (reg: the fake tool cannot export)\n"
            "kolvmgr: Visual Style Luna may not have been applied: whether the registry took the change "
            "cannot be told (wine reg import ended with exit code 1 (reg: the fake tool says no); what "
            "the running Wine holds could not be read: wine reg export ended with exit code 3 (reg: the "
            "fake tool cannot export)).\n");
}

TEST_F(CommandLine, ApplyIntoAReadOnlyPrefixSaysWhichFileCannotBeWritten) {
    addStyle(prefix, "Luna", {"luna.msstyles"});
    std::ofstream(prefix / "user.reg")
        << "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n";
    fs::permissions(prefix / "user.reg",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    expectResult(runOn(prefix, {"--apply", "Luna"}), 1, "",
                 "kolvmgr: Visual Style Luna was not applied: the registry file " +
                     (prefix / "user.reg").string() + " cannot be written (it is read-only).\n");
}

namespace {

// The width and height a PNG file says it has; nullopt for what is no PNG.
std::optional<std::pair<uint32_t, uint32_t>> pngSize(const fs::path& file) {
    const std::string data = readFile(file);
    if (data.size() < 24 || data.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0)
        return std::nullopt;
    const auto be32 = [&](size_t at) {
        return uint32_t(uint8_t(data[at])) << 24 | uint32_t(uint8_t(data[at + 1])) << 16 |
               uint32_t(uint8_t(data[at + 2])) << 8 | uint32_t(uint8_t(data[at + 3]));
    };
    return std::pair{be32(16), be32(20)};
}

} // namespace

TEST_F(CommandLine, PreviewSavesThePictureDrawnFromTheStyleFile) {
    const fs::path gen = addStyle(prefix, "Gen", {});
    std::ofstream(gen / "gen.msstyles", std::ios::binary) << testing_support::previewStyle().build();
    const fs::path out = scratch / "gen.png";
    expectResult(runOn(prefix, {"--preview", "gen", out.string()}), 0, "", "");
    EXPECT_EQ(pngSize(out), (std::pair<uint32_t, uint32_t>{411, 281}));
    // The colour scheme and size by name or display name, in any case.
    const fs::path olive = scratch / "olive.png";
    expectResult(runOn(prefix, {"--preview", "Gen", olive.string(), "--color", "OLIVE", "--size", "normal"}),
                 0, "", "");
    EXPECT_TRUE(pngSize(olive));
    EXPECT_NE(readFile(out), readFile(olive));

    // Wine's own style, where Wine is installed.
    if (const auto light = wineStyleFile(wineLibraryFolders())) {
        const fs::path folder = addStyle(prefix, "Light", {});
        fs::copy_file(*light, folder / "light.msstyles");
        const fs::path picture = scratch / "light.png";
        expectResult(runOn(prefix, {"--preview", "Light", picture.string()}), 0, "", "");
        const auto size = pngSize(picture);
        ASSERT_TRUE(size);
        EXPECT_GE(size->first, 240u);
        EXPECT_GE(size->second, 160u);
    }
}

TEST_F(CommandLine, PreviewOfAStyleThatCannotBeDrawnWritesNothing) {
    const fs::path gen = addStyle(prefix, "Gen", {});
    std::ofstream(gen / "gen.msstyles", std::ios::binary) << testing_support::previewStyle().build();
    addStyle(prefix, "Broken", {"broken.msstyles"});
    const fs::path captionless = addStyle(prefix, "Captionless", {});
    testing_support::DrawableStyle style = testing_support::previewStyle();
    style.bitmaps.erase(style.bitmaps.begin());
    std::ofstream(captionless / "c.msstyles", std::ios::binary) << style.build();
    addStyle(prefix, "NoFile", {"readme.txt"});
    const fs::path out = scratch / "out.png";
    std::ofstream(out) << "kept";

    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"Broken"}, "Visual Style Broken cannot be previewed: its style file cannot be read"},
        {{"Captionless"},
         "Visual Style Captionless cannot be previewed: its style file holds no window caption that can be "
         "drawn"},
        {{"NoFile"}, "NoFile: Unable to find MSStyles file in the folder."},
        {{"Missing"}, "no visual style named Missing is installed in " + kThemes},
        {{"Gen", "--color", "Purple"},
         "Visual Style Gen offers no colour scheme Purple; it offers: Blue, Olive"},
        {{"Gen", "--size", "Huge"}, "Visual Style Gen offers no size Huge; it offers: Normal"},
    };
    for (const auto& [args, why] : cases) {
        std::vector<std::string> command = {"--preview", args[0], out.string()};
        command.insert(command.end(), args.begin() + 1, args.end());
        expectResult(runOn(prefix, command), 1, "", "kolvmgr: " + why + "\n");
        EXPECT_EQ(readFile(out), "kept") << args[0];
    }
    // A picture that cannot be written leaves nothing behind.
    const fs::path nowhere = scratch / "missing" / "gen.png";
    expectResult(runOn(prefix, {"--preview", "Gen", nowhere.string()}), 1, "",
                 "kolvmgr: the picture could not be written to " + nowhere.string() +
                     ": No such file or directory\n");
    EXPECT_FALSE(fs::exists(nowhere.parent_path()));
}

namespace {

const std::string kApplied =
    "Selected visual style applied. You will need to logoff and login again to apply the settings\n";

} // namespace

TEST_F(CommandLine, InAWinePrefixApplyGoesThroughWinesThemeServiceWithTheChosenSchemeAndSize) {
    const fs::path folder = themes(prefix) / "Royale";
    fs::create_directories(folder);
    std::ofstream(folder / "Royale.msstyles", std::ios::binary)
        << testing_support::styleFile({u"Blue", u"Silver"}, {u"Normal", u"Large"});
    testing_support::FakeWine wine(prefix, scratch / "wine", {false, "win64"});

    // Names in any case, spelled on as the style spells them; the defaults otherwise.
    expectResult(runOn(prefix, {"--apply", "royale", "--color", "SILVER", "--size", "large"}), 0, kApplied,
                 "");
    expectResult(runOn(prefix, {"--apply", "Royale"}), 0, kApplied, "");
    const std::string call = "WINEPREFIX=" + prefix.string() + " [" + wine.themeProgram("x86_64") +
                             "] [apply] " + "<%systemroot%\\Resources\\Themes\\Royale\\Royale.msstyles> ";
    EXPECT_EQ(wine.programCalls(),
              std::vector<std::string>({call + "<Silver> <Large>", call + "<Blue> <Normal>"}));
    EXPECT_FALSE(fs::exists(prefix / "user.reg")) << "Wine's own program records the style";

    // What the style does not offer is refused with what it offers; Wine never hears of it.
    expectResult(runOn(prefix, {"--apply", "Royale", "--color", "Gold"}), 1, "",
                 "kolvmgr: Visual Style Royale offers no colour scheme Gold; it offers: Blue, Silver\n");
    expectResult(runOn(prefix, {"--apply", "Royale", "--color", "Blue", "--size", "Huge"}), 1, "",
                 "kolvmgr: Visual Style Royale offers no size Huge; it offers: Normal, Large\n");
    EXPECT_EQ(wine.programCalls().size(), 2u);

    // Wine's answer when it refuses, and a Windows program that hangs, are said as such.
    wine.reply("kolvmgr-apply-theme 1\nerror: the theme service refused the style (0x80070490)\n", 43);
    expectResult(runOn(prefix, {"--apply", "Royale"}), 1, "",
                 "kolvmgr: Visual Style Royale was not applied: Wine's theme service refused it: the theme "
                 "service refused the style (0x80070490).\n");
    EXPECT_FALSE(fs::exists(prefix / "user.reg"));

    // A 32-bit prefix gets the 32-bit program.
    std::ofstream(prefix / "system.reg") << "WINE REGISTRY Version 2\n\n#arch=win32\n";
    wine.reply("kolvmgr-apply-theme 1\ndone\n", 0);
    expectResult(runOn(prefix, {"--apply", "Royale"}), 0, kApplied, "");
    EXPECT_EQ(wine.programCalls().back(),
              "WINEPREFIX=" + prefix.string() + " [" + wine.themeProgram("i686") +
                  "] [apply] <%systemroot%\\Resources\\Themes\\Royale\\Royale.msstyles> "
                  "<Blue> <Normal>");
}

TEST_F(CommandLine, AStyleFileTheReaderRefusesNeverReachesWine) {
    addStyle(prefix, "Broken", {"Broken.msstyles"});
    testing_support::FakeWine wine(prefix, scratch / "wine", {false, "win64"});
    expectResult(
        runOn(prefix, {"--apply", "Broken"}), 1, "",
        "kolvmgr: Visual Style Broken cannot be applied: its file Broken.msstyles is damaged or is no "
        "visual style that Wine's theme service can load. Nothing was changed.\n");
    // A scheme named is looked for only in a file that can be read.
    expectResult(
        runOn(prefix, {"--apply", "Broken", "--color", "Blue"}), 1, "",
        "kolvmgr: Visual Style Broken cannot be applied: its file Broken.msstyles is damaged or is no "
        "visual style that Wine's theme service can load. Nothing was changed.\n");
    EXPECT_TRUE(wine.programCalls().empty());
    EXPECT_FALSE(fs::exists(prefix / "user.reg"));
}

TEST_F(CommandLine, WhereWineCannotRunTheProgramTheRegistryAloneRecordsTheStyle) {
    const fs::path folder = themes(prefix) / "Royale";
    fs::create_directories(folder);
    std::ofstream(folder / "Royale.msstyles", std::ios::binary)
        << testing_support::styleFile({u"Blue", u"Silver"}, {u"Normal"});
    testing_support::FakeWine wine(prefix, scratch / "wine", {false, "win32"});
    // What wine says when the prefix's architecture cannot run here: the program never ran.
    wine.reply("", 1);
    expectResult(runOn(prefix, {"--apply", "Royale", "--color", "silver"}), 0, kApplied,
                 registryOnlyNote("wine could not run kolvmgr-apply-theme-i686.exe"));
    Registry reg(prefix);
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, key, "DllName"),
              "%systemroot%\\Resources\\Themes\\Royale\\Royale.msstyles");
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, key, "ColorName"), "Silver");
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, key, "ThemeActive"), "1");
}

// Wine's theme service cut short (its program killed, or its wineserver stopped, where wine
// may still end with status 0): what the registry holds afterwards decides what is said.
TEST_F(CommandLine, AnApplyCutShortIsJudgedByWhatTheRegistryHolds) {
    const fs::path folder = themes(prefix) / "Royale";
    fs::create_directories(folder);
    std::ofstream(folder / "Royale.msstyles", std::ios::binary)
        << testing_support::styleFile({u"Blue", u"Silver"}, {u"Normal"});
    testing_support::FakeWine wine(prefix, scratch / "wine", {false, "win64"});
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
    // A record as the theme service may leave it, ready in a root of its own.
    const auto record = [&](const char* name, const std::string& dll, const std::string& color) {
        const fs::path root = scratch / name;
        fs::create_directories(root);
        Registry reg(root);
        for (const auto& [value, data] : {std::pair<std::string, std::string>{"ThemeActive", "1"},
                                          {"DllName", dll},
                                          {"ColorName", color},
                                          {"SizeName", "Normal"}})
            EXPECT_EQ(setString(reg, HKEY_CURRENT_USER, key, value, data), ERROR_SUCCESS);
        return root / "user.reg";
    };
    fs::copy_file(record("before", "%systemroot%\\Resources\\Themes\\Other\\Other.msstyles", "Blue"),
                  prefix / "user.reg");
    const std::string before = readFile(prefix / "user.reg");
    wine.reply("kolvmgr-apply-theme 1\n", 0);
    const std::string cutShort =
        "Wine's theme service was stopped before it answered: kolvmgr-apply-theme-x86_64.exe ended before it "
        "said how it went";

    // Stopped before the theme service wrote anything.
    expectResult(runOn(prefix, {"--apply", "Royale", "--color", "silver"}), 1, "",
                 "kolvmgr: Visual Style Royale was not applied: " + cutShort + ".\n");
    EXPECT_EQ(readFile(prefix / "user.reg"), before);

    // Stopped with the record neither the old one nor the new one.
    wine.also("cp '" +
              record("mixed", "%systemroot%\\Resources\\Themes\\Royale\\Royale.msstyles", "Blue").string() +
              "' '" + (prefix / "user.reg").string() + "'");
    expectResult(runOn(prefix, {"--apply", "Royale", "--color", "silver"}), 1, "",
                 "kolvmgr: Visual Style Royale may not have been applied: " + cutShort +
                     "; whether the change took cannot be told.\n");

    // Stopped after the theme service recorded the style, in the spelling it was given.
    wine.also("cp '" +
              record("new", "C:\\WINDOWS\\RESOURCES\\THEMES\\ROYALE\\ROYALE.MSSTYLES", "Silver").string() +
              "' '" + (prefix / "user.reg").string() + "'");
    expectResult(runOn(prefix, {"--apply", "Royale", "--color", "silver"}), 0, kApplied, "");
}

namespace {

// Every file below folder with its bytes, for "nothing changed".
std::map<std::string, std::string> filesBelow(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path().string()] = readFile(entry.path());
    return files;
}

} // namespace

// A prefix another Wine made: the Wine on PATH would run its prefix update first, so it is
// never started there; the registry files take the style, and the user is told which Wine
// and how to name the prefix's own.
TEST_F(CommandLine, APrefixOfAnotherWineIsNeverHandedToThisOne) {
    const fs::path folder = themes(prefix) / "Royale";
    fs::create_directories(folder);
    std::ofstream(folder / "Royale.msstyles", std::ios::binary)
        << testing_support::styleFile({u"Blue"}, {u"Normal"});
    testing_support::FakeWine wine(prefix, scratch / "wine", {false, "win64"});
    std::ofstream(prefix / ".update-timestamp") << "1600000000\n";
    std::ofstream(prefix / "drive_c" / "windows" / "system32" / "kernel32.dll") << "another build's";
    const auto before = filesBelow(prefix / "drive_c");
    const std::string wineProgram = (wine.build() / "bin" / "wine").string();

    expectResult(
        runOn(prefix, {"--apply", "Royale"}), 0, kApplied,
        registryOnlyNote("starting " + wineProgram +
                         " would update the prefix (its .update-timestamp holds 1600000000, the wine.inf "
                         "of " +
                         wineProgram + " has the time 1676758571)") +
            "kolvmgr: the prefix's own Wine can be named with --wine PATH (its wine program, or the "
            "folder of its build)\n");
    EXPECT_TRUE(wine.calls().empty()) << "this Wine was started in the prefix";
    EXPECT_EQ(filesBelow(prefix / "drive_c"), before);
    EXPECT_EQ(readFile(prefix / ".update-timestamp"), "1600000000\n");
    Registry reg(prefix);
    EXPECT_EQ(
        text(reg, HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", "DllName"),
        "%systemroot%\\Resources\\Themes\\Royale\\Royale.msstyles");

    // Named on the command line, the prefix's own Wine is the one started.
    const fs::path own = scratch / "own" / "bin";
    fs::create_directories(own);
    fs::copy_file(wine.build() / "bin" / "wine", own / "wine");
    testing_support::madeByWineIn(prefix, own);
    std::ofstream(prefix / ".update-timestamp") << "1676758571\n";
    expectResult(runOn(prefix, {"--wine", (own / "wine").string(), "--apply", "Royale"}), 0, kApplied, "");
    EXPECT_EQ(wine.programCalls().size(), 1u) << "the call went through the Wine named";
}

// A server of a build the program cannot reach runs for the prefix: nothing may talk to it,
// the change is refused with the reason, and nothing of the files is touched (the server
// would overwrite them).
TEST_F(CommandLine, WhileAServerOfAnUnknownBuildRunsNothingIsWritten) {
    addStyle(prefix, "Luna", {"luna.msstyles"});
    testing_support::FakeWine wine(prefix, scratch / "wine", {false, nullptr});
    const fs::path lone = scratch / "lone" / "wineserver";
    testing_support::StandInServer server(prefix, lone);
    std::ofstream(prefix / "user.reg") << "WINE REGISTRY Version 2\n";
    const std::string hive = readFile(prefix / "user.reg");
    const Result r = runOn(prefix, {"--apply", "Luna"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(
        r.err.find("kolvmgr: Visual Style Luna was not applied: Wine is running in the prefix, and no wine "
                   "that can reach it may be started (no wine lies beside the running wineserver " +
                   lone.string() + ").\n"),
        std::string::npos)
        << r.err;
    EXPECT_EQ(readFile(prefix / "user.reg"), hive);
    EXPECT_TRUE(wine.calls().empty());
}

TEST_F(CommandLine, ClassicTurnsThemingOffOrAsksWinesThemeService) {
    // Without Wine: theming off in the registry.
    expectResult(
        runOn(prefix, {"--classic"}), 0,
        "The classic look is recorded. You will need to logoff and login again to apply the settings\n", "");
    {
        Registry reg(prefix);
        EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager",
                       "ThemeActive"),
                  "0");
    }
    fs::remove(prefix / "user.reg");
    testing_support::FakeWine wine(prefix, scratch / "wine", {false, "win64"});
    expectResult(runOn(prefix, {"--classic"}), 0,
                 "The classic look is applied: programs started from now on show no visual style.\n", "");
    EXPECT_EQ(wine.programCalls(), std::vector<std::string>({"WINEPREFIX=" + prefix.string() + " [" +
                                                             wine.themeProgram("x86_64") + "] [classic]"}));
    EXPECT_FALSE(fs::exists(prefix / "user.reg"));
    wine.reply("kolvmgr-apply-theme 1\nerror: uxtheme.dll or its apply entry points cannot be loaded (126)\n",
               41);
    expectResult(
        runOn(prefix, {"--classic"}), 1, "",
        "kolvmgr: The classic look was not applied: Wine's theme service failed: uxtheme.dll or its apply "
        "entry points cannot be loaded (126).\n");
}

// A style whose string table names its schemes and sizes for people, and whose
// [documentation] says who made it.
std::string namedStyle() {
    using testing_support::nameList;
    using testing_support::PeBuilder;
    using testing_support::stringBlock;
    using testing_support::utf16;
    std::vector<testing_support::PeResource> resources{
        {u"PACKTHEM_VERSION", std::string("\x03\x00", 2)},
        {u"COLORNAMES", nameList({u"NormalColor", u"Metallic"})},
        {u"SIZENAMES", nameList({u"NormalSize"})},
        {u"FILERESNAMES", nameList({u"NORMAL_INI", u"METALLIC_INI"})},
        {u"TEXTFILE", utf16(u"[SysMetrics]\r\n"), 0, u"NORMAL_INI"},
        {u"TEXTFILE", utf16(u"[SysMetrics]\r\n"), 0, u"METALLIC_INI"},
        {u"TEXTFILE", utf16(u"[documentation]\r\nDisplayName = Royale\tNoir\r\nAuthor = Somebody\r\n"), 0,
         u"THEMES_INI"},
        // Ids 1000 and 1001, the display names of the two schemes.
        {u"", stringBlock({{8, u"Blue"}, {9, u"Silver"}}), 63, u"", 0x409, 6},
    };
    return PeBuilder::build(resources);
}

TEST_F(CommandLine, SchemesAreNamedByTheirDisplayNamesTooAndListedForScripts) {
    const fs::path folder = themes(prefix) / "Royale";
    fs::create_directories(folder);
    std::ofstream(folder / "Royale.msstyles", std::ios::binary) << namedStyle();
    addStyle(prefix, "Plain", {"plain.msstyles"});
    testing_support::FakeWine wine(prefix, scratch / "wine", {false, "win64"});

    // The display name means the scheme the registry records by its own name.
    expectResult(runOn(prefix, {"--apply", "Royale", "--color", "silver"}), 0, kApplied, "");
    ASSERT_EQ(wine.programCalls().size(), 1u);
    EXPECT_NE(wine.programCalls()[0].find("<Metallic> <NormalSize>"), std::string::npos)
        << wine.programCalls()[0];
    expectResult(runOn(prefix, {"--apply", "Royale", "--color", "Gold"}), 1, "",
                 "kolvmgr: Visual Style Royale offers no colour scheme Gold; it offers: NormalColor (Blue), "
                 "Metallic (Silver)\n");

    // One line a style; what a readable file gives follows its name, a field after each
    // tab, a tab within a field's text made a blank. A file that cannot be read: the name.
    expectResult(
        runOn(prefix, {"--list"}), 0,
        "  Plain\n"
        "  Royale\tcolors=NormalColor,Metallic\tsizes=NormalSize\tname=Royale Noir\tauthor=Somebody\n",
        "");
}
