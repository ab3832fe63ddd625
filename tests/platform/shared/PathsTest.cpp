// Pins the folder, file and drive tests behind ChkPathExist, ChkFileExist and ChkDrvExist,
// and the Windows paths every back end takes and refuses.
#include "platform/Paths.h"
#include "TestSystem.h"
#include "platform/NameCharacters.h"

#include <gtest/gtest.h>

using namespace platform;
using shared_test::CwdGuard;
using shared_test::upperCase;
namespace fs = std::filesystem;

namespace {

class WindowsPaths : public ::testing::Test {
protected:
    shared_test::ScratchFolder scratch;
    const std::string dir = scratch.windowsPath();
};

} // namespace

TEST_F(WindowsPaths, FoldersAreEnterableInAnyCaseFilesAndWildcardsAreNot) {
    scratch.makeFolder("Blue");
    scratch.writeFile("Blue\\readme.txt");
    EXPECT_TRUE(isEnterableDirectory("C:\\"));
    EXPECT_TRUE(isEnterableDirectory(dir + "Blue\\"));
    EXPECT_TRUE(isEnterableDirectory(dir + "Blue"));
    EXPECT_TRUE(isEnterableDirectory(upperCase(dir) + "blue\\"));
    EXPECT_TRUE(isEnterableDirectory(dir + "Blue\\x\\..\\"));
    EXPECT_FALSE(isEnterableDirectory(dir + "Blue\\readme.txt"));
    EXPECT_FALSE(isEnterableDirectory(dir + "Blue\\readme.txt\\"));
    EXPECT_FALSE(isEnterableDirectory(dir + "Missing\\"));
    EXPECT_FALSE(isEnterableDirectory(dir + "Bl*e\\"));
    EXPECT_FALSE(isEnterableDirectory(""));
}

TEST_F(WindowsPaths, ExistingFilesAreReadableInAnyCaseAndTheTestChangesNothing) {
    const auto empty = scratch.writeFile("Blue\\readme.txt", "");
    EXPECT_TRUE(isReadableFile(dir + "Blue\\readme.txt")) << "an empty file counts";
    EXPECT_TRUE(isReadableFile(upperCase(dir) + "BLUE\\README.TXT"));
    EXPECT_EQ(fs::file_size(empty), 0u) << "the test changes nothing";
    EXPECT_FALSE(isReadableFile(dir + "Blue\\readme.txt\\"));
    EXPECT_FALSE(isReadableFile(dir + "Blue"));
    EXPECT_FALSE(isReadableFile(dir + "Blue\\"));
    EXPECT_FALSE(isReadableFile(dir + "Blue\\preview.jpg"));
    EXPECT_FALSE(isReadableFile(dir + "Blue\\read?e.txt"));
    EXPECT_FALSE(isReadableFile("Q:\\readme.txt"));
}

TEST_F(WindowsPaths, ADriveIsKnownByItsLetterAndAMissingOneHasNoPaths) {
    EXPECT_TRUE(driveExists("c"));
    EXPECT_TRUE(driveExists("C:"));
    EXPECT_TRUE(driveExists("c:\\windows\\does-not-matter"));
    EXPECT_FALSE(driveExists("q"));
    EXPECT_FALSE(driveExists(""));
    EXPECT_FALSE(driveExists("1"));
    EXPECT_FALSE(toHostPath("Q:\\x").has_value());
    EXPECT_FALSE(isEnterableDirectory("Q:\\"));
}

TEST_F(WindowsPaths, WindowsPathsResolveToTheirHostFoldersAndPathsToBeCreatedToo) {
    scratch.makeFolder("Blue\\Shell");
    const auto blue = toHostPath(dir + "Blue");
    ASSERT_TRUE(blue);
    EXPECT_TRUE(fs::equivalent(*blue, scratch.host("Blue")));
    const auto shell = toHostPath(upperCase(dir) + "blue\\x\\..\\.\\SHELL\\");
    ASSERT_TRUE(shell);
    EXPECT_TRUE(fs::equivalent(*shell, scratch.host("Blue\\Shell")));
    const auto created = toHostPath(dir + "Blue\\New Style\\a.txt");
    ASSERT_TRUE(created) << "a path to be created has a host path";
    EXPECT_EQ(created->filename(), "a.txt");
    EXPECT_EQ(created->parent_path().filename(), "New Style");
    EXPECT_TRUE(fs::equivalent(created->parent_path().parent_path(), scratch.host("Blue")));
}

TEST_F(WindowsPaths, UnusableTextsHaveNoHostPath) {
    for (const char* name : {"a*b", "a?b", "a\"b", "a<b", "a>b", "a|b", "a:b", "a\tb"})
        EXPECT_FALSE(toHostPath(dir + name).has_value()) << name;
    EXPECT_FALSE(toHostPath("").has_value());
    EXPECT_FALSE(toHostPath(dir + std::string("a\0b", 3)).has_value());
}

TEST_F(WindowsPaths, RelativePathsFollowTheCurrentDirectory) {
    scratch.makeFolder("Blue");
    CwdGuard cwd(scratch.host());
    const auto blue = toHostPath("blue");
    ASSERT_TRUE(blue);
    EXPECT_TRUE(fs::equivalent(*blue, scratch.host("Blue")));
    EXPECT_TRUE(isEnterableDirectory("Blue\\"));
    EXPECT_TRUE(isEnterableDirectory(".\\"));
    EXPECT_EQ(upperCase(currentDirectory() + "\\"), upperCase(dir));
}

TEST(PathNames, SeparatorsWildcardsAndControlCharactersAreForbiddenInNames) {
    for (char c : std::string("\\/:*?\"<>|"))
        EXPECT_TRUE(hasForbiddenNameCharacter(std::string("a") + c + "b")) << c;
    EXPECT_TRUE(hasForbiddenNameCharacter("..\\..\\system32"));
    EXPECT_TRUE(hasForbiddenNameCharacter("tab\there"));
    EXPECT_TRUE(hasForbiddenNameCharacter(std::string_view("nul\0x", 5)));
    EXPECT_TRUE(hasForbiddenNameCharacter("\x1f"));
    EXPECT_FALSE(hasForbiddenNameCharacter("Luna Royale (v2) [x] #1.msstyles"));
    EXPECT_FALSE(hasForbiddenNameCharacter("caf\xC3\xA9"));
}

TEST(PathNames, JoinAddsOneBackslash) {
    EXPECT_EQ(joinWindowsPath("C:\\x\\", "a"), "C:\\x\\a");
    EXPECT_EQ(joinWindowsPath("C:\\x", "a"), "C:\\x\\a");
    EXPECT_EQ(joinWindowsPath("", "a"), "a");
}
