// The Linux back end's listing of host folders: the file system's order, names no Windows
// program could hold, dot names as hidden entries, links, host folders and drive roots.
#include "TestRoot.h"
#include "platform/DirectoryListing.h"
#include "platform/FileAttributes.h"
#include "platform/shared/ListingCalls.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/xattr.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>

using namespace platform;
using namespace listing_test;
using testing_support::TestRoot;
namespace fs = std::filesystem;

namespace {

constexpr char kThemes[] = "C:\\windows\\Resources\\Themes\\";

class HostListingTest : public ::testing::Test {
protected:
    TestRoot root;
    fs::path dir = root.themes();
    bool xattrs = false;

    void SetUp() override {
        const auto probe = root.writeFile("probe");
        xattrs = ::lsetxattr(probe.c_str(), "user.probe", "1", 1, 0) == 0;
        fs::remove(probe);
    }
    void folder(const char* name, uint32_t dosAttributes = 0) {
        fs::create_directory(dir / name);
        if (dosAttributes) {
            ASSERT_TRUE(setDosAttributes(dir / name, dosAttributes));
        }
    }
    void file(const char* name, uint32_t dosAttributes = 0) {
        root.writeFile(fs::relative(dir / name, root.root()), "x");
        if (dosAttributes) {
            ASSERT_TRUE(setDosAttributes(dir / name, dosAttributes));
        }
    }
    // Every kind of entry the masks tell apart.
    void populate() {
        if (!xattrs)
            GTEST_SKIP() << "the file system of the temporary folder refuses user extended attributes";
        folder("Blue");
        folder(".DotFolder");
        folder("HiddenFolder", FILE_ATTRIBUTE_HIDDEN);
        folder("SystemFolder", FILE_ATTRIBUTE_SYSTEM);
        file("plain.txt");
        file("readonly.txt");
        fs::permissions(dir / "readonly.txt", fs::perms::owner_read);
        file(".dotfile");
        file("hidden.txt", FILE_ATTRIBUTE_HIDDEN);
        file("system.txt", FILE_ATTRIBUTE_SYSTEM);
        file("both.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    }
};

} // namespace

TEST_F(HostListingTest, NamesComeInTheFileSystemsOrder) {
    for (const char* name : {"d", "a", "c", "b", "e", "zz", "y"})
        folder(name);
    std::vector<std::string> raw;
    DIR* d = ::opendir(dir.c_str());
    ASSERT_NE(d, nullptr);
    while (const dirent* e = ::readdir(d))
        if (std::string_view(e->d_name) != "." && std::string_view(e->d_name) != "..")
            raw.push_back(e->d_name);
    ::closedir(d);
    auto names = list(kThemes, 16);
    ASSERT_GE(names.size(), 2u);
    names.erase(names.begin(), names.begin() + 2);
    EXPECT_EQ(names, raw);
}

TEST_F(HostListingTest, NamesWindowsCannotHoldAreNeverReported) {
    folder("Blue");
    // A folder whose name would climb out of the themes folder once joined by a caller.
    fs::create_directory(dir / "..\\..\\system32");
    fs::create_directory(dir / "a:b");
    file("what?.msstyles");
    file("quote\".msstyles");
    file("tab\t.msstyles");
    file("\xff\xfe.msstyles");    // not UTF-8
    file("\xc0\xae.msstyles");    // overlong '.'
    file("caf\xc3\xa9.msstyles"); // fine
    for (uint32_t mask : {16u, 22u, 33u, 50u, 55u}) {
        DirectoryListing listing(kThemes, mask);
        while (auto name = listing.next()) {
            EXPECT_NE(*name, "..\\..\\system32") << mask;
            EXPECT_EQ(name->find_first_of("\\:?\"\t\xff\xc0"), std::string::npos) << *name;
        }
    }
    EXPECT_EQ(asSet(list(std::string(kThemes) + "*.msstyles", 33)),
              (std::set<std::string>{"caf\xc3\xa9.msstyles"}));
    EXPECT_EQ(asSet(list(kThemes, 16)), (std::set<std::string>{".", "..", "Blue", "caf\xc3\xa9.msstyles"}));
}

TEST_F(HostListingTest, DotNamesAreHiddenEntries) {
    populate();
    EXPECT_EQ(asSet(list(kThemes, 16)),
              (std::set<std::string>{".", "..", "Blue", "plain.txt", "readonly.txt"}));
    EXPECT_EQ(asSet(list(kThemes, 18)).count(".DotFolder"), 1u);
    EXPECT_EQ(asSet(list(kThemes, 50)).count(".dotfile"), 1u);
    DirectoryListing listing(kThemes, 50);
    std::map<std::string, uint32_t> seen;
    while (auto name = listing.next())
        seen[*name] = listing.attributes();
    EXPECT_EQ(seen[".DotFolder"], FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(seen[".dotfile"], FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(HostListingTest, LinksAreReparsePoints) {
    folder("Blue");
    fs::create_directory_symlink("Blue", dir / "LinkToBlue");
    DirectoryListing listing(kThemes, 16);
    std::map<std::string, uint32_t> seen;
    while (auto name = listing.next())
        seen[*name] = listing.attributes();
    EXPECT_EQ(seen["LinkToBlue"], FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
}

TEST_F(HostListingTest, AHostFolderPatternListsThatFolder) {
    folder("Blue");
    file("Blue.MSSTYLES");
    EXPECT_EQ(asSet(list(dir.string() + "/*.msstyles", 33)), (std::set<std::string>{"Blue.MSSTYLES"}));
}

TEST_F(HostListingTest, TheDriveRootOfAPrefixListsWithoutDotsItsFoldersWithThem) {
    EXPECT_EQ(asSet(list("C:\\", 16)), (std::set<std::string>{"windows"}));
    EXPECT_EQ(asSet(list("C:\\windows\\", 16)), (std::set<std::string>{".", "..", "Resources"}));
}
