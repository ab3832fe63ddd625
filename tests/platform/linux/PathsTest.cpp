// Pins DOS path translation through dosdevices (case, separators, dots, drives) and the
// folder and file tests behind ChkPathExist, ChkDrvExist and ChkFileExist.
#include "platform/Paths.h"
#include "TestRoot.h"
#include "platform/DirectoryListing.h"
#include "platform/linux/Recheck.h"
#include "platform/shared/TestSystem.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <functional>
#include <unistd.h>

using namespace platform;
using shared_test::CwdGuard;
using testing_support::TestRoot;
namespace fs = std::filesystem;

namespace {

fs::path real(const fs::path& p) {
    return fs::weakly_canonical(p);
}

// Permissions do not bind the super-user, so as root the check runs in a child that has
// become "nobody". Returns the check's answer, or nullopt when no such child could run.
std::optional<bool> asOrdinaryUser(const fs::path& root, const std::function<bool()>& check) {
    if (::geteuid() != 0)
        return check();
    fs::permissions(root, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    const pid_t child = ::fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        ::_exit(check() ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1)
        return std::nullopt;
    return WEXITSTATUS(status) == 1;
}

class PathsTest : public ::testing::Test {
protected:
    TestRoot root;
    fs::path startDir = fs::current_path();
    void TearDown() override { EXPECT_EQ(fs::current_path(), startDir) << "the current directory moved"; }
};

} // namespace

TEST_F(PathsTest, ComponentsMatchIgnoringCase) {
    // Wine's own folder is spelled in lower case; a program asks in any case.
    EXPECT_EQ(toHostPath("C:\\WINDOWS\\resources\\THEMES\\"), real(root.themes()));
    fs::rename(root.windows() / "Resources", root.windows() / "resources");
    fs::rename(root.windows() / "resources" / "Themes", root.windows() / "resources" / "themes");
    EXPECT_EQ(toHostPath("C:\\windows\\Resources\\Themes"), real(root.windows() / "resources" / "themes"));
}

TEST_F(PathsTest, ExactSpellingIsPreferredOverAnotherCase) {
    fs::create_directory(root.themes() / "blue");
    fs::create_directory(root.themes() / "Blue");
    EXPECT_EQ(toHostPath("C:\\windows\\Resources\\Themes\\Blue"), real(root.themes() / "Blue"));
    EXPECT_EQ(toHostPath("C:\\windows\\Resources\\Themes\\blue"), real(root.themes() / "blue"));
}

TEST_F(PathsTest, SlashesDoubledSeparatorsAndDotsResolveButNeverClimbAboveTheDrive) {
    const auto themes = real(root.themes());
    EXPECT_EQ(toHostPath("c:/windows//Resources\\\\Themes/"), themes);
    EXPECT_EQ(toHostPath("C:\\windows\\.\\Resources\\x\\..\\Themes"), themes);
    // ".." never climbs above the drive's root, so nothing outside drive_c is reachable.
    EXPECT_EQ(toHostPath("C:\\..\\..\\..\\windows"), real(root.windows()));
    EXPECT_EQ(toHostPath("C:\\"), real(root.driveC()));
    EXPECT_EQ(toHostPath("c:"), real(root.driveC())) << "current directory is not on C:";
}

TEST_F(PathsTest, MissingComponentsAreKeptAsGiven) {
    EXPECT_EQ(toHostPath("C:\\WINDOWS\\NewStyle\\RESOURCES\\a.txt"),
              real(root.windows()) / "NewStyle" / "RESOURCES" / "a.txt");
}

TEST_F(PathsTest, UnusableTextsHaveNoHostPath) {
    for (const char* text : {"", "C:\\a*b", "C:\\a?b", "C:\\a\"b", "C:\\a<b", "C:\\a>b", "C:\\a|b", "C:\\a:b",
                             "C:\\a\tb", "\\\\server\\share\\x", "\\\\server"})
        EXPECT_FALSE(toHostPath(text).has_value()) << text;
    EXPECT_FALSE(toHostPath(std::string_view("C:\\a\0b", 6)).has_value());
}

TEST_F(PathsTest, ADriveExistsWhileItsDosdevicesEntryResolves) {
    EXPECT_FALSE(toHostPath("D:\\x").has_value());
    EXPECT_TRUE(driveExists("c"));
    EXPECT_TRUE(driveExists("C:"));
    EXPECT_TRUE(driveExists("c:\\windows\\does-not-matter"));
    EXPECT_FALSE(driveExists("d"));
    EXPECT_FALSE(driveExists(""));
    EXPECT_FALSE(driveExists("1"));

    fs::create_directory(root.root() / "data");
    root.addDrive('d', "../data");
    EXPECT_TRUE(driveExists("D:\\"));
    EXPECT_EQ(toHostPath("d:\\file.txt"), real(root.root() / "data") / "file.txt");

    root.addDrive('e', "../nowhere");
    EXPECT_FALSE(driveExists("e")) << "a dangling dosdevices entry is no drive";
    EXPECT_FALSE(isEnterableDirectory("E:\\"));
}

// Answers about drives and folders are reused for a moment; after it every change shows.
void passTheRecheckTime() {
    advanceRecheckClockForTests(kRecheckInterval);
}

TEST_F(PathsTest, ChangedDrivesAreSeenWithinTheRecheckTime) {
    fs::create_directory(root.root() / "one");
    fs::create_directory(root.root() / "two");
    fs::create_directory(root.root() / "two" / "Sub");
    root.addDrive('d', "../one");
    EXPECT_EQ(toHostPath("D:\\sub"), real(root.root() / "one") / "sub");
    EXPECT_FALSE(isEnterableDirectory("D:\\sub"));

    fs::remove(root.root() / "dosdevices" / "d:");
    root.addDrive('d', "../two");
    EXPECT_TRUE(driveExists("d")) << "a drive's existence is checked at once";
    passTheRecheckTime();
    EXPECT_EQ(toHostPath("D:\\sub"), real(root.root() / "two" / "Sub")) << "the entry now leads elsewhere";
    EXPECT_TRUE(isEnterableDirectory("D:\\sub"));

    fs::remove_all(root.root() / "two");
    EXPECT_FALSE(driveExists("d")) << "the drive's folder is gone";
    EXPECT_FALSE(toHostPath("D:\\sub").has_value());
    EXPECT_FALSE(isEnterableDirectory("D:\\"));
    EXPECT_FALSE(isEnterableDirectory("D:\\sub\\")) << "nothing is found in a folder that is gone";
    fs::create_directory(root.root() / "two");
    EXPECT_TRUE(driveExists("d")) << "and back";

    fs::remove(root.root() / "dosdevices" / "d:");
    EXPECT_FALSE(driveExists("d"));
    passTheRecheckTime();
    EXPECT_FALSE(isEnterableDirectory("D:\\"));
}

TEST_F(PathsTest, ChangesInsideAFolderShowAtOnceAndAReplacedFolderWithinTheRecheckTime) {
    const fs::path blue = root.themes() / "Blue";
    fs::create_directories(blue / "Shell");
    root.writeFile("drive_c/windows/Resources/Themes/Blue/readme.txt", "x");
    const std::string dos = "C:\\windows\\Resources\\Themes\\Blue\\";
    EXPECT_TRUE(isEnterableDirectory(dos + "Shell\\"));
    EXPECT_TRUE(isReadableFile(dos + "readme.txt"));

    // Names in a folder just tested in are looked up afresh every time.
    fs::remove(blue / "Shell");
    fs::remove(blue / "readme.txt");
    EXPECT_FALSE(isEnterableDirectory(dos + "Shell\\"));
    EXPECT_FALSE(isReadableFile(dos + "readme.txt"));
    fs::create_directory(blue / "shell");
    EXPECT_TRUE(isEnterableDirectory(dos + "Shell\\")) << "another case of the name";
    fs::create_directory(blue / "readme.txt");
    EXPECT_FALSE(isReadableFile(dos + "readme.txt")) << "a folder is no readable file";

    // The folder itself renamed and another made under its name: seen once the
    // remembered handle has had its time.
    fs::rename(blue, root.themes() / "Old");
    fs::create_directory(blue);
    root.writeFile("drive_c/windows/Resources/Themes/Blue/new.txt", "y");
    passTheRecheckTime();
    EXPECT_FALSE(isEnterableDirectory(dos + "Shell\\"));
    EXPECT_TRUE(isReadableFile(dos + "new.txt"));
    EXPECT_FALSE(isReadableFile(dos + "readme.txt"));
}

TEST_F(PathsTest, ExistingPathsAndOtherCasesAgree) {
    // Whether a path is found as spelled or by matching case, the answer is the same
    // folder, and a spelling that stops existing is looked up again.
    fs::create_directories(root.themes() / "Blue" / "Shell");
    EXPECT_EQ(toHostPath("C:\\windows\\Resources\\Themes\\Blue\\Shell"),
              real(root.themes() / "Blue" / "Shell"));
    EXPECT_EQ(toHostPath("C:\\windows\\Resources\\Themes\\BLUE\\shell"),
              real(root.themes() / "Blue" / "Shell"));
    fs::rename(root.themes() / "Blue", root.themes() / "blue");
    EXPECT_EQ(toHostPath("C:\\windows\\Resources\\Themes\\Blue\\Shell"),
              real(root.themes() / "blue" / "Shell"));
    EXPECT_TRUE(isEnterableDirectory("C:\\windows\\Resources\\Themes\\Blue\\Shell\\"));
    EXPECT_TRUE(isEnterableDirectory("C:\\windows\\Resources\\Themes\\blue\\x\\..\\Shell\\"));
    EXPECT_FALSE(isEnterableDirectory("C:\\windows\\Resources\\Themes\\blue\\Shell\\x\\"));
}

TEST_F(PathsTest, HostPathsPassWithUniformSeparators) {
    EXPECT_EQ(toHostPath("/usr/share"), fs::path("/usr/share"));
    EXPECT_EQ(toHostPath(root.themes().string() + "\\Blue\\"), root.themes() / "Blue");
    EXPECT_EQ(toHostPath("/USR/share"), fs::path("/USR/share")) << "host paths keep their spelling";
}

TEST_F(PathsTest, RelativePathsFollowTheCurrentDirectory) {
    fs::create_directory(root.themes() / "Blue");
    CwdGuard cwd(root.themes());
    EXPECT_EQ(toHostPath("blue"), real(root.themes() / "Blue"));
    EXPECT_EQ(toHostPath("..\\..\\system32"), real(root.windows()) / "system32");
    EXPECT_EQ(toHostPath("\\windows"), real(root.windows())) << "rooted on the current drive";
    EXPECT_EQ(toHostPath("c:Blue"), real(root.themes() / "Blue")) << "C: names its current directory";
}

TEST_F(PathsTest, RelativePathsOutsideEveryDriveResolveFromTheHostFolder) {
    // No z: entry: the current directory is on no drive, its host path stands in.
    fs::create_directories(root.root() / "outside" / "in");
    CwdGuard cwd(root.root() / "outside" / "in");
    EXPECT_EQ(toHostPath("..\\x"), real(root.root() / "outside") / "x");
    EXPECT_EQ(toHostPath("..\\IN"), real(root.root() / "outside" / "in"));
    EXPECT_EQ(toHostPath("\\"), real(root.driveC())) << "rooted on C:, not on the host's root";
}

TEST_F(PathsTest, HostPathsGetTheDosPathOfTheLongestDriveMatch) {
    EXPECT_EQ(toDosPath(root.themes()), "C:\\windows\\Resources\\Themes");
    EXPECT_EQ(toDosPath(root.driveC()), "C:\\");
    EXPECT_EQ(toDosPath(root.root() / "dosdevices" / "c:" / "windows"), "C:\\windows") << "links resolved";
    EXPECT_EQ(toDosPath("/usr/share"), "Z:\\usr\\share") << "the host root is Z: even without its entry";
    root.addDrive('z', "/");
    EXPECT_EQ(toDosPath("/usr/share"), "Z:\\usr\\share");
    EXPECT_EQ(toDosPath("/"), "Z:\\");
    root.addDrive('d', "../drive_c/windows");
    EXPECT_EQ(toDosPath(root.themes()), "D:\\Resources\\Themes") << "the longest match wins";

    fs::create_directory(root.themes() / "a:b");
    EXPECT_FALSE(toDosPath(root.themes() / "a:b").has_value());
}

TEST_F(PathsTest, TheCurrentDirectoryIsGivenAsADosPath) {
    {
        CwdGuard cwd(root.themes());
        EXPECT_EQ(currentDirectory(), "C:\\windows\\Resources\\Themes");
    }
    CwdGuard cwd("/");
    EXPECT_EQ(currentDirectory(), "Z:\\");
}

TEST_F(PathsTest, FoldersAndLinksToFoldersAreEnterableFilesAndSharesAreNot) {
    fs::create_directory(root.themes() / "Blue");
    const auto file = root.writeFile("drive_c/windows/Resources/Themes/Blue/readme.txt", "x");
    fs::create_directory_symlink("Blue", root.themes() / "Link");

    EXPECT_TRUE(isEnterableDirectory("C:\\"));
    EXPECT_TRUE(isEnterableDirectory("C:\\windows\\Resources\\Themes\\Blue\\"));
    EXPECT_TRUE(isEnterableDirectory("C:\\windows\\Resources\\Themes\\Blue"));
    EXPECT_TRUE(isEnterableDirectory("c:\\WINDOWS\\resources\\themes\\blue"));
    EXPECT_TRUE(isEnterableDirectory("C:\\windows\\Resources\\Themes\\Link\\"))
        << "a link to a folder counts";
    EXPECT_TRUE(isEnterableDirectory(root.themes().string()));
    EXPECT_FALSE(isEnterableDirectory("C:\\windows\\Resources\\Themes\\Blue\\readme.txt"));
    EXPECT_FALSE(isEnterableDirectory("C:\\windows\\Resources\\Themes\\Blue\\readme.txt\\"));
    EXPECT_FALSE(isEnterableDirectory("C:\\windows\\Resources\\Themes\\Missing\\"));
    EXPECT_FALSE(isEnterableDirectory(""));
    EXPECT_FALSE(isEnterableDirectory("\\\\server\\share\\"));
}

TEST_F(PathsTest, FolderWithoutSearchPermissionCannotBeEntered) {
    fs::create_directory(root.themes() / "Open");
    fs::create_directory(root.themes() / "Locked");
    fs::permissions(root.themes() / "Locked", fs::perms::owner_read | fs::perms::others_read);
    EXPECT_EQ(asOrdinaryUser(root.root(),
                             [] { return isEnterableDirectory("C:\\windows\\Resources\\Themes\\Open\\"); }),
              true);
    EXPECT_EQ(asOrdinaryUser(root.root(),
                             [] { return isEnterableDirectory("C:\\windows\\Resources\\Themes\\Locked\\"); }),
              false);
}

TEST_F(PathsTest, TestsOfListedFoldersAgreeWithTheFoldersAndAreNotKept) {
    // A listing learns whether each folder it reports can be entered, and the test of that
    // entry that follows takes the answer: it must be the folder's, and used only once.
    fs::create_directory(root.themes() / "Open");
    fs::create_directory(root.themes() / "Locked");
    fs::permissions(root.themes() / "Locked", fs::perms::owner_read | fs::perms::others_read);
    root.writeFile("drive_c/windows/Resources/Themes/loose.txt", "x");
    const auto entered = [] {
        std::string out;
        DirectoryListing entries("C:\\windows\\Resources\\Themes\\", 16);
        while (const auto name = entries.next())
            if (*name != "." && *name != ".." &&
                isEnterableDirectory("C:\\windows\\Resources\\Themes\\" + *name + "\\"))
                out += *name + ";";
        return out == "Open;";
    };
    EXPECT_EQ(asOrdinaryUser(root.root(), entered), true);

    DirectoryListing entries("C:\\windows\\Resources\\Themes\\", 16);
    std::optional<std::string> name;
    while ((name = entries.next()) && *name != "Open") {
    }
    ASSERT_TRUE(name);
    EXPECT_TRUE(isEnterableDirectory("C:\\windows\\Resources\\Themes\\Open\\"));
    fs::remove(root.themes() / "Open");
    EXPECT_FALSE(isEnterableDirectory("C:\\windows\\Resources\\Themes\\Open\\"));
}

TEST_F(PathsTest, ExistingFilesAreReadableAndAPipeIsNeverWaitedOn) {
    const auto empty = root.writeFile("drive_c/windows/Resources/Themes/Blue/readme.txt");
    const auto before = fs::last_write_time(empty);
    EXPECT_TRUE(isReadableFile("C:\\windows\\Resources\\Themes\\Blue\\readme.txt")) << "an empty file counts";
    EXPECT_TRUE(isReadableFile("C:\\WINDOWS\\Resources\\Themes\\BLUE\\README.TXT"));
    EXPECT_EQ(fs::file_size(empty), 0u);
    EXPECT_EQ(fs::last_write_time(empty), before) << "the test changes nothing";
    EXPECT_FALSE(isReadableFile("C:\\windows\\Resources\\Themes\\Blue\\readme.txt\\"));
    EXPECT_FALSE(isReadableFile("C:\\windows\\Resources\\Themes\\Blue"));
    EXPECT_FALSE(isReadableFile("C:\\windows\\Resources\\Themes\\Blue\\preview.jpg"));
    EXPECT_FALSE(isReadableFile("D:\\readme.txt"));
    ASSERT_EQ(::mkfifo((root.themes() / "pipe").c_str(), 0644), 0);
    EXPECT_FALSE(isReadableFile("C:\\windows\\Resources\\Themes\\pipe")) << "never blocks on a pipe";
}

TEST_F(PathsTest, UnreadableFileIsNotReadable) {
    root.writeFile("drive_c/open.txt", "x");
    const auto secret = root.writeFile("drive_c/secret.txt", "x");
    fs::permissions(secret, fs::perms::owner_write);
    EXPECT_EQ(asOrdinaryUser(root.root(), [] { return isReadableFile("C:\\open.txt"); }), true);
    EXPECT_EQ(asOrdinaryUser(root.root(), [] { return isReadableFile("C:\\secret.txt"); }), false);
}

TEST_F(PathsTest, ChecksOfStyleAfterStyleAgreeWithTheFolders) {
    // The order of a checkup: the style folder, its Shell folder, its files, then the next
    // style, all within a moment, so that each answer comes through remembered handles.
    fs::create_directories(root.themes() / "Blue" / "Shell");
    root.writeFile("drive_c/windows/Resources/Themes/Blue/readme.txt", "x");
    fs::create_directories(root.themes() / "green" / "shell");
    root.writeFile("drive_c/windows/Resources/Themes/green/PREVIEW.JPG", "x");
    root.writeFile("drive_c/windows/Resources/Themes/Loose.txt", "x");
    fs::create_directory(root.themes() / "Empty");
    const std::string themes = "C:\\windows\\Resources\\Themes\\";
    for (int round = 0; round < 3; ++round) {
        EXPECT_TRUE(isEnterableDirectory(themes + "Blue\\"));
        EXPECT_TRUE(isEnterableDirectory(themes + "Blue\\Shell\\"));
        EXPECT_TRUE(isReadableFile(themes + "Blue\\readme.txt"));
        EXPECT_FALSE(isReadableFile(themes + "Blue\\preview.jpg"));
        EXPECT_TRUE(isEnterableDirectory(themes + "Green\\"));
        EXPECT_TRUE(isEnterableDirectory(themes + "Green\\Shell\\")) << "both names in another case";
        EXPECT_TRUE(isReadableFile(themes + "GREEN\\preview.jpg"));
        EXPECT_FALSE(isReadableFile(themes + "Green\\readme.txt"));
        EXPECT_TRUE(isEnterableDirectory(themes + "Empty\\"));
        EXPECT_FALSE(isEnterableDirectory(themes + "Empty\\Shell\\"));
        EXPECT_FALSE(isEnterableDirectory(themes + "Missing\\"));
        EXPECT_FALSE(isEnterableDirectory(themes + "Missing\\Shell\\"));
        EXPECT_FALSE(isReadableFile(themes + "Missing\\readme.txt"));
        EXPECT_FALSE(isEnterableDirectory(themes + "Loose.txt\\"));
        EXPECT_FALSE(isEnterableDirectory(themes + "Loose.txt\\Shell\\")) << "a file has no folders in it";
        EXPECT_TRUE(isReadableFile(themes + "Loose.txt"));
        EXPECT_EQ(toHostPath(themes + "green\\Shell"), real(root.themes() / "green" / "shell"));
    }
}

TEST_F(PathsTest, TheSameTextInAnotherWindowsRootIsAnotherFolder) {
    fs::create_directories(root.themes() / "Blue" / "Shell");
    const std::string shell = "C:\\windows\\Resources\\Themes\\Blue\\Shell\\";
    EXPECT_TRUE(isEnterableDirectory(shell));
    {
        TestRoot other; // the Windows root until it goes
        EXPECT_FALSE(isEnterableDirectory(shell)) << "asked at once, in a root without the style";
        fs::create_directories(other.themes() / "Blue");
        EXPECT_FALSE(isEnterableDirectory(shell));
        fs::create_directories(other.themes() / "Blue" / "Shell");
        EXPECT_TRUE(isEnterableDirectory(shell));
    }
    fs::remove(root.themes() / "Blue" / "Shell");
    EXPECT_FALSE(isEnterableDirectory(shell)) << "back in the first root";
}
