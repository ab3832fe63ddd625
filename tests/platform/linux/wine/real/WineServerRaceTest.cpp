// A wineserver that starts or stops while the program writes: a server that starts between
// the temporary file and the rename (and may have read the old file) loses nothing, and
// writes made while a server is started and stopped at random are each where the program
// said they are: none reported done and missing, none reported failed and there.
#include "ScopedHook.h"
#include "WinePrefix.h"
#include "platform/Diagnostics.h"
#include "platform/Registry.h"
#include "platform/linux/hive/HiveFile.h"
#include "platform/shared/RegistryCalls.h"

#include <atomic>
#include <random>

using namespace platform;
using namespace registry_test;
using namespace wine_test;

namespace {

const char kKey[] = "Software\\Kolv\\Race";

} // namespace

TEST(WineServerRace, AServerStartingBetweenTheTemporaryFileAndTheRenameLosesNothing) {
    if (!g_skip.empty())
        GTEST_SKIP() << "wine: " << g_skip;
    stopServer();
    Registry reg(g_prefix);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, kKey, "Before", "old"), ERROR_SUCCESS);
    // The server starts and reads the hive (the old file) while the new one waits to
    // replace it.
    int32_t written = ERROR_SUCCESS;
    {
        const ScopedHook startsDuringSave(&hive::setSaveHookForTests, [](const fs::path&) {
            startServer();
            return true;
        });
        written = setString(reg, HKEY_CURRENT_USER, kKey, "During", "new");
    }
    ASSERT_EQ(written, ERROR_SUCCESS);
    EXPECT_NE(run("wine reg query 'HKCU\\" + std::string(kKey) + "' /v During 2>/dev/null").find("new"),
              std::string::npos)
        << "the running server holds it";
    stopServer();
    EXPECT_NE(readFile(g_prefix / "user.reg").find("\"During\"=\"new\""), std::string::npos)
        << "and wrote it back when it stopped";
}

TEST(WineServerRace, WritesWhileAServerStartsAndStopsAtRandomAreWhereTheProgramSaid) {
    if (!g_skip.empty())
        GTEST_SKIP() << "wine: " << g_skip;
    stopServer();
    // Bounded in count and time: each write through Wine costs two starts of its tool.
    constexpr int kWrites = 24;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    std::atomic<bool> stop{false};
    std::thread serverLoop([&] {
        std::mt19937 random(26);
        while (!stop) {
            // Up for about as long as a few calls of Wine's tool take, down for a moment.
            std::system("wineserver -p 2>/dev/null");
            std::this_thread::sleep_for(std::chrono::milliseconds(1000 + random() % 3000));
            std::system("wineserver -k 2>/dev/null");
            std::this_thread::sleep_for(std::chrono::milliseconds(300 + random() % 1700));
        }
    });
    enum Said { Done, Failed, CannotTell };
    std::vector<Said> said;
    std::mt19937 random(2640);
    for (int i = 0; i < kWrites && std::chrono::steady_clock::now() < deadline; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 400));
        // As a command of its own: a registry of its own, the value in one batch.
        Registry reg(g_prefix);
        RegistryBatch batch(reg);
        const int32_t set =
            setString(reg, HKEY_CURRENT_USER, kKey, "W" + std::to_string(i), std::to_string(i));
        const int32_t sent = batch.end();
        if (set == ERROR_SUCCESS && sent == ERROR_SUCCESS) {
            said.push_back(Done);
            continue;
        }
        const Registry::WriteProblem problem = reg.writeProblem();
        said.push_back(problem.kind == Registry::WriteProblem::Unknown ? CannotTell : Failed);
        std::printf("write %d: %s\n", i, platform::wordsFor(problem.why).c_str());
    }
    stop = true;
    serverLoop.join();
    stopServer();

    Registry after(g_prefix);
    int lost = 0, falseFailures = 0, done = 0, failed = 0, cannotTell = 0;
    for (size_t i = 0; i < said.size(); ++i) {
        const bool there = text(after, HKEY_CURRENT_USER, kKey, "W" + std::to_string(i)).has_value();
        switch (said[i]) {
        case Done:
            ++done;
            lost += !there;
            break;
        case Failed:
            ++failed;
            falseFailures += there;
            break;
        case CannotTell:
            ++cannotTell;
            break;
        }
    }
    std::printf("writes against a server started and stopped at random: %zu written, %d done, %d failed, %d "
                "cannot tell; %d lost, %d false failures\n",
                said.size(), done, failed, cannotTell, lost, falseFailures);
    EXPECT_GE(said.size(), 10u) << "too few writes within the time";
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(falseFailures, 0);
}
