// Pins the masked listing the callers build on: masks 16 (catalogue, checkup folders),
// 33 (style file, loose files), 50 (folder clearing) and 22 (folder listing), the
// wildcards and the "." and ".." entries.
#include "platform/DirectoryListing.h"
#include "ListingCalls.h"
#include "TestSystem.h"
#include "platform/FileAttributes.h"
#include "platform/WindowsDirectoryText.h"
#include "platform/WindowsRoot.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

using namespace platform;
using shared_test::upperCase;
using namespace listing_test;
namespace fs = std::filesystem;

namespace {

class DirectoryListingTest : public ::testing::Test {
protected:
    shared_test::ScratchFolder scratch;
    const std::string dir = scratch.windowsPath();
    bool attributesStored = false;

    void SetUp() override {
        const auto probe = scratch.writeFile("probe");
        attributesStored = setDosAttributes(probe, FILE_ATTRIBUTE_HIDDEN);
        setDosAttributes(probe, 0);
        fs::remove(probe);
    }
    void folder(const char* name, uint32_t dosAttributes = 0) {
        const auto path = scratch.makeFolder(name);
        if (dosAttributes) {
            ASSERT_TRUE(setDosAttributes(path, dosAttributes));
        }
    }
    void file(const char* name, uint32_t dosAttributes = 0) {
        const auto path = scratch.writeFile(name);
        if (dosAttributes) {
            ASSERT_TRUE(setDosAttributes(path, dosAttributes));
        }
    }
    void requireStoredAttributes() {
        if (!attributesStored)
            GTEST_SKIP() << "the file system of the temporary folder cannot store hidden and system";
    }
    // Every kind of entry the masks tell apart.
    void populate() {
        requireStoredAttributes();
        folder("Blue");
        folder("HiddenFolder", FILE_ATTRIBUTE_HIDDEN);
        folder("SystemFolder", FILE_ATTRIBUTE_SYSTEM);
        file("plain.txt");
        file("readonly.txt");
        scratch.makeReadOnly("readonly.txt");
        file("hidden.txt", FILE_ATTRIBUTE_HIDDEN);
        file("system.txt", FILE_ATTRIBUTE_SYSTEM);
        file("both.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    }
};

} // namespace

TEST_F(DirectoryListingTest, Mask16GivesPlainFilesAndFoldersWithTheDotsFirst) {
    populate();
    const auto names = list(dir, 16);
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ(names[0], ".");
    EXPECT_EQ(names[1], "..");
    EXPECT_EQ(asSet(names), (std::set<std::string>{".", "..", "Blue", "plain.txt", "readonly.txt"}));
}

TEST_F(DirectoryListingTest, Mask33GivesPlainFilesOnly) {
    populate();
    EXPECT_EQ(asSet(list(dir, 33)), (std::set<std::string>{"plain.txt", "readonly.txt"}));
    EXPECT_EQ(asSet(list(dir + "*.*", 33)), (std::set<std::string>{"plain.txt", "readonly.txt"}));
}

TEST_F(DirectoryListingTest, Mask50GivesHiddenButNotSystemEntries) {
    populate();
    EXPECT_EQ(asSet(list(dir, 50)), (std::set<std::string>{".", "..", "Blue", "HiddenFolder", "plain.txt",
                                                           "readonly.txt", "hidden.txt"}));
}

TEST_F(DirectoryListingTest, Mask22GivesEverything) {
    populate();
    EXPECT_EQ(asSet(list(dir, 22)),
              (std::set<std::string>{".", "..", "Blue", "HiddenFolder", "SystemFolder", "plain.txt",
                                     "readonly.txt", "hidden.txt", "system.txt", "both.txt"}));
}

TEST_F(DirectoryListingTest, EachListedNameCarriesItsOwnAttributes) {
    populate();
    DirectoryListing listing(dir, 50);
    std::map<std::string, uint32_t> seen;
    while (auto name = listing.next())
        seen[*name] = listing.attributes();
    EXPECT_EQ(seen["."], FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(seen[".."], FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(seen["Blue"], FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(seen["hidden.txt"], FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(seen["readonly.txt"], FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(seen["HiddenFolder"], FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(DirectoryListingTest, WildcardsIgnoreCase) {
    folder("Blue");
    for (const char* name :
         {"X.MSSTYLES", "y.msstyles", "a.msstyles.bak", "readme", "b.txt", "ab.txt", "notmsstyles"})
        file(name);
    EXPECT_EQ(asSet(list(upperCase(dir) + "*.msstyles", 33)),
              (std::set<std::string>{"X.MSSTYLES", "y.msstyles"}));
    EXPECT_EQ(asSet(list(dir + "?.TXT", 33)), (std::set<std::string>{"b.txt"}));
    EXPECT_EQ(asSet(list(dir + "*.*", 33)),
              (std::set<std::string>{"X.MSSTYLES", "y.msstyles", "a.msstyles.bak", "readme", "b.txt",
                                     "ab.txt", "notmsstyles"}))
        << "*.* also takes names without a dot";
    EXPECT_EQ(asSet(list(dir + "read*.*", 33)), (std::set<std::string>{"readme"}));
    EXPECT_EQ(asSet(list(dir + "*.msstyles", 16)), (std::set<std::string>{"X.MSSTYLES", "y.msstyles"}))
        << "the dots do not match *.msstyles";
    EXPECT_EQ(asSet(list(dir + "blue", 16)), (std::set<std::string>{"Blue"}));
    EXPECT_EQ(list(dir + "*.txt", 33).size(), 2u);
}

TEST_F(DirectoryListingTest, HiddenStyleFileIsNotAStyleFile) {
    requireStoredAttributes();
    file("Blue\\Blue.msstyles", FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(list(dir + "Blue\\*.msstyles", 33).empty());
}

TEST_F(DirectoryListingTest, DriveRootHasNoDots) {
    const auto root = asSet(list("C:\\", 16));
    EXPECT_FALSE(root.empty());
    EXPECT_FALSE(root.count(".") || root.count("..")) << "a drive's root has no parent";
    const auto windows = asSet(list(windowsDirectoryText() + "\\", 16));
    EXPECT_TRUE(windows.count(".") && windows.count(".."));
}

TEST_F(DirectoryListingTest, NothingFromWhatIsNotAFolder) {
    file("plain.txt");
    EXPECT_TRUE(list(dir + "Missing\\", 16).empty());
    EXPECT_TRUE(list(dir + "plain.txt\\", 16).empty());
    EXPECT_TRUE(list("Q:\\", 16).empty());
    EXPECT_TRUE(list("", 16).empty()) << "an empty pattern names nothing";
    DirectoryListing ended(dir, 33);
    EXPECT_EQ(ended.next(), "plain.txt");
    EXPECT_FALSE(ended.next().has_value());
    EXPECT_FALSE(ended.next().has_value()) << "an ended listing stays ended";
}

TEST_F(DirectoryListingTest, RelativePatternsListTheCurrentDirectory) {
    folder("Blue");
    file("Blue.MSSTYLES");
    const fs::path old = fs::current_path();
    fs::current_path(scratch.host());
    EXPECT_EQ(asSet(list("*.msstyles", 33)), (std::set<std::string>{"Blue.MSSTYLES"}));
    EXPECT_EQ(asSet(list(".\\", 16)), (std::set<std::string>{".", "..", "Blue", "Blue.MSSTYLES"}));
    fs::current_path(old);
}

TEST_F(DirectoryListingTest, ListingsOverlapWithoutDisturbingEachOther) {
    const std::vector<std::string> styles = {"A", "B", "C", "D"};
    for (const auto& s : styles) {
        folder(s.c_str());
        for (const char* sub : {"Shell", "x.msstyles", "readme.txt"})
            folder((s + "\\" + sub).c_str());
    }
    // Entering each folder while its parent's listing runs, as folder clearing does.
    std::vector<std::string> outerNames;
    std::map<std::string, std::set<std::string>> inner;
    DirectoryListing outer(dir, 16);
    while (auto name = outer.next()) {
        outerNames.push_back(*name);
        if (*name == "." || *name == "..")
            continue;
        inner[*name] = asSet(list(dir + *name + "\\", 16));
        // A second listing of the very same folder at the same time.
        DirectoryListing again(dir, 16);
        (void)again.next();
    }
    EXPECT_EQ(asSet(outerNames), (std::set<std::string>{".", "..", "A", "B", "C", "D"}));
    for (const auto& s : styles)
        EXPECT_EQ(inner[s], (std::set<std::string>{".", "..", "Shell", "x.msstyles", "readme.txt"})) << s;

    DirectoryListing first(dir, 16), second(dir, 16);
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
