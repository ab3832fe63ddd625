// Pins the Windows attributes every back end reports: archive on plain files, directory
// on folders, hidden and system set and cleared, read-only files.
#include "platform/FileAttributes.h"
#include "TestSystem.h"

#include <gtest/gtest.h>

using namespace platform;
namespace fs = std::filesystem;

namespace {

class FileAttributesTest : public ::testing::Test {
protected:
    shared_test::ScratchFolder scratch;
};

} // namespace

TEST_F(FileAttributesTest, APlainFileIsArchiveAFolderIsDirectoryAndAMissingEntryHasNone) {
    EXPECT_EQ(fileAttributes(scratch.writeFile("a.txt")), FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(fileAttributes(scratch.makeFolder("Blue")), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(fileAttributes(scratch.host("missing")).has_value());
}

TEST_F(FileAttributesTest, HiddenAndSystemAreSetAndCleared) {
    const auto f = scratch.writeFile("a.txt");
    if (!setDosAttributes(f, FILE_ATTRIBUTE_HIDDEN))
        GTEST_SKIP() << "the file system of the temporary folder cannot store hidden and system";
    EXPECT_EQ(fileAttributes(f), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    ASSERT_TRUE(
        setDosAttributes(f, FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(fileAttributes(f), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE)
        << "only hidden and system change";
    ASSERT_TRUE(setDosAttributes(f, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(fileAttributes(f), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    ASSERT_TRUE(setDosAttributes(f, 0));
    EXPECT_TRUE(setDosAttributes(f, 0)) << "clearing what is not set succeeds";
    EXPECT_EQ(fileAttributes(f), FILE_ATTRIBUTE_ARCHIVE);

    const auto folder = scratch.makeFolder("Sys");
    ASSERT_TRUE(setDosAttributes(folder, FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(fileAttributes(folder), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(setDosAttributes(scratch.host("missing"), FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(FileAttributesTest, AReadOnlyFileIsReadOnlyAndArchive) {
    scratch.writeFile("ro.txt");
    scratch.makeReadOnly("ro.txt");
    EXPECT_EQ(fileAttributes(scratch.host("ro.txt")), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
}
