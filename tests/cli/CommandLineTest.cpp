// The command line as a user or a script meets it: the built program in a process of its
// own, without a display, its standard output, standard error and exit code compared
// exactly.
#include "FakeThemeWine.h"
#include "app/ArchiveBuilder.h"
#include "app/StyleFileBuilder.h"
#include "platform/FakeWine.h"
#include "platform/Registry.h"
#include "platform/shared/RegistryCalls.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace fs = std::filesystem;
using namespace platform;
using namespace registry_test;

extern char** environ;

namespace {

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const std::string kThemes = "C:\\windows\\Resources\\Themes\\";
const std::string kUsageHint = "Try 'kolvmgr --help' for more information.\n";

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kolv-cli-XXXXXX";
        ASSERT_TRUE(::mkdtemp(pattern.data()));
        scratch = pattern;
        home = scratch / "home";
        prefix = makePrefix(scratch / "prefix");
        fs::create_directories(home);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(scratch, ec);
    }

    static fs::path makePrefix(const fs::path& folder) {
        fs::create_directories(folder / "drive_c" / "windows" / "Resources" / "Themes");
        fs::create_directories(folder / "dosdevices");
        fs::create_directory_symlink("../drive_c", folder / "dosdevices" / "c:");
        return folder;
    }
    fs::path themes(const fs::path& root) const {
        return root / "drive_c" / "windows" / "Resources" / "Themes";
    }
    fs::path addStyle(const fs::path& root, const std::string& name,
                      const std::vector<std::string>& files) const {
        const fs::path folder = themes(root) / name;
        fs::create_directories(folder);
        for (const std::string& f : files) {
            fs::create_directories((folder / f).parent_path());
            std::ofstream(folder / f) << "data";
        }
        return folder;
    }

    // Runs the program with the arguments, in an environment of the test's making: no
    // display, the scratch home, and WINEPREFIX only when given.
    Result run(const std::vector<std::string>& args,
               const std::map<std::string, std::string>& vars = {}) const {
        std::vector<std::string> env = {
            "HOME=" + home.string(), "XDG_CONFIG_HOME=" + (home / ".config").string(),
            "XDG_DATA_HOME=" + (home / ".local/share").string(), "LC_ALL=C.UTF-8"};
        for (const char* keep : {"PATH", "TMPDIR"})
            if (const char* v = std::getenv(keep))
                env.push_back(std::string(keep) + "=" + v);
        // The sanitizers' settings reach a program built with them.
        for (char** e = environ; *e; ++e)
            if (std::string_view(*e).starts_with("ASAN_") || std::string_view(*e).starts_with("LSAN_") ||
                std::string_view(*e).starts_with("UBSAN_"))
                env.emplace_back(*e);
        for (const auto& [name, value] : vars)
            env.push_back(name + "=" + value);
        std::vector<std::string> argv{KOLVMGR_PROGRAM};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> argp, envp;
        for (auto& a : argv)
            argp.push_back(a.data());
        argp.push_back(nullptr);
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);

        const fs::path out = scratch / "stdout", err = scratch / "stderr";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = -1;
        Result result;
        if (::posix_spawn(&pid, KOLVMGR_PROGRAM, &actions, nullptr, argp.data(), envp.data()) == 0) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            result.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        posix_spawn_file_actions_destroy(&actions);
        result.out = readFile(out);
        result.err = readFile(err);
        return result;
    }
    Result runOn(const fs::path& root, std::vector<std::string> args) const {
        args.insert(args.begin(), {"--prefix", root.string()});
        return run(args);
    }

    // The catalogue's order: the file system's.
    std::vector<std::string> folderOrder(const fs::path& root) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(themes(root)))
            if (entry.is_directory())
                names.push_back(entry.path().filename().string());
        return names;
    }

    fs::path scratch, home, prefix;
};

void expectResult(const Result& r, int code, const std::string& out, const std::string& err) {
    EXPECT_EQ(r.code, code);
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(r.err, err);
}

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

TEST_F(CommandLine, BadUsageIsExitCodeTwo) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--frobnicate"}, "unknown option --frobnicate"},
        {{"--apply"}, "--apply needs a style name"},
        {{"--uninstall", ""}, "--uninstall needs a style name"},
        {{"--list", "--prefix"}, "--prefix needs a folder"},
        {{"--prefix", "a", "--prefix", "b", "--list"}, "--prefix is given twice"},
        {{"--list", "--apply", "Luna"}, "--list and --apply cannot be given together"},
        {{"--list", "--log", "x.log"}, "--log goes only with --check"},
        {{"--check", "--log"}, "--log needs a file"},
        {{"--install"}, "--install needs at least one archive"},
        {{"--list", "extra"}, "unexpected argument extra"},
        {{"--list", "--color", "Blue"}, "--color goes only with --apply"},
        {{"--classic", "--size", "Large"}, "--size goes only with --apply"},
        {{"--apply", "Luna", "--color", "Blue", "--color", "Olive"}, "--color is given twice"},
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

TEST_F(CommandLine, PrefixesListsWhatIsFoundAndMarksTheManagedOne) {
    fs::create_directories(home / ".wine" / "drive_c");
    const fs::path bottle = home / ".local/share/bottles/bottles/Games";
    fs::create_directories(bottle / "drive_c");
    expectResult(run({"--prefixes"}), 0,
                 "* " + (home / ".wine").string() + "\tWine: ~/.wine\n  " + bottle.string() +
                     "\tBottles: Games\n",
                 "");
    expectResult(run({"--prefix", bottle.string(), "--prefixes"}), 0,
                 "  " + (home / ".wine").string() + "\tWine: ~/.wine\n* " + bottle.string() +
                     "\tBottles: Games\n",
                 "");
    expectResult(run({"--prefixes"}, {{"WINEPREFIX", prefix.string()}}), 0,
                 "* " + prefix.string() + "\tWINEPREFIX\n  " + (home / ".wine").string() +
                     "\tWine: ~/.wine\n  " + bottle.string() + "\tBottles: Games\n",
                 "");
    // A managed root found nowhere else comes first, named by its folder.
    const fs::path other = makePrefix(scratch / "other");
    expectResult(run({"--prefix", other.string(), "--prefixes"}), 0,
                 "* " + other.string() + "\t" + other.string() + "\n  " + (home / ".wine").string() +
                     "\tWine: ~/.wine\n  " + bottle.string() + "\tBottles: Games\n",
                 "");
}

TEST_F(CommandLine, ListMarksTheAppliedStyle) {
    addStyle(prefix, "Luna", {"luna.msstyles"});
    addStyle(prefix, "Blue", {});
    addStyle(prefix, ".hidden", {});
    std::ofstream(themes(prefix) / "loose.txt") << "x";
    {
        Registry reg(prefix);
        ASSERT_EQ(setString(reg, HKEY_CURRENT_USER,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", "DllName",
                            "%SystemRoot%\\resources\\themes\\LUNA\\luna.msstyles"),
                  ERROR_SUCCESS);
    }
    std::string expected;
    for (const std::string& name : folderOrder(prefix))
        if (name != ".hidden")
            expected += (name == "Luna" ? "* " : "  ") + name + "\n";
    expectResult(runOn(prefix, {"--list"}), 0, expected, "");
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
    expectResult(
        runOn(prefix, {"--apply", "Luna"}), 0,
        "Selected visual style applied. You will need to logoff and login again to apply the settings\n",
        registryOnlyNote(prefix.string() + " is no prefix made by Wine"));
    ASSERT_EQ(wine.calls().size(), 1u) << "Dllname, ColorName and ThemeActive in one call";
    const std::string file = wine.file(0);
    for (const char* value : {"\"Dllname\"=hex(2):", "\"ColorName\"=hex(1):", "\"ThemeActive\"=hex(1):"})
        EXPECT_NE(file.find(value), std::string::npos) << file;
    EXPECT_FALSE(fs::exists(prefix / "user.reg")) << "the files are Wine's to write while it runs";

    wine.setExitCode(1);
    expectResult(runOn(prefix, {"--apply", "Luna"}), 1, "",
                 "kolvmgr: the registry of the running Wine in " + prefix.string() +
                     " was not changed: wine reg import ended with exit code 1 (reg: the fake tool says no)\n"
                     "kolvmgr: Visual Style Luna was not applied: the registry did not take the change.\n");
}

namespace {

const std::string kApplied =
    "Selected visual style applied. You will need to logoff and login again to apply the settings\n";

// The Windows program beside the program under test, as wine is handed it.
std::string themeProgram(const char* arch) {
    std::string path = "\\\\?\\unix";
    for (const char c :
         (fs::path(KOLVMGR_PROGRAM).parent_path() / ("kolvmgr-apply-theme-" + std::string(arch) + ".exe"))
             .string())
        path += c == '/' ? '\\' : c;
    return path;
}

bool themeProgramsBuilt() {
    return fs::exists(fs::path(KOLVMGR_PROGRAM).parent_path() / "kolvmgr-apply-theme-x86_64.exe") &&
           fs::exists(fs::path(KOLVMGR_PROGRAM).parent_path() / "kolvmgr-apply-theme-i686.exe");
}

} // namespace

TEST_F(CommandLine, InAWinePrefixApplyGoesThroughWinesThemeServiceWithTheChosenSchemeAndSize) {
    if (!themeProgramsBuilt())
        GTEST_SKIP() << "the Windows programs were not built (scripts/deps installs mingw-w64)";
    const fs::path folder = themes(prefix) / "Royale";
    fs::create_directories(folder);
    std::ofstream(folder / "Royale.msstyles", std::ios::binary)
        << testing_support::styleFile({u"Blue", u"Silver"}, {u"Normal", u"Large"});
    testing_support::FakeThemeWine wine(prefix, scratch);

    // Names in any case, spelled on as the style spells them; the defaults otherwise.
    expectResult(runOn(prefix, {"--apply", "royale", "--color", "SILVER", "--size", "large"}), 0, kApplied,
                 "");
    expectResult(runOn(prefix, {"--apply", "Royale"}), 0, kApplied, "");
    const std::string call = "WINEPREFIX=" + prefix.string() + " [" + themeProgram("x86_64") + "] [apply] " +
                             "<%systemroot%\\Resources\\Themes\\Royale\\Royale.msstyles> ";
    EXPECT_EQ(wine.calls(), std::vector<std::string>({call + "<Silver> <Large>", call + "<Blue> <Normal>"}));
    EXPECT_FALSE(fs::exists(prefix / "user.reg")) << "Wine's own program records the style";

    // What the style does not offer is refused with what it offers; Wine never hears of it.
    expectResult(runOn(prefix, {"--apply", "Royale", "--color", "Gold"}), 1, "",
                 "kolvmgr: Visual Style Royale offers no colour scheme Gold; it offers: Blue, Silver\n");
    expectResult(runOn(prefix, {"--apply", "Royale", "--color", "Blue", "--size", "Huge"}), 1, "",
                 "kolvmgr: Visual Style Royale offers no size Huge; it offers: Normal, Large\n");
    EXPECT_EQ(wine.calls().size(), 2u);

    // Wine's answer when it refuses, and a Windows program that hangs, are said as such.
    wine.reply("kolvmgr-apply-theme 1\nerror: the theme service refused the style (0x80070490)\n", 43);
    expectResult(runOn(prefix, {"--apply", "Royale"}), 1, "",
                 "kolvmgr: Visual Style Royale was not applied: Wine's theme service refused it: the theme "
                 "service refused the style (0x80070490).\n");
    EXPECT_FALSE(fs::exists(prefix / "user.reg"));

    // A 32-bit prefix gets the 32-bit program.
    std::ofstream(prefix / "system.reg") << "WINE REGISTRY Version 2\n\n#arch=win32\n";
    wine.reply("kolvmgr-apply-theme 1\n", 0);
    expectResult(runOn(prefix, {"--apply", "Royale"}), 0, kApplied, "");
    EXPECT_EQ(wine.calls().back(), "WINEPREFIX=" + prefix.string() + " [" + themeProgram("i686") +
                                       "] [apply] <%systemroot%\\Resources\\Themes\\Royale\\Royale.msstyles> "
                                       "<Blue> <Normal>");
}

TEST_F(CommandLine, AStyleFileTheReaderRefusesNeverReachesWine) {
    if (!themeProgramsBuilt())
        GTEST_SKIP() << "the Windows programs were not built (scripts/deps installs mingw-w64)";
    addStyle(prefix, "Broken", {"Broken.msstyles"});
    testing_support::FakeThemeWine wine(prefix, scratch);
    expectResult(
        runOn(prefix, {"--apply", "Broken"}), 1, "",
        "kolvmgr: Visual Style Broken cannot be applied: its file Broken.msstyles is damaged or is no "
        "visual style that Wine's theme service can load. Nothing was changed.\n");
    EXPECT_TRUE(wine.calls().empty());
    EXPECT_FALSE(fs::exists(prefix / "user.reg"));
}

TEST_F(CommandLine, WhereWineCannotRunTheProgramTheRegistryAloneRecordsTheStyle) {
    if (!themeProgramsBuilt())
        GTEST_SKIP() << "the Windows programs were not built (scripts/deps installs mingw-w64)";
    const fs::path folder = themes(prefix) / "Royale";
    fs::create_directories(folder);
    std::ofstream(folder / "Royale.msstyles", std::ios::binary)
        << testing_support::styleFile({u"Blue", u"Silver"}, {u"Normal"});
    testing_support::FakeThemeWine wine(prefix, scratch, "win32");
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

TEST_F(CommandLine, TheClassicLook) {
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
    if (!themeProgramsBuilt())
        GTEST_SKIP() << "the Windows programs were not built (scripts/deps installs mingw-w64)";
    fs::remove(prefix / "user.reg");
    testing_support::FakeThemeWine wine(prefix, scratch);
    expectResult(runOn(prefix, {"--classic"}), 0,
                 "The classic look is applied: programs started from now on show no visual style.\n", "");
    EXPECT_EQ(wine.calls(), std::vector<std::string>({"WINEPREFIX=" + prefix.string() + " [" +
                                                      themeProgram("x86_64") + "] [classic]"}));
    EXPECT_FALSE(fs::exists(prefix / "user.reg"));
    wine.reply("kolvmgr-apply-theme 1\nerror: uxtheme.dll or its apply entry points cannot be loaded (126)\n",
               41);
    expectResult(
        runOn(prefix, {"--classic"}), 1, "",
        "kolvmgr: The classic look was not applied: Wine's theme service failed: uxtheme.dll or its apply "
        "entry points cannot be loaded (126).\n");
}
