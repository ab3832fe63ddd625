// Pins the system version as a Wine prefix records it, and the honest "no Windows"
// answer where nothing is recorded.
#include "platform/SystemVersion.h"
#include "TestRoot.h"

#include <gtest/gtest.h>

#include <sys/utsname.h>

using namespace platform;
using testing_support::TestRoot;

namespace {

// A machine hive holding the CurrentVersion key with the given value lines.
void writeVersionHive(const TestRoot& root, const std::string& values) {
    root.writeFile("system.reg",
                   "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n"
                   "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion] 1700000000\n"
                   "#time=1da0b0c0d0e0f00\n" +
                       values + "\n");
}

} // namespace

TEST(SystemVersion, AnXpPrefixIsPlatformTwoVersion501Build2600) {
    TestRoot root;
    writeVersionHive(root, "\"CurrentBuildNumber\"=\"2600\"\n\"CurrentVersion\"=\"5.1\"\n");
    const SystemVersion v = systemVersion();
    EXPECT_EQ(v.platformId, 2);
    EXPECT_EQ(v.version, 5.01f);
    EXPECT_EQ(v.build, 2600);
}

TEST(SystemVersion, ANewerPrefixIsReadWhateverTheCaseOfItsValueNames) {
    TestRoot root;
    writeVersionHive(root, "\"currentbuildnumber\"=\"19045\"\n\"CURRENTVERSION\"=\"6.3\"\n");
    const SystemVersion v = systemVersion();
    EXPECT_EQ(v.platformId, 2);
    EXPECT_EQ(v.version, 6.03f);
    EXPECT_EQ(v.build, 19045);
}

TEST(SystemVersion, NothingRecordedNamesNoWindowsPlatform) {
    {
        TestRoot root; // no system.reg at all
        const SystemVersion v = systemVersion();
        EXPECT_EQ(v.platformId, -1);
        EXPECT_EQ(v.version, 0.0f);
        EXPECT_EQ(v.build, 0);
    }
    {
        TestRoot root;
        writeVersionHive(root, "\"CurrentBuildNumber\"=\"2600\"\n");
        EXPECT_EQ(systemVersion().platformId, -1) << "a build without a version";
    }
    {
        TestRoot root;
        writeVersionHive(root, "\"CurrentVersion\"=\"five\"\n");
        EXPECT_EQ(systemVersion().platformId, -1) << "a version that is no number";
    }
    {
        TestRoot root;
        writeVersionHive(root, "\"CurrentVersion\"=dword:00000005\n");
        EXPECT_EQ(systemVersion().platformId, -1) << "a version that is no text";
    }
}

TEST(SystemVersion, TheHostSystemIsNamedByKernelReleaseAndMachine) {
    TestRoot root;
    utsname host{};
    ASSERT_EQ(::uname(&host), 0);
    EXPECT_EQ(systemVersion().hostSystem,
              std::string(host.sysname) + " " + host.release + " " + host.machine);
}
