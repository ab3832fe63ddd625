// Whether a Wine would update a prefix, decided as Wine decides it (the prefix's
// .update-timestamp against the build's wine.inf, read as wineboot reads them), and a
// running wineserver reached only through the wine beside it: a stand-in server whose
// program is another build's is found with its wine, one whose program is gone is not.
#include "platform/linux/wine/PrefixUpdate.h"
#include "StandInWines.h"
#include "common/ProblemText.h"
#include "platform/WineChoice.h"
#include "platform/linux/wine/ServerWine.h"
#include "platform/linux/wine/WineBuild.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace platform::wine;
using testing_support::kInfTime;
using testing_support::StandInHome;
using testing_support::StandInServer;
namespace fs = std::filesystem;

namespace {

std::string verdictOf(const fs::path& prefix, const fs::path& wine) {
    const UpdateCheck check = updateCheck(prefix, wine);
    switch (check.verdict) {
    case UpdateCheck::WouldNotUpdate:
        return check.disabled ? "never" : "no";
    case UpdateCheck::WouldUpdate:
        return check.stampMissing ? "yes, no stamp" : "yes";
    case UpdateCheck::CannotTell:
        return "cannot tell: " + quorlin::problemText(check.why);
    }
    return {};
}

} // namespace

TEST(PrefixUpdate, TheStampIsComparedAsWinebootComparesIt) {
    StandInHome h;
    const fs::path wine = h.build(h.scratch.root() / "build");
    const fs::path prefix = h.prefix(h.home / "p");
    const auto stamp = [&](const std::string& text) {
        h.file(prefix / ".update-timestamp", text);
        return verdictOf(prefix, wine);
    };
    const std::string now = std::to_string(kInfTime);
    EXPECT_EQ(stamp(now + "\n"), "no");
    EXPECT_EQ(stamp("  " + now + "junk"), "no") << "strtoul: blanks before, anything after";
    EXPECT_EQ(stamp(std::to_string(kInfTime - 1) + "\n"), "yes") << "a stamp of another build";
    EXPECT_EQ(stamp(""), "yes");
    EXPECT_EQ(stamp("disable"), "never");
    EXPECT_EQ(stamp("disabled\n"), "never") << "Wine compares the first seven letters";
    EXPECT_EQ(stamp(std::string("\0disable", 8)), "yes") << "a NUL ends the text";
    // wineboot is a Windows program: its unsigned long has 32 bits, so a number past them
    // is ULONG_MAX, not the time it would equal modulo 2^32.
    EXPECT_EQ(stamp(std::to_string((1ull << 32) + static_cast<unsigned long long>(kInfTime))), "yes");
    EXPECT_EQ(stamp("-" + std::to_string((1ull << 32) - static_cast<unsigned long long>(kInfTime))), "no")
        << "a minus sign negates modulo 2^32";
    fs::remove(prefix / ".update-timestamp");
    EXPECT_EQ(verdictOf(prefix, wine), "yes, no stamp");
    EXPECT_EQ(verdictOf(h.home / "no-prefix-here", wine), "yes, no stamp");
    fs::create_directory(prefix / ".update-timestamp");
    EXPECT_EQ(verdictOf(prefix, wine), "no") << "Wine cannot open a folder to update it";
    fs::remove(prefix / ".update-timestamp");

    // Looking changes nothing.
    h.file(prefix / ".update-timestamp", "12\n");
    struct stat before {
    }, after{};
    ::stat((prefix / ".update-timestamp").c_str(), &before);
    EXPECT_EQ(verdictOf(prefix, wine), "yes");
    ::stat((prefix / ".update-timestamp").c_str(), &after);
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
    EXPECT_EQ(before.st_mtim.tv_sec, after.st_mtim.tv_sec);

    // Whose wine.inf cannot be found, nobody can tell.
    const fs::path lone = h.scratch.root() / "lone" / "wine";
    StandInHome::script(lone, "exit 0\n");
    EXPECT_EQ(verdictOf(prefix, lone), "cannot tell: no wine.inf was found for " + lone.string());

    // And the choice refuses every start that would update.
    h.file(prefix / ".update-timestamp", "12\n");
    EXPECT_EQ(quorlin::problemText(chooseWine(prefix, {wine}).why),
              "starting " + wine.string() +
                  " would update the prefix (its .update-timestamp holds 12, the wine.inf of " +
                  wine.string() + " has the time " + std::to_string(kInfTime) + ")");
    fs::remove(prefix / ".update-timestamp");
    EXPECT_EQ(quorlin::problemText(chooseWine(prefix, {wine}).why),
              "starting " + wine.string() + " would update the prefix (it has no .update-timestamp)");
    EXPECT_TRUE(chooseWine(prefix, {wine}).program.empty());
}

TEST(PrefixUpdate, WineInfIsWhereEachLayoutKeepsIt) {
    StandInHome h;
    const fs::path root = h.scratch.root();
    // Upstream, a runner, Proton: ../share/wine beside bin/.
    EXPECT_EQ(wineInfOf(h.build(root / "opt")), root / "opt/share/wine/wine.inf");
    // Debian: /usr/lib/wine/wine64 and /usr/share/wine/wine.inf; /usr/bin/wine a script.
    const fs::path usr = root / "usr";
    StandInHome::script(usr / "lib/wine/wine64", "exit 0\n");
    StandInHome::script(usr / "bin/wine-stable", "exec " + (usr / "lib/wine/wine64").string() + " \"$@\"\n");
    fs::create_symlink(usr / "bin/wine-stable", usr / "bin/wine");
    h.file(usr / "share/wine/wine.inf", "[Version]\n");
    EXPECT_EQ(wineInfOf(usr / "lib/wine/wine64"), usr / "share/wine/wine.inf");
    EXPECT_EQ(wineInfOf(usr / "bin/wine"), usr / "share/wine/wine.inf");
    // A link to the program leads to its build.
    fs::create_directories(root / "links");
    fs::create_symlink(root / "opt/bin/wine", root / "links/wine");
    EXPECT_EQ(wineInfOf(root / "links/wine"), root / "opt/share/wine/wine.inf");
}

TEST(ServerWine, ARunningServerIsReachedOnlyThroughTheWineBesideIt) {
    StandInHome h;
    // The records name one build; the server running for the prefix is another's.
    const fs::path prefix = h.prefix(h.home / "p");
    const fs::path recorded = h.build(h.scratch.root() / "recorded");
    const fs::path other = h.scratch.root() / "other";
    const fs::path otherWine = h.build(other);
    {
        StandInServer server(prefix, other / "bin" / "wineserver", {"WINEFSYNC=1", "PATH=/bin"});
        const WineChoice choice = chooseWine(prefix, {recorded});
        EXPECT_TRUE(choice.serverRunning);
        EXPECT_FALSE(choice.why) << quorlin::problemText(choice.why);
        EXPECT_EQ(choice.program, otherWine);
        EXPECT_EQ(choice.source, WineSource::RunningServer);
        EXPECT_EQ(choice.name, otherWine.string());
        // Its clients share its fsync setting, and no esync it was not started with.
        const std::vector<EnvSetting>& env = choice.environment;
        EXPECT_NE(std::find(env.begin(), env.end(), EnvSetting{EnvSetting::Set, "WINEFSYNC", "1"}),
                  env.end());
        EXPECT_NE(std::find(env.begin(), env.end(), EnvSetting{EnvSetting::Unset, "WINEESYNC", ""}),
                  env.end());
        // Its own build named as the prefix's keeps its name.
        EXPECT_EQ(chooseWine(prefix, {otherWine}).name, otherWine.string());
    }
    // Where the server's wine is missing, nothing may be started.
    {
        const fs::path lone = h.scratch.root() / "lone" / "wineserver";
        StandInServer server(prefix, lone);
        const WineChoice choice = chooseWine(prefix, {recorded});
        EXPECT_TRUE(choice.program.empty());
        EXPECT_EQ(quorlin::problemText(choice.why),
                  "no wine lies beside the running wineserver " + lone.string());
    }
    // A server whose program was replaced since it started may be another build than the
    // wine now beside that path.
    {
        StandInServer server(prefix, other / "bin" / "wineserver");
        fs::remove(other / "bin" / "wineserver");
        StandInHome::script(other / "bin" / "wineserver", "exit 0\n");
        const WineChoice choice = chooseWine(prefix, {recorded});
        EXPECT_TRUE(choice.program.empty());
        EXPECT_EQ(quorlin::problemText(choice.why), "the program of the running wineserver, " +
                                                        (other / "bin" / "wineserver").string() +
                                                        ", was replaced since it started");
    }
    EXPECT_EQ(quorlin::problemText(serverWineOfProcess(-1).why),
              "a wineserver runs for the prefix in a process that cannot be seen from here");
    EXPECT_FALSE(chooseWine(prefix, {recorded}).serverRunning);
}

TEST(ServerWine, TheWineBesideDebiansServerIsItsLoader) {
    StandInHome h;
    const fs::path lib = h.scratch.root() / "usr/lib/wine";
    StandInHome::script(lib / "wineserver64", "exit 0\n");
    StandInHome::script(lib / "wine64", "exit 0\n");
    EXPECT_EQ(wineBesideServer(lib / "wineserver64"), lib / "wine64");
    StandInHome::script(lib / "wine", "exit 0\n");
    EXPECT_EQ(wineBesideServer(lib / "wineserver64"), lib / "wine")
        << "with wine32 beside it, as the script picks";
    EXPECT_EQ(wineBesideServer(lib / "wineserver32"), lib / "wine");
    fs::remove(lib / "wine");
    fs::remove(lib / "wine64");
    EXPECT_FALSE(wineBesideServer(lib / "wineserver64"));
}
