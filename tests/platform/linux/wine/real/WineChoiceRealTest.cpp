// The choice of a prefix's Wine against a real Wine: the wine beside a running server is
// found and known for the system's own build, the Wine that made the prefix may be started,
// and what the program predicts of a start is what Wine then does: a stamp of another
// build is updated (to the time of the build's wine.inf, which the program then accepts),
// one that says "disable" is left alone.
#include "WinePrefix.h"
#include "platform/WineChoice.h"
#include "platform/linux/EnvGuard.h"
#include "platform/linux/wine/PrefixUpdate.h"

using namespace platform::wine;
using namespace wine_test;
using testing_support::EnvGuard;

namespace {

UpdateCheck::Verdict verdict() {
    return updateCheck(g_prefix, *platform::findProgramOnPath("wine")).verdict;
}

} // namespace

TEST(WineChoiceReal, ThePrefixsOwnWineIsChosenAndWhatIsPredictedIsWhatWineDoes) {
    if (!g_skip.empty())
        GTEST_SKIP() << "wine: " << g_skip;
    // No launcher of this home records the prefix.
    const fs::path home = g_prefix.parent_path() / "choice-home";
    fs::create_directories(home);
    EnvGuard homeVar("HOME", home.c_str());
    EnvGuard wineVar("WINE", nullptr);
    const fs::path wine = *platform::findProgramOnPath("wine");

    startServer();
    WineChoice running = chooseWine(g_prefix, {});
    EXPECT_FALSE(running.why);
    EXPECT_EQ(running.source, WineSource::RunningServer);
    EXPECT_TRUE(running.name.starts_with("system ")) << running.name << ": the build of the wine on PATH";
    EXPECT_NE(run("'" + running.program.string() + "' cmd /c echo beside 2>/dev/null").find("beside"),
              std::string::npos)
        << running.program << " talks to the running server";
    stopServer();

    WineChoice own = chooseWine(g_prefix, {});
    EXPECT_FALSE(own.why) << "the Wine that made the prefix updates nothing";
    EXPECT_EQ(own.program, wine);
    const std::string madeBy = readFile(g_prefix / ".update-timestamp");

    // Another build's stamp: the program says the start would update, and Wine does.
    std::ofstream(g_prefix / ".update-timestamp") << "1\n";
    EXPECT_EQ(verdict(), UpdateCheck::WouldUpdate);
    EXPECT_TRUE(chooseWine(g_prefix, {}).program.empty());
    run("wine cmd /c exit 0 >/dev/null 2>&1; wineserver -w");
    EXPECT_EQ(readFile(g_prefix / ".update-timestamp"), madeBy) << "Wine stamped it anew";
    EXPECT_EQ(verdict(), UpdateCheck::WouldNotUpdate);

    // "disable": never updated, and Wine leaves it so.
    std::ofstream(g_prefix / ".update-timestamp") << "disable\n";
    EXPECT_EQ(verdict(), UpdateCheck::WouldNotUpdate);
    run("wine cmd /c exit 0 >/dev/null 2>&1; wineserver -w");
    EXPECT_EQ(readFile(g_prefix / ".update-timestamp"), "disable\n");
    std::ofstream(g_prefix / ".update-timestamp") << madeBy;
}
