// What an install leaves when the user cancels it (the themes folder as it was), and where
// an archive without a top folder goes (into a folder named after its style file).
#include "ArchiveBuilder.h"
#include "ExtractorFixture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <map>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// What tells two folders apart for their user: each entry's kind and permissions, and a
// file's content and time of change.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> out;
    for (const std::string& p : tree(folder)) {
        struct stat st {};
        if (::lstat((folder / p).c_str(), &st) != 0)
            continue;
        std::string state = std::to_string(st.st_mode);
        if (S_ISREG(st.st_mode))
            state += " " + std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) +
                     " " + readFile(folder / p);
        out[p] = state;
    }
    return out;
}

void setTimeAndMode(const fs::path& file, time_t when, mode_t mode) {
    const timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    ASSERT_EQ(::chmod(file.c_str(), mode), 0);
}

} // namespace

using Cancel = Extractor;
using FlatArchive = Extractor;

TEST_F(Cancel, LeavesTheThemesFolderAsItWas) {
    // The user's own style, which the archive partly replaces (one name in another case),
    // and a file of the user's at the top.
    writeFile(target() / "Blue/Blue.msstyles", "the user's style");
    writeFile(target() / "Blue/README.TXT", "the user's readme");
    writeFile(target() / "Blue/Shell/kept.ini", "kept");
    writeFile(target() / "notes.txt", "the user's notes");
    setTimeAndMode(target() / "Blue/Blue.msstyles", 1000000000, 0600);
    setTimeAndMode(target() / "Blue/README.TXT", 1100000000, 0444);
    const auto before = snapshot(target());

    writeArchive(archive("s.zip"),
                 {fileEntry("Blue/Blue.msstyles", "new style"), fileEntry("Blue/readme.txt", "new readme"),
                  fileEntry("Blue/Shell/NormalColor/shellstyle.dll", randomBytes(90000, 2)),
                  fileEntry("Green/Green.msstyles", "green"),
                  fileEntry("Blue/Blue.msstyles", "newer style, same name"),
                  fileEntry("Red/Red.msstyles", "after the stop")});
    int entries = 0;
    callbacks.service = [&](const char*, std::uint64_t) {
        // Everything but the last entry is on disk when the user cancels.
        if (++entries < 5)
            return 0;
        EXPECT_EQ(readFile(target() / "Blue/Blue.msstyles"), "newer style, same name");
        EXPECT_EQ(readFile(target() / "Blue/README.TXT"), "new readme");
        EXPECT_TRUE(fs::exists(target() / "Green/Green.msstyles"));
        return 1;
    };
    EXPECT_EQ(extract(archive("s.zip")), UnzipCancelled);
    EXPECT_EQ(snapshot(target()), before);
    EXPECT_FALSE(hasTemporaryFiles(target()));
}

TEST_F(Cancel, TakesAwayTheFoldersTheInstallMadeAboveTheThemesFolder) {
    fs::remove_all(root.windows() / "Resources");
    writeArchive(archive("s.zip"), {fileEntry("Blue/a.txt", "a"), fileEntry("Blue/b.txt", "b")});
    callbacks.service = [](const char*, std::uint64_t) { return 1; };
    EXPECT_EQ(extract(archive("s.zip"), "C:\\windows\\Resources\\Themes\\"), UnzipCancelled);
    EXPECT_FALSE(fs::exists(root.windows() / "Resources"));
    EXPECT_TRUE(fs::exists(root.windows()));
}

TEST_F(Cancel, AFinishedInstallKeepsNothingAside) {
    writeFile(target() / "Blue/Blue.msstyles", "old");
    writeArchive(archive("s.zip"), {fileEntry("Blue/Blue.msstyles", "new")});
    callbacks.service = [](const char*, std::uint64_t) { return 0; };
    EXPECT_EQ(extract(archive("s.zip")), UnzipOk);
    EXPECT_EQ(tree(target()), (std::vector<std::string>{"Blue/", "Blue/Blue.msstyles"}));
    EXPECT_EQ(readFile(target() / "Blue/Blue.msstyles"), "new");
    struct stat st {};
    ASSERT_EQ(::stat((target() / "Blue/Blue.msstyles").c_str(), &st), 0);
    EXPECT_EQ(st.st_nlink, 1u) << "the replaced file is gone, not linked elsewhere";
}

TEST_F(FlatArchive, GoesWholeIntoAFolderNamedAfterItsStyleFile) {
    writeArchive(archive("flat.zip"),
                 {fileEntry("Flat.msstyles", "style"), fileEntry("readme.txt", "readme"),
                  fileEntry("Shell/NormalColor/shellstyle.dll", "dll"), folderEntry("Extras/")});
    EXPECT_EQ(extract(archive("flat.zip")), UnzipOk);
    EXPECT_EQ(tree(target()),
              (std::vector<std::string>{"Flat/", "Flat/Extras/", "Flat/Flat.msstyles", "Flat/Shell/",
                                        "Flat/Shell/NormalColor/", "Flat/Shell/NormalColor/shellstyle.dll",
                                        "Flat/readme.txt"}));
    EXPECT_EQ(readFile(target() / "Flat/readme.txt"), "readme");

    // Windows drops the blanks and dots a folder name would end in; a tar names its top "./".
    fs::remove_all(target());
    writeArchive(archive("odd.tar"), {fileEntry("./Odd. .MSStyles", "odd"), fileEntry("./a.txt", "a")},
                 ArchiveFormat("pax"));
    EXPECT_EQ(extract(archive("odd.tar")), UnzipOk);
    EXPECT_EQ(tree(target()), (std::vector<std::string>{"Odd/", "Odd/Odd. .MSStyles", "Odd/a.txt"}));
}

TEST_F(FlatArchive, FoundLateTheStyleFileTakesBackWhatWentLooseAndTellsEachEntryOnce) {
    // Another flat style's readme, left loose by an earlier version, is the user's now.
    writeFile(target() / "readme.txt", "another style's readme");
    const auto before = snapshot(target());
    const std::string dll = randomBytes(200000, 5);
    writeArchive(archive("late.zip"),
                 {fileEntry("readme.txt", "readme"), fileEntry("Shell/NormalColor/shellstyle.dll", dll),
                  fileEntry("Late.msstyles", "style"), fileEntry("preview.jpg", "jpg")});
    std::vector<std::string> told;
    std::uint64_t bytes = 0;
    callbacks.service = [&](const char* name, std::uint64_t) {
        told.emplace_back(name);
        return 0;
    };
    callbacks.progress = [&](std::uint64_t written) { bytes += written; };
    EXPECT_EQ(extract(archive("late.zip")), UnzipOk);
    EXPECT_EQ(told, (std::vector<std::string>{"readme.txt", "Shell/NormalColor/shellstyle.dll",
                                              "Late.msstyles", "preview.jpg"}));
    EXPECT_EQ(bytes, 6u + dll.size() + 5u + 3u);
    EXPECT_EQ(readFile(target() / "readme.txt"), "another style's readme");
    EXPECT_EQ(readFile(target() / "Late/readme.txt"), "readme");
    EXPECT_EQ(readFile(target() / "Late/Shell/NormalColor/shellstyle.dll"), dll);
    EXPECT_EQ(readFile(target() / "Late/preview.jpg"), "jpg");
    auto after = snapshot(target());
    for (auto it = after.begin(); it != after.end();)
        it = it->first.starts_with("Late/") ? after.erase(it) : std::next(it);
    EXPECT_EQ(after, before) << "nothing but the new style's folder";
    EXPECT_FALSE(hasTemporaryFiles(target()));
}

TEST_F(FlatArchive, ArchivesWithTheirStyleInAFolderAreExtractedAsStored) {
    writeArchive(archive("s.zip"),
                 {fileEntry("Blue/Blue.msstyles", "style"), fileEntry("Blue/Shell/Normal.msstyles", "x"),
                  fileEntry("Install.txt", "how to install")});
    EXPECT_EQ(extract(archive("s.zip")), UnzipOk);
    EXPECT_EQ(tree(target()), (std::vector<std::string>{"Blue/", "Blue/Blue.msstyles", "Blue/Shell/",
                                                        "Blue/Shell/Normal.msstyles", "Install.txt"}));
}
