// Pins the masked listing the callers build on: masks 16 (catalogue, checkup folders),
// 33 (style file, loose files), 50 (folder clearing) and 22 (folder listing), the
// wildcards, the "." and ".." entries, and names no Windows program could hold.
#include "platform/DirectoryListing.h"
#include "TestRoot.h"
#include "platform/FileAttributes.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/xattr.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>

using namespace platform;
using testing_support::TestRoot;
namespace fs = std::filesystem;

namespace {

constexpr char kThemes[] = "C:\\windows\\Resources\\Themes\\";

std::vector<std::string> list(std::string_view pattern, uint32_t mask) {
    std::vector<std::string> names;
    DirectoryListing listing(pattern, mask);
    while (auto name = listing.next())
        names.push_back(*name);
    return names;
}

std::set<std::string> asSet(const std::vector<std::string>& names) {
    return {names.begin(), names.end()};
}

class DirectoryListingTest : public ::testing::Test {
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

TEST_F(DirectoryListingTest, Mask16GivesPlainFilesAndFoldersWithTheDotsFirst) {
    populate();
    const auto names = list(kThemes, 16);
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ(names[0], ".");
    EXPECT_EQ(names[1], "..");
    EXPECT_EQ(asSet(names), (std::set<std::string>{".", "..", "Blue", "plain.txt", "readonly.txt"}));
}

TEST_F(DirectoryListingTest, Mask33GivesPlainFilesOnly) {
    populate();
    EXPECT_EQ(asSet(list(kThemes, 33)), (std::set<std::string>{"plain.txt", "readonly.txt"}));
    EXPECT_EQ(asSet(list(std::string(kThemes) + "*.*", 33)),
              (std::set<std::string>{"plain.txt", "readonly.txt"}));
}

TEST_F(DirectoryListingTest, Mask50GivesHiddenButNotSystemEntries) {
    populate();
    EXPECT_EQ(asSet(list(kThemes, 50)),
              (std::set<std::string>{".", "..", "Blue", ".DotFolder", "HiddenFolder", "plain.txt",
                                     "readonly.txt", ".dotfile", "hidden.txt"}));
}

TEST_F(DirectoryListingTest, Mask22GivesEverything) {
    populate();
    EXPECT_EQ(
        asSet(list(kThemes, 22)),
        (std::set<std::string>{".", "..", "Blue", ".DotFolder", "HiddenFolder", "SystemFolder", "plain.txt",
                               "readonly.txt", ".dotfile", "hidden.txt", "system.txt", "both.txt"}));
}

TEST_F(DirectoryListingTest, NamesComeInTheFileSystemsOrder) {
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

TEST_F(DirectoryListingTest, AttributesOfTheLastName) {
    populate();
    fs::create_directory_symlink("Blue", dir / "LinkToBlue");
    DirectoryListing listing(kThemes, 50);
    std::map<std::string, uint32_t> seen;
    while (auto name = listing.next())
        seen[*name] = listing.attributes();
    EXPECT_EQ(seen["."], FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(seen[".."], FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(seen["Blue"], FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(seen["LinkToBlue"], FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(seen["hidden.txt"], FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(seen["readonly.txt"], FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(seen[".DotFolder"], FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(DirectoryListingTest, WildcardsIgnoreCase) {
    folder("Blue");
    for (const char* name :
         {"X.MSSTYLES", "y.msstyles", "a.msstyles.bak", "readme", "b.txt", "ab.txt", "notmsstyles"})
        file(name);
    EXPECT_EQ(asSet(list("C:\\WINDOWS\\resources\\THEMES\\*.msstyles", 33)),
              (std::set<std::string>{"X.MSSTYLES", "y.msstyles"}));
    EXPECT_EQ(asSet(list(std::string(kThemes) + "?.TXT", 33)), (std::set<std::string>{"b.txt"}));
    EXPECT_EQ(asSet(list(std::string(kThemes) + "*.*", 33)),
              (std::set<std::string>{"X.MSSTYLES", "y.msstyles", "a.msstyles.bak", "readme", "b.txt",
                                     "ab.txt", "notmsstyles"}))
        << "*.* also takes names without a dot";
    EXPECT_EQ(asSet(list(std::string(kThemes) + "read*.*", 33)), (std::set<std::string>{"readme"}));
    EXPECT_EQ(asSet(list(std::string(kThemes) + "*.msstyles", 16)),
              (std::set<std::string>{"X.MSSTYLES", "y.msstyles"}))
        << "the dots do not match *.msstyles";
    EXPECT_EQ(asSet(list(std::string(kThemes) + "blue", 16)), (std::set<std::string>{"Blue"}));
    EXPECT_EQ(list(std::string(kThemes) + "*.txt", 33).size(), 2u);
}

TEST_F(DirectoryListingTest, HiddenStyleFileIsNotAStyleFile) {
    if (!xattrs)
        GTEST_SKIP() << "the file system of the temporary folder refuses user extended attributes";
    folder("Blue");
    root.writeFile("drive_c/windows/Resources/Themes/Blue/Blue.msstyles");
    ASSERT_TRUE(setDosAttributes(dir / "Blue" / "Blue.msstyles", FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(list(std::string(kThemes) + "Blue\\*.msstyles", 33).empty());
}

TEST_F(DirectoryListingTest, NamesWindowsCannotHoldAreNeverReported) {
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

TEST_F(DirectoryListingTest, DriveRootHasNoDots) {
    const auto names = list("C:\\", 16);
    EXPECT_EQ(asSet(names), (std::set<std::string>{"windows"}));
    EXPECT_EQ(asSet(list("C:\\windows\\", 16)), (std::set<std::string>{".", "..", "Resources"}));
}

TEST_F(DirectoryListingTest, NothingFromWhatIsNotAFolder) {
    file("plain.txt");
    EXPECT_TRUE(list("C:\\windows\\Resources\\Themes\\Missing\\", 16).empty());
    EXPECT_TRUE(list("C:\\windows\\Resources\\Themes\\plain.txt\\", 16).empty());
    EXPECT_TRUE(list("Q:\\", 16).empty());
    EXPECT_TRUE(list("", 16).empty()) << "an empty pattern names nothing";
    DirectoryListing ended(kThemes, 33);
    EXPECT_EQ(ended.next(), "plain.txt");
    EXPECT_FALSE(ended.next().has_value());
    EXPECT_FALSE(ended.next().has_value()) << "an ended listing stays ended";
}

TEST_F(DirectoryListingTest, HostFolderAndRelativePatterns) {
    folder("Blue");
    file("Blue.MSSTYLES");
    EXPECT_EQ(asSet(list(dir.string() + "/*.msstyles", 33)), (std::set<std::string>{"Blue.MSSTYLES"}));
    const fs::path old = fs::current_path();
    fs::current_path(dir);
    EXPECT_EQ(asSet(list("*.msstyles", 33)), (std::set<std::string>{"Blue.MSSTYLES"}));
    EXPECT_EQ(asSet(list(".\\", 16)), (std::set<std::string>{".", "..", "Blue", "Blue.MSSTYLES"}));
    fs::current_path(old);
}

TEST_F(DirectoryListingTest, ListingsOverlapWithoutDisturbingEachOther) {
    const std::vector<std::string> styles = {"A", "B", "C", "D"};
    for (const auto& s : styles) {
        folder(s.c_str());
        for (const char* sub : {"Shell", "x.msstyles", "readme.txt"})
            fs::create_directory(dir / s / sub);
    }
    // Entering each folder while its parent's listing runs, as folder clearing does.
    std::vector<std::string> outerNames;
    std::map<std::string, std::set<std::string>> inner;
    DirectoryListing outer(kThemes, 16);
    while (auto name = outer.next()) {
        outerNames.push_back(*name);
        if (*name == "." || *name == "..")
            continue;
        inner[*name] = asSet(list(std::string(kThemes) + *name + "\\", 16));
        // A second listing of the very same folder at the same time.
        DirectoryListing again(kThemes, 16);
        (void)again.next();
    }
    EXPECT_EQ(asSet(outerNames), (std::set<std::string>{".", "..", "A", "B", "C", "D"}));
    for (const auto& s : styles)
        EXPECT_EQ(inner[s], (std::set<std::string>{".", "..", "Shell", "x.msstyles", "readme.txt"})) << s;

    DirectoryListing first(kThemes, 16), second(kThemes, 16);
    std::vector<std::string> a, b;
    for (;;) {
        auto x = first.next();
        auto y = second.next();
        if (!x && !y)
            break;
        if (x)
            a.push_back(*x);
        if (y)
            b.push_back(*y);
    }
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.size(), 6u);
}
