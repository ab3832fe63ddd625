// Several writers, interrupted saves and a running wineserver: no value is lost and no
// file is damaged.
#include "RegistryTestSupport.h"
#include "ScopedHook.h"
#include "platform/linux/wine/FakeWine.h"

#include "platform/linux/Recheck.h"
#include "platform/linux/hive/HiveFile.h"

#include <cstdio>

#include <fcntl.h>
#include <sys/wait.h>

using namespace platform;
using namespace registry_test;
using testing_support::EnvGuard;
using testing_support::FakeServer;
using testing_support::serverLeaf;

namespace {

// Runs body in a child process; answers its exit code.
template <class Body> int inChild(Body&& body) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool refuseSave(const std::filesystem::path&) {
    return false;
}
bool crashInSave(const std::filesystem::path&) {
    ::_exit(42);
}

} // namespace

using RegistrySharing = RegistryFixture;

TEST_F(RegistrySharing, TwoProcessesWritingTogetherLoseNothing) {
    constexpr int kValues = 1000;
    auto writer = [this](int who) {
        Registry reg(root());
        HKEY h = 0;
        if (reg.RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Shared", &h) != ERROR_SUCCESS)
            return 1;
        for (int i = 0; i < kValues; ++i) {
            const std::string name = "p" + std::to_string(who) + "_" + std::to_string(i);
            if (reg.RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const uint8_t*>(name.c_str()),
                                   static_cast<uint32_t>(name.size() + 1)) != ERROR_SUCCESS)
                return 2;
        }
        return 0;
    };
    std::fflush(nullptr);
    pid_t children[2];
    for (int who = 0; who < 2; ++who) {
        children[who] = ::fork();
        if (children[who] == 0)
            ::_exit(writer(who));
    }
    for (pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    Registry reg(root());
    int found = 0;
    for (int who = 0; who < 2; ++who)
        for (int i = 0; i < kValues; ++i) {
            const std::string name = "p" + std::to_string(who) + "_" + std::to_string(i);
            found += text(reg, HKEY_CURRENT_USER, "Software\\Shared", name) == name;
        }
    EXPECT_EQ(found, 2 * kValues);
    EXPECT_TRUE(strayFiles().empty());
}

TEST_F(RegistrySharing, AChangeByAnotherProcessIsSeen) {
    Registry first(root());
    ASSERT_EQ(setString(first, HKEY_CURRENT_USER, "Software\\K", "v", "one"), ERROR_SUCCESS);
    EXPECT_EQ(text(first, HKEY_CURRENT_USER, "Software\\K", "v"), "one");
    EXPECT_EQ(inChild([this] {
                  Registry other(root());
                  return setString(other, HKEY_CURRENT_USER, "Software\\K", "v", "two");
              }),
              0);
    // A write reads the file again first, so the other process's value survives it.
    ASSERT_EQ(setString(first, HKEY_CURRENT_USER, "Software\\K", "w", "mine"), ERROR_SUCCESS);
    EXPECT_EQ(text(first, HKEY_CURRENT_USER, "Software\\K", "v"), "two");
    EXPECT_EQ(inChild([this] {
                  Registry other(root());
                  return setString(other, HKEY_CURRENT_USER, "Software\\K", "v", "three");
              }),
              0);
    // Reads look at the file again after a short while.
    advanceRecheckClockForTests(kRecheckInterval);
    EXPECT_EQ(text(first, HKEY_CURRENT_USER, "Software\\K", "v"), "three");
    Registry fresh(root());
    EXPECT_EQ(text(fresh, HKEY_CURRENT_USER, "Software\\K", "w"), "mine");
}

TEST_F(RegistrySharing, AnInterruptedSaveLeavesTheOldFileWhole) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "old"), ERROR_SUCCESS);
    const std::string before = readFile(user());

    // The process dies between writing the new file and putting it in place.
    EXPECT_EQ(inChild([this] {
                  hive::setSaveHookForTests(crashInSave);
                  Registry other(root());
                  setString(other, HKEY_CURRENT_USER, "Software\\K", "v", "new");
                  return 0;
              }),
              42);
    EXPECT_EQ(readFile(user()), before);
    EXPECT_EQ(strayFiles().size(), 1u); // the dead process's temporary file
    {
        Registry fresh(root());
        EXPECT_EQ(text(fresh, HKEY_CURRENT_USER, "Software\\K", "v"), "old");
    }

    // The save fails there: the call reports it and memory drops the change.
    ::testing::internal::CaptureStderr();
    {
        const ScopedHook refused(&hive::setSaveHookForTests, refuseSave);
        EXPECT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "new"), ERROR_ACCESS_DENIED);
    }
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(user().string()), std::string::npos) << err;
    EXPECT_EQ(readFile(user()), before);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", "v"), "old");

    // The next good save also clears the leftover.
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "newer"), ERROR_SUCCESS);
    EXPECT_TRUE(strayFiles().empty());
    Registry fresh(root());
    EXPECT_EQ(text(fresh, HKEY_CURRENT_USER, "Software\\K", "v"), "newer");
}

TEST_F(RegistrySharing, ALinkedHiveStaysALink) {
    std::filesystem::create_directory(root() / "real");
    writeFile(root() / "real" / "user.reg", "WINE REGISTRY Version 2\n");
    std::filesystem::create_symlink("real/user.reg", user());
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "x"), ERROR_SUCCESS);
    EXPECT_TRUE(std::filesystem::is_symlink(user()));
    EXPECT_NE(readFile(root() / "real" / "user.reg").find("\"v\"=\"x\""), std::string::npos);
}

using RegistryWineserver = RegistryFixture;

// Where Wine's registry tool cannot be started (no wine on PATH), nothing can reach the
// running registry: writes are refused until the server stops.
TEST_F(RegistryWineserver, WritesWaitUntilTheServerStopsWhereWineCannotBeStarted) {
    EnvGuard path("PATH", (root() / "no-wine").c_str());
    const std::filesystem::path tmp = root() / "tmp";
    std::filesystem::create_directory(tmp);
    EnvGuard tmpDir("TMPDIR", tmp.c_str());
    writeFile(root() / "wineserver", "wine-kolv-test\n");

    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "before"), ERROR_SUCCESS);
    EXPECT_EQ(reg.prefixState(), Registry::PrefixState::Free);
    const std::string before = readFile(user());
    {
        FakeServer server(tmp / "wine-kolv-test" / serverLeaf(root()));
        EXPECT_EQ(reg.prefixState(), Registry::PrefixState::Busy);
        EXPECT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "during"), ERROR_ACCESS_DENIED);
        EXPECT_EQ(reg.RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\K"), ERROR_ACCESS_DENIED);
        HKEY h = 0;
        EXPECT_EQ(reg.RegCreateKeyA(HKEY_CURRENT_USER, "Software\\New", &h), ERROR_ACCESS_DENIED);
        EXPECT_EQ(readFile(user()), before);
        EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", "v"), "before");
        server.stop();
        EXPECT_EQ(reg.prefixState(), Registry::PrefixState::Free);
        EXPECT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "after"), ERROR_SUCCESS);
    }
}

TEST_F(RegistryWineserver, UpstreamServerFolderIsFoundToo) {
    EnvGuard path("PATH", (root() / "no-wine").c_str());
    const std::filesystem::path base = "/tmp/.wine-" + std::to_string(::getuid());
    const bool madeBase = !std::filesystem::exists(base);
    if (madeBase) // as Wine makes it: private to the user
        ::mkdir(base.c_str(), 0700);
    const std::filesystem::path folder = base / serverLeaf(root());
    Registry reg(root());
    {
        FakeServer server(folder);
        EXPECT_EQ(reg.prefixState(), Registry::PrefixState::Busy);
        EXPECT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "x"), ERROR_ACCESS_DENIED);
        EXPECT_FALSE(std::filesystem::exists(user()));
    }
    std::filesystem::remove_all(folder);
    if (madeBase)
        std::filesystem::remove(base);
    EXPECT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "x"), ERROR_SUCCESS);
}
