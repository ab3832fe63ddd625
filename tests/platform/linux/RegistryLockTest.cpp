// The lock that serialises the writers of a hive lives on the prefix folder, so no file
// is left in the prefix. (That two writers lose nothing is pinned with the durability.)
#include "RegistryTestSupport.h"

#include "platform/Diagnostics.h"
#include "platform/linux/hive/HiveDocument.h"
#include "platform/linux/hive/HiveFile.h"

#include <algorithm>

#include <fcntl.h>
#include <sys/file.h>

using namespace platform;
using registry_test::RegistryFixture;
using registry_test::setString;

namespace {

// Whether another open of path could take the exclusive lock right now.
bool lockable(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

using RegistryLock = RegistryFixture;

TEST_F(RegistryLock, WritesLeaveNothingButTheHivesInThePrefix) {
    {
        Registry reg(root());
        ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Quorlin\\Zevra", "firstrun", "1"),
                  ERROR_SUCCESS);
        ASSERT_EQ(setString(reg, HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{X}", "", "Visual Styles"),
                  ERROR_SUCCESS);
        ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Quorlin\\Zevra", "firstrun", "0"),
                  ERROR_SUCCESS);
    }
    EXPECT_EQ(namesIn(root()), (std::vector<std::string>{"system.reg", "user.reg"}));
}

TEST_F(RegistryLock, AWriterHoldsTheHivesFolder) {
    writeFile(user(), "WINE REGISTRY Version 2\n");
    {
        hive::WriterLock lock(user());
        ASSERT_TRUE(lock.held());
        EXPECT_FALSE(lockable(root()));
        EXPECT_TRUE(lockable(user())) << "the hive itself is replaced by every save";
        hive::Document doc;
        ASSERT_FALSE(doc.parse("WINE REGISTRY Version 2\n"));
        ASSERT_TRUE(doc.createKey({u"Software"}, 0));
        hive::FileIdentity id;
        platform::Problem problem;
        ASSERT_TRUE(hive::saveFile(user(), doc, id, problem)) << platform::wordsFor(problem);
        EXPECT_FALSE(lockable(root())) << "a save leaves the lock where it was";
    }
    EXPECT_TRUE(lockable(root()));
    std::filesystem::remove(user());
    {
        hive::WriterLock lock(user());
        ASSERT_TRUE(lock.held());
        EXPECT_FALSE(std::filesystem::exists(user())) << "no hive is made for the lock";
        EXPECT_FALSE(lockable(root()));
    }
}
