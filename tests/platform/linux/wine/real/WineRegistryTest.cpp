// Against a real Wine, in one fresh prefix for the whole program: writes while a wineserver
// runs reach its running registry (Wine's own `reg query` sees them) and are in the hive
// files once the server has stopped; what the program reads and decides while it runs is
// what the server holds, not the stale file; and the hives Wine writes are read in their
// own order.
#include "WinePrefix.h"
#include "platform/Registry.h"
#include "platform/linux/hive/HiveCase.h"
#include "platform/linux/hive/HiveDocument.h"
#include "platform/linux/wine/WineInstall.h"
#include "platform/shared/RegistryCalls.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace platform;
using namespace registry_test;
using namespace wine_test;

namespace {

class WinePrefix : public ::testing::Environment {
public:
    void SetUp() override {
        for (const char* tool : {"wine", "wineboot", "wineserver"})
            if (!findProgramOnPath(tool))
                g_skip += std::string(g_skip.empty() ? "" : ", ") + tool;
        if (!g_skip.empty()) {
            g_skip = "not found on PATH: " + g_skip + " (scripts/deps installs Wine)";
            return;
        }
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kolv-wine-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            g_skip = "no temporary folder";
            return;
        }
        g_prefix = fs::path(pattern) / "prefix";
        ::setenv("WINEPREFIX", g_prefix.c_str(), 1);
        ::setenv("WINEDEBUG", "-all", 1);
        // No Mono or Gecko installer asking questions.
        ::setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
        // The program's summaries of large hives stay in the scratch folder.
        ::setenv("XDG_CACHE_HOME", (fs::path(pattern) / "cache").c_str(), 1);
        if (std::system("wineboot -i >/dev/null 2>&1") != 0 || std::system("wineserver -w") != 0) {
            g_skip = "wineboot could not make a prefix";
            return;
        }
        startServer();
        if (!wineserverRunning(g_prefix))
            g_skip = "the wineserver did not start";
    }
    void TearDown() override {
        if (g_prefix.empty())
            return;
        stopServer();
        std::error_code ec;
        fs::remove_all(g_prefix.parent_path(), ec);
    }
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new WinePrefix);

// A value's line in `wine reg query` output: "    <name>    <type>    <data>".
bool queried(const std::string& output, const std::string& name, const std::string& type,
             const std::string& data) {
    return output.find("    " + name + "    " + type + "    " + data) != std::string::npos;
}

} // namespace

TEST(WineRegistry, WritesReachTheRunningRegistryAndTheFiles) {
    if (!g_skip.empty())
        GTEST_SKIP() << "wine: " << g_skip;
    startServer();
    Registry reg(g_prefix);
    EXPECT_EQ(reg.prefixState(), Registry::PrefixState::WineWrites);

    // One write, the way the first-run flag or the checkup's date is written.
    {
        RegistryBatch batch(reg);
        ASSERT_EQ(
            setString(reg, HKEY_CURRENT_USER, "Software\\Quorlin\\Zevra", "LastChk", "1.1.2025 10:00:00"),
            ERROR_SUCCESS);
        ASSERT_EQ(batch.end(), ERROR_SUCCESS);
    }
    // One command's several values, of each type, in one call.
    {
        RegistryBatch batch(reg);
        const std::string key = "Software\\Kolv]Test";
        ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, key, "Text", "caf\xE9 \"quoted\" back\\slash"),
                  ERROR_SUCCESS);
        ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, key, "Dllname", "%systemroot%\\Resources\\Themes\\Luna",
                            REG_EXPAND_SZ),
                  ERROR_SUCCESS);
        HKEY h = 0;
        ASSERT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, key, &h), ERROR_SUCCESS);
        const uint8_t number[4] = {0x01, 0x02, 0x03, 0x04};
        ASSERT_EQ(reg.RegSetValueExA(h, "Number", 0, REG_DWORD, number, 4), ERROR_SUCCESS);
        const uint8_t bytes[2] = {0xDE, 0xAD};
        ASSERT_EQ(reg.RegSetValueExA(h, "Two\nLines", 0, REG_BINARY, bytes, 2), ERROR_SUCCESS);
        ASSERT_EQ(reg.RegSetValueExA(h, "Gone", 0, REG_SZ, reinterpret_cast<const uint8_t*>("x"), 2),
                  ERROR_SUCCESS);
        ASSERT_EQ(reg.RegDeleteValueA(h, "Gone"), ERROR_SUCCESS);
        reg.RegCloseKey(h);
        ASSERT_EQ(
            setString(reg, HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{B691D85E}", "", "Visual Styles"),
            ERROR_SUCCESS);
        ASSERT_EQ(batch.end(), ERROR_SUCCESS);
    }

    // The program reads its own writes at once.
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\Kolv]Test", "Text"), "caf\xE9 \"quoted\" back\\slash");
    EXPECT_EQ(text(reg, HKEY_CLASSES_ROOT, "CLSID\\{B691D85E}", ""), "Visual Styles");

    // Wine's own tool sees them in the running registry.
    const std::string user = run("wine reg query 'HKCU\\Software\\Kolv]Test' 2>/dev/null");
    EXPECT_TRUE(queried(user, "Dllname", "REG_EXPAND_SZ", "%systemroot%\\Resources\\Themes\\Luna")) << user;
    EXPECT_TRUE(queried(user, "Number", "REG_DWORD", "0x4030201")) << user;
    EXPECT_TRUE(queried(user, "Text", "REG_SZ", "caf")) << user;
    EXPECT_NE(user.find("\"quoted\" back\\slash"), std::string::npos) << user;
    EXPECT_EQ(user.find("Gone"), std::string::npos) << user;
    const std::string classes = run("wine reg query 'HKCR\\CLSID\\{B691D85E}' 2>/dev/null");
    EXPECT_TRUE(queried(classes, "(Default)", "REG_SZ", "Visual Styles")) << classes;

    // Stopped, the server writes its registry to the files, where a new reader finds it.
    ASSERT_EQ(std::system("wineserver -k; wineserver -w"), 0);
    ASSERT_FALSE(wineserverRunning(g_prefix));
    const std::string file = readFile(g_prefix / "user.reg");
    EXPECT_NE(file.find("\"Dllname\"=str(2):\"%systemroot%\\\\Resources\\\\Themes\\\\Luna\""),
              std::string::npos);
    EXPECT_NE(file.find("\"Two\\nLines\"=hex:de,ad"), std::string::npos);
    Registry fresh(g_prefix);
    EXPECT_EQ(text(fresh, HKEY_CURRENT_USER, "Software\\Kolv]Test", "Text"),
              "caf\xE9 \"quoted\" back\\slash");
    EXPECT_EQ(text(fresh, HKEY_CURRENT_USER, "Software\\Quorlin\\Zevra", "LastChk"), "1.1.2025 10:00:00");
    EXPECT_EQ(text(fresh, HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{B691D85E}", ""), "Visual Styles");
    const auto number = query(fresh, HKEY_CURRENT_USER, "Software\\Kolv]Test", "Number");
    ASSERT_TRUE(number);
    EXPECT_EQ(number->first, REG_DWORD);
    EXPECT_EQ(number->second, std::string("\x01\x02\x03\x04", 4));
    EXPECT_FALSE(query(fresh, HKEY_CURRENT_USER, "Software\\Kolv]Test", "Gone"));
    // Without a server the files are written directly again.
    EXPECT_EQ(fresh.prefixState(), Registry::PrefixState::Free);
    EXPECT_EQ(setString(fresh, HKEY_CURRENT_USER, "Software\\Kolv]Test", "After", "files"), ERROR_SUCCESS);
    EXPECT_NE(readFile(g_prefix / "user.reg").find("\"After\"=\"files\""), std::string::npos);
}

namespace {

// Wine's case table, as its server loads it: l_intl.nls in Wine's data folder.
std::vector<uint16_t> winesLowerCaseTable() {
    for (const char* folder :
         {"/usr/share/wine/nls", "/usr/local/share/wine/nls", "/opt/wine-stable/share/wine/nls",
          "/opt/wine-devel/share/wine/nls", "/opt/wine-staging/share/wine/nls"}) {
        const std::string bytes = readFile(fs::path(folder) / "l_intl.nls");
        if (bytes.size() < 4)
            continue;
        auto word = [&](size_t i) -> uint32_t {
            return i * 2 + 1 < bytes.size() ? uint8_t(bytes[i * 2]) | uint8_t(bytes[i * 2 + 1]) << 8 : 0;
        };
        // The header's size, then the upper-case table's, then the lower-case table.
        size_t offset = word(0);
        offset += word(offset);
        const size_t size = word(offset) - 1;
        ++offset;
        std::vector<uint16_t> table;
        for (size_t i = 0; i < size; ++i)
            table.push_back(static_cast<uint16_t>(word(offset + i)));
        return table;
    }
    return {};
}

} // namespace

TEST(WineRegistry, TheHivesWineWritesAreReadInTheirOwnOrder) {
    if (!g_skip.empty())
        GTEST_SKIP() << "wine: " << g_skip;
    stopServer();
    for (const char* name : {"system.reg", "user.reg"}) {
        hive::Document doc;
        ASSERT_FALSE(doc.parse(readFile(g_prefix / name))) << name;
        EXPECT_TRUE(doc.summary().sorted) << name << " is read as a hive in Wine's order";
    }
    // Names compare as Wine's server compares them: unit by unit after its lower case.
    const std::vector<uint16_t> table = winesLowerCaseTable();
    if (table.empty())
        GTEST_SKIP() << "Wine's l_intl.nls was not found";
    int differing = 0;
    for (uint32_t unit = 0; unit < 0x10000; ++unit) {
        auto at = [&](size_t i) -> uint16_t { return i < table.size() ? table[i] : 0; };
        const auto wine =
            static_cast<char16_t>(unit + at(at(at(unit >> 8) + ((unit >> 4) & 0x0f)) + (unit & 0x0f)));
        if (hive::foldUnit(static_cast<char16_t>(unit)) != wine && ++differing <= 5)
            ADD_FAILURE() << "unit " << std::hex << unit << ": Wine " << uint32_t(wine) << ", ours "
                          << uint32_t(hive::foldUnit(static_cast<char16_t>(unit)));
    }
    EXPECT_EQ(differing, 0);
}

TEST(WineRegistry, WhatIsStoredWhileWineRunsIsWhatItHolds) {
    if (!g_skip.empty())
        GTEST_SKIP() << "wine: " << g_skip;
    // Real styles (Wine's own under two names): Apply goes through Wine's theme service,
    // which takes no file that is no style.
    const auto light = wineStyleFile(wineLibraryFolders());
    if (!light)
        GTEST_SKIP() << "Wine's light.msstyles was not found";
    const fs::path themes = g_prefix / "drive_c" / "windows" / "resources" / "themes";
    for (const char* style : {"Zune", "Royale"}) {
        fs::create_directories(themes / style);
        fs::copy_file(*light, themes / style / (std::string(style) + ".msstyles"),
                      fs::copy_options::overwrite_existing);
    }
    const std::string applied =
        "Selected visual style applied. You will need to logoff and login again to apply the settings\n";
    const std::string themeManager = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
    auto held = [&] { return run("wine reg query '" + themeManager + "' /v DllName 2>/dev/null"); };

    // A Wine program runs; Zune applied, and Wine has saved it: file and Wine agree.
    startServer();
    Result r = kolvmgr({"--apply", "Zune"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, applied);
    stopServer();
    startServer();
    // Royale applied: Wine holds it, the file still says Zune.
    r = kolvmgr({"--apply", "Royale"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(held().find("Royale"), std::string::npos);
    EXPECT_NE(readFile(g_prefix / "user.reg").find("Zune\\\\Zune.msstyles"), std::string::npos);
    // What the program shows is what Wine holds.
    r = kolvmgr({"--list"});
    EXPECT_NE(r.out.find("* Royale\t"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  Zune\t"), std::string::npos) << r.out;
    r = kolvmgr({"--check"});
    EXPECT_NE(r.out.find("Message: You are using Blue of %systemroot%\\Resources\\Themes\\Royale\\"
                         "Royale.msstyles.\n"),
              std::string::npos)
        << r.out;
    // Zune again: the file says Zune already, Wine does not: it is sent.
    r = kolvmgr({"--apply", "Zune"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, applied);
    EXPECT_NE(held().find("Zune\\Zune.msstyles"), std::string::npos) << held();
    stopServer();
    const std::string file = readFile(g_prefix / "user.reg");
    EXPECT_NE(file.find("Zune\\\\Zune.msstyles"), std::string::npos);
    EXPECT_EQ(file.find("Royale\\\\Royale.msstyles"), std::string::npos);
}
