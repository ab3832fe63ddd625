// Writes while a real wineserver runs for the prefix: they reach its running registry
// (Wine's own `reg query` sees them), are read back by the program at once, and are in
// the hive files once the server has stopped. One fresh prefix serves the whole program.
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/Wineserver.h"
#include "platform/shared/RegistryCalls.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

using namespace platform;
using namespace registry_test;
namespace fs = std::filesystem;

namespace {

fs::path g_prefix;
std::string g_skip;

std::string run(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char block[4096];
        size_t n;
        while ((n = std::fread(block, 1, sizeof block, pipe)) > 0)
            out.append(block, n);
        ::pclose(pipe);
    }
    return out;
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

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
        if (std::system("wineboot -i >/dev/null 2>&1") != 0 || std::system("wineserver -w") != 0) {
            g_skip = "wineboot could not make a prefix";
            return;
        }
        // A server that stays until it is told to go, as while a Wine program runs.
        std::system("wineserver -p");
        for (int i = 0; i < 300 && !wineserverRunning(g_prefix); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!wineserverRunning(g_prefix))
            g_skip = "the wineserver did not start";
    }
    void TearDown() override {
        if (g_prefix.empty())
            return;
        std::system("wineserver -k 2>/dev/null; wineserver -w 2>/dev/null");
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
    Registry reg(g_prefix);
    EXPECT_EQ(reg.busyPrefixMessage(), "");
    EXPECT_NE(reg.wineWritesNote(), "");

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
    EXPECT_EQ(fresh.wineWritesNote(), "");
    EXPECT_EQ(setString(fresh, HKEY_CURRENT_USER, "Software\\Kolv]Test", "After", "files"), ERROR_SUCCESS);
    EXPECT_NE(readFile(g_prefix / "user.reg").find("\"After\"=\"files\""), std::string::npos);
}
